// Tests of the directory specifiers and their expansion, paths, folders, file versions,
// command-line items, starting programs and freeing objects.
#include "support/ExpressDirs.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>

#include "platform/RegistryStore.h"
#include "platform/Spawn.h"
#include "runtime/Exception.h"
#include "runtime/Gbk.h"
#include "runtime/StringList.h"
#include "TempFolder.h"

namespace qnexp {
namespace {

namespace fs = std::filesystem;

void WriteFile(const std::string& path, std::string_view content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
}

std::string CurrentDir() {
  char buffer[4096];
  return getcwd(buffer, sizeof buffer) ? std::string(buffer) : std::string();
}

// The registry and the XDG folders point at a temporary folder for the whole suite, because
// the specifier list is built once per process.
class ExpressDirsTest : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    char pattern[] = "/tmp/qnexp-dirs-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    Folder = pattern;
    for (const char* name : {"QNEXP_REGISTRY", "HOME", "XDG_CONFIG_HOME"}) {
      const char* value = getenv(name);
      Saved[name] = value ? std::optional<std::string>(value) : std::nullopt;
    }
    setenv("QNEXP_REGISTRY", (Folder + "/registry").c_str(), 1);
    setenv("HOME", (Folder + "/home").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (Folder + "/config").c_str(), 1);
    fs::create_directories(Folder + "/config");
    WriteFile(Folder + "/config/user-dirs.dirs", "XDG_DOCUMENTS_DIR=\"$HOME/Docs\"\n");
  }
  static void TearDownTestSuite() {
    for (const auto& [name, value] : Saved) {
      if (value)
        setenv(name.c_str(), value->c_str(), 1);
      else
        unsetenv(name.c_str());
    }
    fs::remove_all(Folder);
  }
  void TearDown() override { SetAppUserName(""); }

  static std::string Folder;
  static std::map<std::string, std::optional<std::string>> Saved;
};

std::string ExpressDirsTest::Folder;
std::map<std::string, std::optional<std::string>> ExpressDirsTest::Saved;

TEST_F(ExpressDirsTest, SpecifierNamesInAnyCase) {
  struct {
    const char* Name;
    int Index;
  } cases[] = {
      {"PROGRAMDIR", 0},      {"programdir", 0},   {"ProgramName", 1}, {"APPUSER", 2},
      {"WinUser", 3},         {"COMPUTERNAME", 4}, {"WINDIR", 5},      {"WINSYSDIR", 6},
      {"WINDISK", 7},         {"WINSYSDISK", 8},   {"WINSYS16DIR", 9}, {"PROGRAMFILESDIR", 10},
      {"CommonFilesDir", 11}, {"Nope", -1},        {"", -1},           {"PROGRAMDIR ", -1}};
  for (const auto& c : cases) EXPECT_EQ(GetExpressDirSpecifier(c.Name), c.Index) << c.Name;
  // The shell folders follow the fixed names.
  EXPECT_GE(GetExpressDirSpecifier("Personal"), 12);
  EXPECT_EQ(GetExpressDirSpecifier("personal"), GetExpressDirSpecifier("Personal"));
  EXPECT_GE(GetExpressDirSpecifier("my music"), 12);
}

TEST_F(ExpressDirsTest, DirectoriesByIndex) {
  fs::path program = fs::read_symlink("/proc/self/exe");
  passwd* user = getpwuid(geteuid());
  ASSERT_NE(user, nullptr);
  char host[256] = {};
  ASSERT_EQ(gethostname(host, sizeof host - 1), 0);
  struct {
    int Index;
    std::string Value;
  } cases[] = {{0, program.parent_path().string()},
               {1, "test_support"},
               {2, ""},
               {3, user->pw_name},
               {4, host},
               {5, "/usr"},
               {6, "/usr/lib"},
               {7, ""},
               {8, ""},
               {9, "/usr"},
               {10, "/opt"},
               {11, "/usr/share"},
               {GetExpressDirSpecifier("Personal"), Folder + "/home/Docs"},
               {GetExpressDirSpecifier("Desktop"), Folder + "/home/Desktop"},
               {-1, ""},
               {100000, ""}};
  for (const auto& c : cases) EXPECT_EQ(GetExpressDir(c.Index), c.Value) << c.Index;
  SetAppUserName(Res("张三"));
  EXPECT_EQ(GetAppUserName(), Res("张三"));
  EXPECT_EQ(GetExpressDir(2), Res("张三"));
  EXPECT_EQ(GetExpressDir("appuser"), Res("张三"));
}

