// Tests of the registry store: keys and values, name rules, the file round trip, damaged
// files, other writers, atomic saving and first-use seeding.
#include "platform/RegistryStore.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>

#include "runtime/Gbk.h"
#include "TempFolder.h"

namespace qnexp {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, std::string_view content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
}

// Points the store and the XDG folders at a fresh temporary folder for each test.
class RegistryStoreTest : public qnexp::testing::TTempFolderTest {
protected:
  void SetUp() override {
    TTempFolderTest::SetUp();
    for (const char* name :
         {"QNEXP_REGISTRY", "HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"}) {
      const char* value = getenv(name);
      Saved[name] = value ? std::optional<std::string>(value) : std::nullopt;
    }
    Store = Folder + "/store";
    setenv("QNEXP_REGISTRY", Store.c_str(), 1);
    setenv("HOME", (Folder + "/home").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (Folder + "/config").c_str(), 1);
    unsetenv("XDG_DATA_HOME");
    setenv("XDG_CACHE_HOME", "relative/is/ignored", 1);
    fs::create_directories(Folder + "/config");
    WriteFile(Folder + "/config/user-dirs.dirs",
              "# written by a test\nXDG_DOCUMENTS_DIR=\"$HOME/Docs\"\n"
              "XDG_MUSIC_DIR=\"/srv/music\"\nXDG_VIDEOS_DIR=\"$HOMEX/no\"\n");
  }
  void TearDown() override {
    for (const auto& [name, value] : Saved) {
      if (value)
        setenv(name.c_str(), value->c_str(), 1);
      else
        unsetenv(name.c_str());
    }
    TTempFolderTest::TearDown();
  }
  std::string Store;
  std::map<std::string, std::optional<std::string>> Saved;
};

TEST_F(RegistryStoreTest, StoreFilesLiveInTheConfiguredFolder) {
  EXPECT_EQ(RegistryStoreFolder(), Store);
  EXPECT_EQ(RegistryStoreFile(rkLocalMachine), Store + "/HKEY_LOCAL_MACHINE");
  unsetenv("QNEXP_REGISTRY");
  EXPECT_EQ(RegistryStoreFolder(), Folder + "/config/qnexp/registry");
  unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(RegistryStoreFolder(), Folder + "/home/.config/qnexp/registry");
}

TEST_F(RegistryStoreTest, RootNamesAreExact) {
  for (int i = 0; i < RegRootKeyCount; ++i) {
    TRegRootKey root = rkClassesRoot;
    auto expected = static_cast<TRegRootKey>(i);
    EXPECT_TRUE(FindRegRootKey(RegRootKeyName(expected), root));
    EXPECT_EQ(root, expected);
  }
  TRegRootKey root = rkUsers;
  EXPECT_TRUE(FindRegRootKey("HKEY_CURRENT_CONFIG", root));
  EXPECT_EQ(root, rkCurrentConfig);
  for (const char* name :
       {"hkey_current_user", "HKEY_DYN_DATA", "HKEY_PERFORMANCE_DATA", "", "HKEY_USERS\\"})
    EXPECT_FALSE(FindRegRootKey(name, root)) << name;
}

TEST_F(RegistryStoreTest, SeedsTheExpectedKeysWithoutWriting) {
  const char* folders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
  auto text = [&](TRegRootKey root, const char* key, const char* name) {
    TRegValue value;
    EXPECT_TRUE(RegReadValue(root, key, name, value)) << name;
    EXPECT_EQ(value.Type, static_cast<uint32_t>(rvString));
    return RegValueText(value);
  };
  std::string home = Folder + "/home";
  EXPECT_EQ(text(rkCurrentUser, folders, "Personal"), home + "/Docs");
  EXPECT_EQ(text(rkCurrentUser, folders, "My Music"), "/srv/music");
  EXPECT_EQ(text(rkCurrentUser, folders, "My Video"), home + "/Videos");
  EXPECT_EQ(text(rkCurrentUser, folders, "Desktop"), home + "/Desktop");
  EXPECT_EQ(text(rkCurrentUser, folders, "AppData"), Folder + "/config");
  EXPECT_EQ(text(rkCurrentUser, folders, "Local AppData"), home + "/.local/share");
  EXPECT_EQ(text(rkCurrentUser, folders, "Cache"), home + "/.cache");
  const char* current = "\\Software\\Microsoft\\Windows\\CurrentVersion";
  EXPECT_EQ(text(rkLocalMachine, current, "ProgramFilesDir"), "/opt");
  EXPECT_EQ(text(rkLocalMachine, current, "CommonFilesDir"), "/usr/share");
  EXPECT_EQ(RegSubKeyNames(rkLocalMachine, ""), std::vector<std::string>{"Software"});
  EXPECT_TRUE(RegSubKeyNames(rkUsers, "").empty());
  EXPECT_FALSE(fs::exists(Store));
}

