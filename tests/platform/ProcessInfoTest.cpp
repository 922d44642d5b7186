// Tests of what the process learns about itself and its machine.
#include "platform/ProcessInfo.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

namespace qnexp {
namespace {

TEST(ProcessInfo, ProgramAndFolder) {
  std::string path = ProgramPath();
  EXPECT_EQ(path, std::filesystem::read_symlink("/proc/self/exe").string());
  EXPECT_EQ(path.substr(path.find_last_of('/') + 1), "test_platform");
  char buffer[4096];
  ASSERT_NE(getcwd(buffer, sizeof buffer), nullptr);
  EXPECT_EQ(CurrentFolder(), buffer);
}

TEST(ProcessInfo, UserAndHost) {
  EXPECT_FALSE(LoginName().empty());
  char name[256] = {};
  ASSERT_EQ(gethostname(name, sizeof name - 1), 0);
  EXPECT_EQ(HostName(), name);
  std::string address = HostIPv4Address();
  if (!address.empty()) {
    in_addr parsed{};
    EXPECT_EQ(inet_pton(AF_INET, address.c_str(), &parsed), 1) << address;
  }
}

}  // namespace
}  // namespace qnexp