TEST_F(ExpressDirsTest, OneTrailingSeparatorIsDropped) {
  const char* key = "Software\\Microsoft\\Windows\\CurrentVersion";
  std::string withTrailByte = "/opt/" + Res("琝");
  struct {
    std::string Stored;
    std::string Value;
  } cases[] = {{"C:\\Program Files\\", "C:\\Program Files"},
               {"/srv/", "/srv"},
               {"/", "/"},
               {"/a\\\\", "/a\\"},
               {withTrailByte, withTrailByte}};
  for (const auto& c : cases) {
    ASSERT_TRUE(RegWriteValue(rkLocalMachine, key, "ProgramFilesDir", RegStringValue(c.Stored)));
    EXPECT_EQ(GetExpressDir(10), c.Value) << c.Stored;
  }
  ASSERT_TRUE(RegWriteValue(rkLocalMachine, key, "ProgramFilesDir", RegStringValue("/opt")));
  ASSERT_TRUE(RegDeleteValue(rkLocalMachine, key, "CommonFilesDir"));
  EXPECT_EQ(GetExpressDir(11), "");
  ASSERT_TRUE(RegWriteValue(rkLocalMachine, key, "CommonFilesDir", RegStringValue("/usr/share")));
}

TEST_F(ExpressDirsTest, ExpansionReplacesEveryKnownName) {
  std::string programDir = fs::read_symlink("/proc/self/exe").parent_path().string();
  struct {
    std::string Text;
    std::string Result;
  } cases[] = {
      {"", ""},
      {"plain", "plain"},
      {"<ProgramDir>\\..\\Data", programDir + "\\..\\Data"},
      {"<WINDIR>\\a.txt", "/usr\\a.txt"},
      {"<UNKNOWN>\\a", "<UNKNOWN>\\a"},
      {"<WINDIR><WINSYSDIR>", "/usr/usr/lib"},
      {"x<WINDISK>y", "xy"},
      {"a<b", "a<b"},
      {"x<", "x<"},
      {">", ">"},
      {"<>", "<>"},
      {"'<WINDIR>' <WINDIR>", "'<WINDIR>' /usr"},
      {"<WIN'DIR>'>", "<WIN'DIR>'>"},
      {Res("琝<WINDIR>"), Res("琝") + "/usr"},
  };
  for (const auto& c : cases) EXPECT_EQ(ExpandExpressDirs(c.Text, false), c.Result) << c.Text;
  EXPECT_EQ(ExpandExpressDirs("<WINDIR>\\a.txt", true), "/usr/a.txt");
  EXPECT_EQ(ExpandExpressDirs("<ProgramDir>\\..\\Data", true),
            fs::path(programDir).parent_path().string() + "/Data");
}

TEST(GetRealPath, AbsoluteAndNormalised) {
  std::string cwd = CurrentDir();
  ASSERT_FALSE(cwd.empty());
  struct {
    std::string Path;
    std::string Result;
  } cases[] = {
      {"", ""},
      {"http://host/a/../b", "http://host/a/../b"},
      {"mailto:x@y", "mailto:x@y"},
      {"C:\\a\\..\\b", "C:\\a\\..\\b"},
      {"/a/b/../c", "/a/c"},
      {"/a//b/./c/", "/a/b/c/"},
      {"\\a\\b", "/a/b"},
      {"/..", "/"},
      {"/../../x", "/x"},
      {"/", "/"},
      {"/a/x:y", "/a/x:y"},
      {"a\\b", cwd + "/a/b"},
      {".", cwd},
      {"./", cwd + "/"},
      {"/a/" + Res("琝") + "/b", "/a/" + Res("琝") + "/b"},
  };
  for (const auto& c : cases) EXPECT_EQ(GetRealPath(c.Path), c.Result) << c.Path;
}