TEST_F(RegistryStoreTest, KeysAndValuesFollowTheNameRules) {
  EXPECT_TRUE(RegKeyExists(rkUsers, ""));
  EXPECT_TRUE(RegKeyExists(rkUsers, "\\"));
  EXPECT_FALSE(RegKeyExists(rkUsers, "Software"));
  EXPECT_TRUE(RegCreateKey(rkUsers, "Software\\\\Test\\Sub\\"));
  EXPECT_TRUE(RegKeyExists(rkUsers, "software\\TEST"));
  EXPECT_TRUE(RegKeyExists(rkUsers, "\\Software\\test\\SUB"));
  EXPECT_EQ(RegSubKeyNames(rkUsers, "Software\\Test"), std::vector<std::string>{"Sub"});
  EXPECT_TRUE(RegCreateKey(rkUsers, "SOFTWARE\\test\\Other"));
  EXPECT_EQ(RegSubKeyNames(rkUsers, "Software\\Test"), (std::vector<std::string>{"Sub", "Other"}));

  EXPECT_TRUE(RegWriteValue(rkUsers, "Software\\Test", "Name", RegStringValue("one")));
  EXPECT_TRUE(RegWriteValue(rkUsers, "Software\\Test", "", RegIntegerValue(7)));
  EXPECT_TRUE(RegWriteValue(rkUsers, "Software\\Test", "NAME", RegStringValue("two")));
  EXPECT_EQ(RegValueNames(rkUsers, "Software\\Test"), (std::vector<std::string>{"Name", ""}));
  TRegValue value;
  ASSERT_TRUE(RegReadValue(rkUsers, "software\\test", "name", value));
  EXPECT_EQ(RegValueText(value), "two");
  int32_t number = 0;
  ASSERT_TRUE(RegReadValue(rkUsers, "Software\\Test", "", value));
  EXPECT_TRUE(RegValueInteger(value, number));
  EXPECT_EQ(number, 7);

  EXPECT_FALSE(RegWriteValue(rkUsers, "Software\\Missing", "x", RegStringValue("y")));
  EXPECT_FALSE(RegKeyExists(rkUsers, "Software\\Missing"));
  EXPECT_FALSE(RegReadValue(rkUsers, "Software\\Test", "absent", value));
  EXPECT_FALSE(RegReadValue(rkUsers, "Software\\Missing", "x", value));

  EXPECT_TRUE(RegDeleteValue(rkUsers, "Software\\Test", "name"));
  EXPECT_FALSE(RegDeleteValue(rkUsers, "Software\\Test", "name"));
  EXPECT_FALSE(RegDeleteValue(rkUsers, "Software\\Missing", ""));
  EXPECT_EQ(RegValueNames(rkUsers, "Software\\Test"), std::vector<std::string>{""});

  EXPECT_FALSE(RegDeleteKey(rkUsers, ""));
  EXPECT_FALSE(RegDeleteKey(rkUsers, "Software\\Nope"));
  EXPECT_FALSE(RegDeleteKey(rkUsers, "Nope\\Test"));
  EXPECT_TRUE(RegDeleteKey(rkUsers, "software\\TEST"));
  EXPECT_FALSE(RegKeyExists(rkUsers, "Software\\Test\\Sub"));
  EXPECT_TRUE(RegKeyExists(rkUsers, "Software"));
  EXPECT_TRUE(RegValueNames(rkUsers, "Software\\Test").empty());
}

TEST_F(RegistryStoreTest, KeyDepthIsLimited) {
  std::string deepest;
  for (size_t i = 0; i < MaxRegKeyDepth; ++i) deepest += "k\\";
  EXPECT_TRUE(RegCreateKey(rkUsers, deepest));
  EXPECT_TRUE(RegKeyExists(rkUsers, deepest));
  EXPECT_FALSE(RegCreateKey(rkUsers, deepest + "one-more"));
  EXPECT_FALSE(RegKeyExists(rkUsers, deepest + "one-more"));
  std::string file = "QNEXP-REGISTRY 1\nK k";
  for (size_t i = 0; i < MaxRegKeyDepth; ++i) file += "\\k";
  WriteFile(RegistryStoreFile(rkUsers), file + "\n");
  EXPECT_FALSE(RegKeyExists(rkUsers, "k"));
}

