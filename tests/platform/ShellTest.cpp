// The shell's "open": programs started with their arguments, documents, folders and addresses
// handed to the opener, and the result codes of failures. No test starts a real opener: the
// opener is a script that records what it was given.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/Shell.h"
#include "runtime/Gbk.h"
#include "TempFolder.h"

using namespace qnexp;
namespace fs = std::filesystem;

namespace {

class ShellTest : public qnexp::testing::TTempFolderTest {
protected:
  void SetUp() override {
    TTempFolderTest::SetUp();
    SavedOpener = DocumentOpener();
    // Writes its arguments, one per line, into a file named by the environment.
    Script(Folder + "/record", "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$0.out.tmp\"\n"
                               "mv \"$0.out.tmp\" \"$0.out\"\n");
    Script(Folder + "/opener", "printf '%s\\n' \"$1\" > \"$0.out.tmp\"\nmv \"$0.out.tmp\" \"$0.out\"\n");
    SetDocumentOpener(Folder + "/opener");
    std::ofstream(Folder + "/document.txt") << "text";
    fs::create_directory(Folder + "/folder");
    SavedFolder = fs::current_path();
  }
  void TearDown() override {
    fs::current_path(SavedFolder);
    SetDocumentOpener(SavedOpener);
    TTempFolderTest::TearDown();
  }
  static void Script(const std::string& path, const std::string& body) {
    std::ofstream(path) << "#!/bin/sh\n" << body;
    chmod(path.c_str(), 0755);
  }
  // What a recording script wrote, once it has finished (empty after five seconds).
  static std::string Recorded(const std::string& script) {
    std::string file = script + ".out";
    for (int i = 0; i < 500 && !fs::exists(file); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  std::string SavedOpener;
  fs::path SavedFolder;
};

}  // namespace

TEST_F(ShellTest, ProgramsStartWithTheirArgumentsSplitLikeAShell) {
  EXPECT_EQ(ShellOpen(Folder + "/record", "one 'two words' \"three\"", 1), ShellSuccess);
  EXPECT_EQ(Recorded(Folder + "/record"), "one\ntwo words\nthree\n");
  EXPECT_FALSE(fs::exists(Folder + "/opener.out"));
}

TEST_F(ShellTest, BackslashesSeparateFoldersAndBareNamesAreSearched) {
  std::string backslashed = Folder;
  for (char& c : backslashed)
    if (c == '/') c = '\\';
  EXPECT_EQ(ShellOpen(backslashed + "\\record", "x", 1), ShellSuccess);
  EXPECT_EQ(Recorded(Folder + "/record"), "x\n");
  fs::remove(Folder + "/record.out");

  EXPECT_EQ(ShellOpen("true", "", 1), ShellSuccess) << "found in $PATH";

  fs::current_path(Folder);
  EXPECT_EQ(ShellOpen("record", "here", 0), ShellSuccess) << "found in the current folder";
  EXPECT_EQ(Recorded(Folder + "/record"), "here\n");
}

TEST_F(ShellTest, DocumentsFoldersAndAddressesGoToTheOpener) {
  struct TRow {
    std::string Target;
    std::string Given;
  };
  const TRow rows[] = {
      {Folder + "/document.txt", Folder + "/document.txt\n"},
      {Folder + "\\folder", Folder + "/folder\n"},
      {"http://example.invalid/a\\b", "http://example.invalid/a\\b\n"},
      {"mailto:someone", "mailto:someone\n"},
  };
  for (const TRow& row : rows) {
    fs::remove(Folder + "/opener.out");
    EXPECT_EQ(ShellOpen(row.Target, "ignored params", 1), ShellSuccess) << row.Target;
    EXPECT_EQ(Recorded(Folder + "/opener"), row.Given) << row.Target;
  }
  fs::current_path(Folder);
  fs::remove(Folder + "/opener.out");
  EXPECT_EQ(ShellOpen("document.txt", "", 0), ShellSuccess);
  EXPECT_EQ(Recorded(Folder + "/opener"), "./document.txt\n");
}

TEST_F(ShellTest, FailuresGiveTheShellsCodes) {
  EXPECT_EQ(ShellOpen("", "", 1), ShellFileNotFound);
  EXPECT_EQ(ShellOpen(Folder + "/absent", "", 1), ShellFileNotFound);
  EXPECT_EQ(ShellOpen("qnexp-no-such-program-anywhere", "", 1), ShellFileNotFound);
  EXPECT_EQ(ShellOpen(Folder + "/document.txt/x", "", 1), ShellPathNotFound);
  EXPECT_EQ(ShellOpen(Res("不存在的文件"), "", 1), ShellFileNotFound);

  SetDocumentOpener(Folder + "/no-opener");
  EXPECT_EQ(ShellOpen(Folder + "/document.txt", "", 1), ShellNoApplication);
  SetDocumentOpener(Folder + "/document.txt");  // exists but cannot be run
  EXPECT_EQ(ShellOpen(Folder + "/folder", "", 1), ShellNoApplication);

  // A file with the execute bit whose contents no system can run.
  std::ofstream(Folder + "/garbage") << "\x7f" "ELF garbage";
  chmod((Folder + "/garbage").c_str(), 0755);
  EXPECT_EQ(ShellOpen(Folder + "/garbage", "", 1), ShellBadFormat);
}

TEST_F(ShellTest, ErrnoMapping) {
  struct TRow {
    int Error;
    int Code;
  };
  const TRow rows[] = {{ENOENT, 2}, {ENAMETOOLONG, 2}, {ELOOP, 2},  {ENOTDIR, 3}, {ENOMEM, 8},
                       {EAGAIN, 8}, {ENOEXEC, 11},     {EACCES, 5}, {EPERM, 5},   {EIO, 5}};
  for (const TRow& row : rows) EXPECT_EQ(ShellResultOfErrno(row.Error), row.Code) << row.Error;
}