TEST(FolderExist, PlainFoldersOnly) {
  char pattern[] = "/tmp/qnexp-folder-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  std::string folder = pattern;
  fs::create_directories(folder + "/.hidden");
  fs::create_directories(folder + "/" + GbkToUtf8(Res("琝")));
  WriteFile(folder + "/file", "x");
  struct {
    std::string Path;
    bool Exists;
  } cases[] = {
      {folder, true},
      {folder + "/", true},
      {folder + "\\", true},
      {folder + "//", true},
      {folder + "\\.", true},
      {folder + "/.hidden", false},
      {folder + "/file", false},
      {folder + "/missing", false},
      {folder + "\\" + Res("琝"), true},
      {"", false},
      {"/", true},
  };
  for (const auto& c : cases) EXPECT_EQ(FolderExist(c.Path), c.Exists) << c.Path;
  fs::remove_all(folder);
}

// ---------------------------------------------------------------------------------------------
// A minimal PE file with a version resource, for GetFileVersion.

void Put16(std::string& out, size_t at, uint16_t v) {
  out[at] = static_cast<char>(v & 0xFF);
  out[at + 1] = static_cast<char>(v >> 8);
}

void Put32(std::string& out, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + static_cast<size_t>(i)] = static_cast<char>(v >> (8 * i));
}

void Pad4(std::string& out) {
  while (out.size() % 4) out += '\0';
}

std::string Utf16(std::u16string_view text, bool terminate = true) {
  std::string out;
  for (char16_t c : text) {
    out += static_cast<char>(c & 0xFF);
    out += static_cast<char>(c >> 8);
  }
  if (terminate) out += std::string(2, '\0');
  return out;
}

std::string Block(std::u16string_view key, uint16_t type, const std::string& value,
                  uint16_t valueLength, const std::vector<std::string>& children = {}) {
  std::string out(6, '\0');
  out += Utf16(key);
  Pad4(out);
  out += value;
  Pad4(out);
  for (const std::string& child : children) {
    out += child;
    Pad4(out);
  }
  Put16(out, 0, static_cast<uint16_t>(out.size()));
  Put16(out, 2, valueLength);
  Put16(out, 4, type);
  return out;
}

std::string StringBlock(std::u16string_view key, std::u16string_view text) {
  return Block(key, 1, Utf16(text), static_cast<uint16_t>(text.size() + 1));
}

std::string VersionInfo(std::u16string_view version, bool withTranslation = true) {
  std::string fixed(52, '\0');
  Put32(fixed, 0, 0xFEEF04BD);
  std::string translation(4, '\0');
  Put16(translation, 0, 0x0409);
  Put16(translation, 2, 0x04B0);
  std::vector<std::string> children = {Block(
      u"StringFileInfo", 1, "", 0,
      {Block(u"080404b0", 1, "", 0, {StringBlock(u"FileVersion", u"9.9")}),
       Block(u"040904B0", 1, "", 0,
             {StringBlock(u"CompanyName", u"Someone"), StringBlock(u"fileversion", version)})})};
  if (withTranslation)
    children.push_back(Block(u"VarFileInfo", 1, "", 0, {Block(u"Translation", 0, translation, 4)}));
  return Block(u"VS_VERSION_INFO", 0, fixed, 52, children);
}

