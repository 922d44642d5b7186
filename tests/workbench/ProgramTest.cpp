// The real program, started under a virtual X server: --screenshot renders the window into a
// PNG of the window's size and exits.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QImage>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>

namespace {

std::string ShotPath(const char* tag) {
  return std::filesystem::temp_directory_path().string() + "/qnexpdemo-" + tag + "-" +
         std::to_string(getpid()) + ".png";
}

TEST(Program, TakesAScreenshotUnderAVirtualXServer) {
  std::string shot = ShotPath("x");
  std::string command = "xvfb-run -a -s '-screen 0 1280x1024x24' '" QNEXP_DEMO_BINARY
                        "' --screenshot '" + shot + "' -e \"RMBFormat(1234.56, '@3&&~')\" 2>/dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  QImage image(QString::fromStdString(shot));
  std::filesystem::remove(shot);
  ASSERT_FALSE(image.isNull());
  EXPECT_EQ(image.size(), QSize(1024, 720));
  // A real window: many colours, not a blank image.
  std::set<QRgb> colours;
  for (int y = 0; y < image.height(); y += 7)
    for (int x = 0; x < image.width(); x += 7) colours.insert(image.pixel(x, y));
  EXPECT_GT(colours.size(), 20u);
}

TEST(Program, RefusesUnknownArguments) {
  std::string command = "'" QNEXP_DEMO_BINARY "' --no-such-option 2>/dev/null";
  int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 3);
}

}  // namespace
