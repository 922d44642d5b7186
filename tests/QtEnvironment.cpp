// The application object the control and workbench tests run under: a QApplication on the offscreen
// platform, so the tests need no display.
#include <gtest/gtest.h>

#include <QApplication>

namespace {

class TQtEnvironment : public ::testing::Environment {
public:
  void SetUp() override {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    App = new QApplication(Argc, Argv);
  }
  void TearDown() override { delete App; }

private:
  int Argc = 1;
  char Name[10] = "qnexptest";
  char* Argv[2] = {Name, nullptr};
  QApplication* App = nullptr;
};

[[maybe_unused]] ::testing::Environment* const Environment =
    ::testing::AddGlobalTestEnvironment(new TQtEnvironment);

}  // namespace