std::string PeFile(const std::string& versionInfo, bool pe32Plus = false) {
  const size_t peAt = 0x40;
  const size_t optionalSize = pe32Plus ? 240 : 224;
  const size_t sectionsAt = peAt + 24 + optionalSize;
  const size_t rawAt = 0x200;
  std::string resources(0x58, '\0');
  Put16(resources, 0x0E, 1);
  Put32(resources, 0x10, 16);
  Put32(resources, 0x14, 0x80000018);
  Put16(resources, 0x18 + 0x0E, 1);
  Put32(resources, 0x28, 1);
  Put32(resources, 0x2C, 0x80000030);
  Put16(resources, 0x30 + 0x0E, 1);
  Put32(resources, 0x40, 0x0409);
  Put32(resources, 0x44, 0x48);
  Put32(resources, 0x48, 0x1000 + 0x58);
  Put32(resources, 0x4C, static_cast<uint32_t>(versionInfo.size()));
  resources += versionInfo;

  std::string file(rawAt, '\0');
  file[0] = 'M';
  file[1] = 'Z';
  Put32(file, 0x3C, peAt);
  file.replace(peAt, 4, std::string("PE\0\0", 4));
  Put16(file, peAt + 4, 0x14C);
  Put16(file, peAt + 6, 1);
  Put16(file, peAt + 20, static_cast<uint16_t>(optionalSize));
  size_t optional = peAt + 24;
  Put16(file, optional, pe32Plus ? 0x20B : 0x10B);
  size_t directories = optional + (pe32Plus ? 112 : 96);
  Put32(file, directories - 4, 16);
  Put32(file, directories + 16, 0x1000);
  Put32(file, directories + 20, static_cast<uint32_t>(resources.size()));
  file.replace(sectionsAt, 5, ".rsrc");
  Put32(file, sectionsAt + 8, static_cast<uint32_t>(resources.size()));
  Put32(file, sectionsAt + 12, 0x1000);
  Put32(file, sectionsAt + 16, static_cast<uint32_t>(resources.size()));
  Put32(file, sectionsAt + 20, rawAt);
  return file + resources;
}

class FileVersionTest : public qnexp::testing::TTempFolderTest {
protected:
  void SetUp() override {
    TTempFolderTest::SetUp();
  }
  std::string Write(const std::string& name, const std::string& content) {
    WriteFile(Folder + "/" + name, content);
    return Folder + "/" + name;
  }
};

TEST_F(FileVersionTest, ReadsTheFirstTranslationsFileVersion) {
  EXPECT_EQ(GetFileVersion(Write("a.exe", PeFile(VersionInfo(u"1.2.3.4")))), "1.2.3.4");
  EXPECT_EQ(GetFileVersion(Write("b.exe", PeFile(VersionInfo(u"5.6", true), true))), "5.6");
  EXPECT_EQ(GetFileVersion(Write("c.exe", PeFile(VersionInfo(u"\u7248\u672c 1")))), Res("版本 1"));
  EXPECT_EQ(GetFileVersion(Write("d.exe", PeFile(VersionInfo(u"1.0", false)))), "");
  // A backslash in the name given to the system separates folders.
  std::string backslashed = Folder + "\\a.exe";
  EXPECT_EQ(GetFileVersion(backslashed), "1.2.3.4");
}

TEST_F(FileVersionTest, OtherFilesHaveNoVersion) {
  EXPECT_EQ(GetFileVersion(Write("text", "just some text")), "");
  EXPECT_EQ(GetFileVersion(Write("empty", "")), "");
  EXPECT_EQ(GetFileVersion(Write("mz", "MZ")), "");
  EXPECT_EQ(GetFileVersion(Folder), "");
  EXPECT_EQ(GetFileVersion(Folder + "/missing"), "");
  EXPECT_EQ(GetFileVersion(""), "");
  EXPECT_EQ(GetFileVersion("/proc/self/exe"), "");
}

TEST_F(FileVersionTest, DamagedFilesNeverReadOutside) {
  std::string good = PeFile(VersionInfo(u"1.2.3.4"));
  std::string path = Folder + "/damaged.exe";
  for (size_t length = 0; length < good.size(); ++length) {
    std::string version = GetFileVersion(Write("damaged.exe", good.substr(0, length)));
    EXPECT_TRUE(version.empty() || version == "1.2.3.4") << length;
  }
  // Every byte of the headers, the resource tree and the version blocks set to extremes.
  for (size_t at = 0; at < good.size(); ++at) {
    if (at >= 0x180 && at < 0x200) continue;  // padding between headers and the section
    for (unsigned char b : {0x00, 0x7F, 0xFF}) {
      std::string damaged = good;
      damaged[at] = static_cast<char>(b);
      WriteFile(path, damaged);
      GetFileVersion(path);
    }
  }
}