TEST_F(RegistryStoreTest, TwoByteCharactersAreNeverSplitOrFolded) {
  // The second byte of this character is a backslash, and these two differ only in a second
  // byte that looks like a letter's case.
  std::string withBackslash = Res("琝");
  ASSERT_EQ(withBackslash[1], '\\');
  EXPECT_TRUE(RegCreateKey(rkCurrentConfig, "A\\" + withBackslash + "\\B"));
  EXPECT_EQ(RegSubKeyNames(rkCurrentConfig, "A"), std::vector<std::string>{withBackslash});
  EXPECT_TRUE(RegKeyExists(rkCurrentConfig, "A\\" + withBackslash + "\\B"));
  std::string upper = "\xB0\x41";
  std::string lower = "\xB0\x61";
  EXPECT_TRUE(RegCreateKey(rkCurrentConfig, upper));
  EXPECT_FALSE(RegKeyExists(rkCurrentConfig, lower));
}

TEST_F(RegistryStoreTest, EveryByteSurvivesTheFile) {
  std::string keyName;
  std::string valueName;
  std::string data;
  for (int b = 0; b < 256; ++b) {
    if (b != 0 && b != '\\' && b < 0xA0) keyName += static_cast<char>(b);
    valueName += static_cast<char>(b);
    data += static_cast<char>(b);
  }
  ASSERT_TRUE(RegCreateKey(rkClassesRoot, "Top\\" + keyName));
  ASSERT_TRUE(
      RegWriteValue(rkClassesRoot, "Top\\" + keyName, valueName, TRegValue{0xFFFFFFFFu, data}));
  ASSERT_TRUE(RegWriteValue(rkClassesRoot, "Top", "empty", TRegValue{rvBinary, ""}));
  ASSERT_TRUE(RegWriteValue(rkClassesRoot, "", "at root", RegStringValue("r")));

  // A copy in another folder is read from scratch.
  std::string other = Folder + "/copy";
  fs::create_directories(other);
  fs::copy_file(RegistryStoreFile(rkClassesRoot), other + "/HKEY_CLASSES_ROOT");
  setenv("QNEXP_REGISTRY", other.c_str(), 1);
  EXPECT_EQ(RegSubKeyNames(rkClassesRoot, "Top"), std::vector<std::string>{keyName});
  EXPECT_EQ(RegValueNames(rkClassesRoot, "Top\\" + keyName), std::vector<std::string>{valueName});
  TRegValue value;
  ASSERT_TRUE(RegReadValue(rkClassesRoot, "Top\\" + keyName, valueName, value));
  EXPECT_EQ(value.Type, 0xFFFFFFFFu);
  EXPECT_EQ(value.Data, data);
  ASSERT_TRUE(RegReadValue(rkClassesRoot, "Top", "empty", value));
  EXPECT_EQ(value.Type, static_cast<uint32_t>(rvBinary));
  EXPECT_EQ(value.Data, "");
  ASSERT_TRUE(RegReadValue(rkClassesRoot, "\\", "AT ROOT", value));
  EXPECT_EQ(RegValueText(value), "r");
}

TEST_F(RegistryStoreTest, DamagedFilesReadAsEmptyAndAreKeptAside) {
  fs::create_directories(Store);
  std::string file = RegistryStoreFile(rkCurrentUser);
  std::string good;
  {
    ASSERT_TRUE(RegCreateKey(rkUsers, "Good\\Key"));
    ASSERT_TRUE(RegWriteValue(rkUsers, "Good\\Key", "v", RegStringValue("abc")));
    good = ReadFile(RegistryStoreFile(rkUsers));
  }
  const std::string damaged[] = {
      "garbage",
      "",
      good.substr(0, good.size() - 2),  // hex data of odd length
      good + "V 1 orphan%ZZ 00\n",      // bad escape
      good + "X what\n",                // unknown line
      good + "V 99999999999 n 00\n",    // type beyond 32 bits
      "QNEXP-REGISTRY 1\nV 1 v 00\n",   // value before any key
      "QNEXP-REGISTRY 1\nK a\\\\b\n",   // empty key name
      std::string("QNEXP-REGISTRY 1\nK a\0b\n", 23),
  };
  for (const std::string& content : damaged) {
    WriteFile(file, content);
    EXPECT_FALSE(RegKeyExists(rkCurrentUser, "Software")) << content;
    EXPECT_TRUE(RegSubKeyNames(rkCurrentUser, "").empty()) << content;
    EXPECT_EQ(ReadFile(file), content);
  }
  WriteFile(file, "garbage");
  EXPECT_TRUE(RegKeyExists(rkCurrentUser, ""));
  EXPECT_EQ(ReadFile(file), "garbage");
  ASSERT_TRUE(RegCreateKey(rkCurrentUser, "New"));
  EXPECT_EQ(ReadFile(file + ".corrupt"), "garbage");
  EXPECT_EQ(RegSubKeyNames(rkCurrentUser, ""), std::vector<std::string>{"New"});
  EXPECT_EQ(ReadFile(file).substr(0, 17), "QNEXP-REGISTRY 1\n");
}

