// Tests of command-line splitting and of starting programs without a shell.
#include "platform/Spawn.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>

#include "runtime/Gbk.h"

namespace qnexp {
namespace {

using Words = std::vector<std::string>;

TEST(SplitCommandLine, SplitsLikeAShellWithoutExpansion) {
  struct {
    std::string Line;
    Words Arguments;
  } cases[] = {
      {"", {}},
      {"   \t ", {}},
      {"a", {"a"}},
      {"  a  b\tc\r\nd ", {"a", "b", "c", "d"}},
      {"\"a b\" c", {"a b", "c"}},
      {"'a \"b\"' c", {"a \"b\"", "c"}},
      {"x\"a b\"y'c d'", {"xa byc d"}},
      {"'' \"\" a", {"", "", "a"}},
      {"C:\\data\\a.txt $HOME *", {"C:\\data\\a.txt", "$HOME", "*"}},
      {"a \"unterminated b", {"a", "unterminated b"}},
      {"'", {""}},
      {Res("琝 琝\"a b\""), {Res("琝"), Res("琝") + "a b"}},
      {"\xB0", {"\xB0"}},
      {"a \xB0", {"a", "\xB0"}},
      // A lead byte takes a possible second byte with it, but never a quote or a blank.
      {"\xB0\" b", {"\xB0 b"}},
      {"\xB0 b", {"\xB0", "b"}},
      {"\x81" "@ \x81\\", {"\x81@", "\x81\\"}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitCommandLine(c.Line), c.Arguments) << c.Line;
}

TEST(SpawnProgram, WaitsAndReportsTheExitStatus) {
  struct {
    std::string Program;
    Words Arguments;
    int Status;
  } cases[] = {
      {"/bin/true", {}, 0},
      {"/bin/false", {}, 1},
      {"true", {}, 0},
      {"\\bin\\true", {}, 0},
      {"/bin/sh", {"-c", "exit $#", "sh", "a", "b c"}, 2},
      {"/bin/sh", {"-c", "kill -9 $$"}, 128 + 9},
      // Texts leave as UTF-8: the script's Chinese and the argument's must meet as the same bytes.
      {"/bin/sh", {"-c", Res("test \"$1\" = \"中文\""), "sh", Res("中文")}, 0},
  };
  for (const auto& c : cases) {
    int status = -100;
    EXPECT_EQ(SpawnProgram(c.Program, c.Arguments, true, &status), 0) << c.Program;
    EXPECT_EQ(status, c.Status) << c.Program;
  }
}

TEST(SpawnProgram, FailuresReturnErrno) {
  char pattern[] = "/tmp/qnexp-spawn-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  std::string folder = pattern;
  std::string plain = folder + "/not-executable";
  std::ofstream(plain) << "#!/bin/sh\nexit 0\n";
  struct {
    std::string Program;
    int Error;
  } cases[] = {
      {"", ENOENT},
      {"/nonexistent/program", ENOENT},
      {"qnexp-no-such-program-anywhere", ENOENT},
      {plain, EACCES},
      {folder, EACCES},
  };
  for (const auto& c : cases) {
    int status = -100;
    EXPECT_EQ(SpawnProgram(c.Program, {}, true, &status), c.Error) << c.Program;
    EXPECT_EQ(status, -100) << c.Program;
  }
  std::filesystem::remove_all(folder);
}

TEST(SpawnProgram, StartsWithoutWaiting) {
  char pattern[] = "/tmp/qnexp-spawn-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  std::string marker = std::string(pattern) + "/done";
  EXPECT_EQ(SpawnProgram("/bin/sh", {"-c", "echo x > \"$1\"", "sh", marker}, false), 0);
  for (int i = 0; i < 500 && !std::filesystem::exists(marker); ++i) usleep(10000);
  EXPECT_TRUE(std::filesystem::exists(marker));
  // The next start collects the ended process; it must not disturb waiting for the new one.
  int status = -1;
  EXPECT_EQ(SpawnProgram("/bin/false", {}, true, &status), 0);
  EXPECT_EQ(status, 1);
  std::filesystem::remove_all(pattern);
}

}  // namespace
}  // namespace qnexp