// ---------------------------------------------------------------------------------------------

TEST(ExecAndWait, StartsProgramsAndReportsFailure) {
  EXPECT_TRUE(ExecAndWait("/bin/true", "", 1, true));
  EXPECT_TRUE(ExecAndWait("/bin/false", "", 1, true));
  EXPECT_TRUE(ExecAndWait("", "/bin/sh -c 'exit 3'", 0, true));
  EXPECT_TRUE(ExecAndWait("/bin/true", "", 1, false));
  try {
    ExecAndWait("/nonexistent/prog", "a 'b c'", 1, true);
    FAIL();
  } catch (const EOSError& e) {
    EXPECT_EQ(e.Message, Res("执行程序失败") + "\r\n/nonexistent/prog\r\na 'b c'\r\n[2]" +
                             Utf8ToGbkOrSame(std::strerror(ENOENT)));
  }
  try {
    ExecAndWait("", "", 1, true);
    FAIL();
  } catch (const EOSError& e) {
    EXPECT_EQ(e.Message.substr(0, Res("执行程序失败").size() + 9),
              Res("执行程序失败") + "\r\n\r\n\r\n[2]");
  }
}

class TCountedObject : public TObject {
public:
  explicit TCountedObject(int* destroyed) : Destroyed(destroyed) {}
  ~TCountedObject() override { ++*Destroyed; }
  int* Destroyed;
};

TEST(FreeObj, FreesAndClears) {
  int destroyed = 0;
  TObject* object = new TCountedObject(&destroyed);
  FreeObj(object);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(destroyed, 1);
  FreeObj(object);
  EXPECT_EQ(destroyed, 1);
  auto* counted = new TCountedObject(&destroyed);
  FreeObj(counted);
  EXPECT_EQ(counted, nullptr);
  EXPECT_EQ(destroyed, 2);
  auto* list = new TStringList();
  FreeObj(list);
  EXPECT_EQ(list, nullptr);
}

// Runs in a copy of this program started with known parameters (see the test below); skipped
// otherwise.
TEST(CommandLineChild, ItemsComeFromTheParameters) {
  if (!getenv("QNEXP_COMMAND_LINE_CHILD")) GTEST_SKIP() << "runs only as a child";
  const TStringList& items = CommandLineItems();
  ASSERT_EQ(items.Count(), 5);
  EXPECT_EQ(items.Get(0), "--gtest_filter=CommandLineChild.*");
  EXPECT_EQ(items.Get(1), "DATA=D:\\x");
  EXPECT_EQ(items.Get(2), "Other='a;b'");
  EXPECT_EQ(items.Get(3), "");
  EXPECT_EQ(items.Get(4), Res("名=值"));
  EXPECT_EQ(GetExpressDir("data"), "D:\\x");
  EXPECT_EQ(GetExpressDir("OTHER"), "'a;b'");
  EXPECT_EQ(GetExpressDir(Res("名")), Res("值"));
  EXPECT_EQ(ExpandExpressDirs("<DATA>\\y", false), "D:\\x\\y");
  EXPECT_EQ(GetExpressDir("--GTEST_FILTER"), "CommandLineChild.*");
  EXPECT_EQ(GetExpressDir("missing"), "<missing>");
}

TEST(CommandLineItems, ParametersAreSplitAtSemicolons) {
  setenv("QNEXP_COMMAND_LINE_CHILD", "1", 1);
  int status = -1;
  int error = SpawnProgram(
      fs::read_symlink("/proc/self/exe").string(),
      {"--gtest_filter=CommandLineChild.*", "DATA=D:\\x;Other='a;b';", ";" + Res("名=值")}, true,
      &status);
  unsetenv("QNEXP_COMMAND_LINE_CHILD");
  EXPECT_EQ(error, 0);
  EXPECT_EQ(status, 0);
}

}  // namespace
}  // namespace qnexp