TEST_F(RegistryStoreTest, ChangesOfOtherWritersAreSeen) {
  ASSERT_TRUE(RegCreateKey(rkUsers, "Mine"));
  EXPECT_TRUE(RegKeyExists(rkUsers, "Mine"));
  WriteFile(RegistryStoreFile(rkUsers),
            "QNEXP-REGISTRY 1\r\nK \r\nK Theirs\\Deeper\r\nV 4 n 2A000000\r\n");
  EXPECT_FALSE(RegKeyExists(rkUsers, "Mine"));
  TRegValue value;
  int32_t number = 0;
  ASSERT_TRUE(RegReadValue(rkUsers, "Theirs\\Deeper", "N", value));
  EXPECT_TRUE(RegValueInteger(value, number));
  EXPECT_EQ(number, 42);
  fs::remove(RegistryStoreFile(rkUsers));
  EXPECT_FALSE(RegKeyExists(rkUsers, "Theirs"));
}

TEST_F(RegistryStoreTest, SavingLeavesNoTemporaryFiles) {
  for (int i = 0; i < 5; ++i) {
    ASSERT_TRUE(RegCreateKey(rkLocalMachine, "K" + std::to_string(i)));
    ASSERT_TRUE(RegWriteValue(rkLocalMachine, "K0", "n", RegIntegerValue(i)));
  }
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(Store)) names.push_back(entry.path().filename());
  EXPECT_EQ(names, std::vector<std::string>{"HKEY_LOCAL_MACHINE"});
  // The seeded keys were written along with the first change.
  EXPECT_NE(ReadFile(RegistryStoreFile(rkLocalMachine)).find("ProgramFilesDir"), std::string::npos);
}

TEST_F(RegistryStoreTest, UnwritableStoreReportsFailure) {
  WriteFile(Folder + "/plain", "x");
  setenv("QNEXP_REGISTRY", (Folder + "/plain/sub").c_str(), 1);
  EXPECT_FALSE(RegCreateKey(rkUsers, "A"));
  EXPECT_FALSE(RegKeyExists(rkUsers, "A"));
  EXPECT_FALSE(RegWriteValue(rkLocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion", "x",
                             RegStringValue("y")));
  TRegValue value;
  EXPECT_FALSE(
      RegReadValue(rkLocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion", "x", value));
  EXPECT_TRUE(RegReadValue(rkLocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion",
                           "CommonFilesDir", value));
}

TEST(RegistryValues, EncodeAndDecode) {
  using namespace std::string_literals;
  EXPECT_EQ(RegStringValue("ab").Data, "ab\0"s);
  EXPECT_EQ(RegStringValue("ab").Type, static_cast<uint32_t>(rvString));
  EXPECT_EQ(RegStringValue("%x%", rvExpandString).Type, static_cast<uint32_t>(rvExpandString));
  EXPECT_EQ(RegIntegerValue(-2).Data, "\xFE\xFF\xFF\xFF"s);
  EXPECT_EQ(RegMultiStringValue({"a", "", "b"}).Data, "a\0\0b\0\0"s);
  EXPECT_EQ(RegMultiStringValue({}).Data, "\0"s);
  EXPECT_EQ(RegBinaryValue("\0\1"s).Data, "\0\1"s);

  EXPECT_EQ(RegValueText({rvBinary, "ab\0cd"s}), "ab");
  EXPECT_EQ(RegValueText({rvInteger, ""}), "");

  struct {
    TRegValue Value;
    bool Ok;
    int32_t Number;
  } integers[] = {{RegIntegerValue(INT32_MIN), true, INT32_MIN},
                  {{rvIntegerBigEndian, "\0\0\1\0"s}, true, 256},
                  {{rvInteger, "\1\0\0"s}, false, 0},
                  {{rvInteger, "\1\0\0\0\0"s}, false, 0},
                  {RegStringValue("123"), false, 0}};
  for (const auto& c : integers) {
    int32_t number = 0;
    EXPECT_EQ(RegValueInteger(c.Value, number), c.Ok);
    EXPECT_EQ(number, c.Number);
  }

  using Texts = std::vector<std::string>;
  EXPECT_EQ(RegValueTexts(RegMultiStringValue({"a", "", "b"})), (Texts{"a", "", "b"}));
  EXPECT_EQ(RegValueTexts({rvMultiString, ""}), Texts{});
  EXPECT_EQ(RegValueTexts({rvMultiString, "\0\0"s}), Texts{});
  EXPECT_EQ(RegValueTexts({rvMultiString, "a"}), Texts{"a"});
  EXPECT_EQ(RegValueTexts({rvMultiString, "\0a\0"s}), (Texts{"", "a"}));
}

}  // namespace
}  // namespace qnexp
