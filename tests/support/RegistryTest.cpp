// The registry class: root keys by name, full key paths, access masks, reading texts of any
// value type, variants by the caller's type, and emptiness. The store lives in a temporary
// folder for each test.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <optional>

#include "platform/RegistryStore.h"
#include "runtime/StringList.h"
#include "runtime/Variant.h"
#include "support/Registry.h"
#include "TempFolder.h"

using namespace qnexp;
namespace fs = std::filesystem;

namespace {

class RegistryTest : public qnexp::testing::TTempFolderTest {
protected:
  void SetUp() override {
    TTempFolderTest::SetUp();
    const char* saved = getenv("QNEXP_REGISTRY");
    Saved = saved ? std::optional<std::string>(saved) : std::nullopt;
    setenv("QNEXP_REGISTRY", Folder.c_str(), 1);
  }
  void TearDown() override {
    if (Saved)
      setenv("QNEXP_REGISTRY", Saved->c_str(), 1);
    else
      unsetenv("QNEXP_REGISTRY");
    TTempFolderTest::TearDown();
  }
  std::optional<std::string> Saved;
};

}  // namespace

TEST_F(RegistryTest, RootKeyNamesAreExactAndNumbered) {
  const char* names[] = {"HKEY_CLASSES_ROOT",     "HKEY_CURRENT_USER",   "HKEY_LOCAL_MACHINE",
                         "HKEY_USERS",            "HKEY_PERFORMANCE_DATA", "HKEY_CURRENT_CONFIG",
                         "HKEY_DYN_DATA"};
  for (uint32_t i = 0; i < 7; ++i) {
    uint32_t root = 0;
    EXPECT_TRUE(RegRootKeyOfName(names[i], root)) << names[i];
    EXPECT_EQ(root, 0x80000000u + i) << names[i];
  }
  uint32_t root = 7;
  EXPECT_FALSE(RegRootKeyOfName("hkey_current_user", root));
  EXPECT_FALSE(RegRootKeyOfName("HKEY_CURRENT_USERS", root));
  EXPECT_EQ(root, 7u);

  TRegistry registry;
  EXPECT_EQ(registry.RootKey(), 0x80000001u);
  registry.SetRootKey("HKEY_USERS");
  EXPECT_EQ(registry.RootKey(), 0x80000003u);
  registry.SetRootKey("HKEY_NOWHERE");
  EXPECT_EQ(registry.RootKey(), 0x80000003u);
}

TEST_F(RegistryTest, FullPathsSelectTheirRootWhateverItWas) {
  ASSERT_TRUE(RegCreateKey(rkCurrentUser, "Software\\X"));
  ASSERT_TRUE(RegWriteValue(rkCurrentUser, "Software\\X", "Y", RegStringValue("user")));
  ASSERT_TRUE(RegCreateKey(rkLocalMachine, "Software\\X"));
  ASSERT_TRUE(RegWriteValue(rkLocalMachine, "Software\\X", "Y", RegStringValue("machine")));

  TRegistry registry;
  registry.SetRootKey("HKEY_LOCAL_MACHINE");
  ASSERT_TRUE(registry.OpenKey("HKEY_CURRENT_USER\\Software\\X", false));
  EXPECT_EQ(registry.RootKey(), 0x80000001u);
  EXPECT_EQ(registry.CurrentPath(), "Software\\X");
  EXPECT_EQ(registry.ReadString("y"), "user");

  ASSERT_TRUE(registry.OpenKeyReadOnly("HKEY_LOCAL_MACHINE\\Software\\X"));
  EXPECT_EQ(registry.ReadString("Y"), "machine");
  // A relative path opens below the current root, not below the open key.
  ASSERT_TRUE(registry.OpenKey("Software\\X", false));
  EXPECT_EQ(registry.ReadString("Y"), "machine");
  ASSERT_TRUE(registry.OpenKey("\\Software\\X", false));
  EXPECT_EQ(registry.ReadString("Y"), "machine");

  // An unknown root name keeps the root and opens the rest below it.
  ASSERT_TRUE(registry.OpenKey("HKEY_BOGUS\\Software\\X", false));
  EXPECT_EQ(registry.RootKey(), 0x80000002u);
  EXPECT_EQ(registry.ReadString("Y"), "machine");
  // A root name alone opens the root key itself.
  ASSERT_TRUE(registry.OpenKey("HKEY_LOCAL_MACHINE", false));
  EXPECT_EQ(registry.CurrentPath(), "");
}

TEST_F(RegistryTest, OpeningSetsTheAccessMaskAndCreatesOnlyWhenAsked) {
  TRegistry registry;
  EXPECT_EQ(registry.Access(), 0xF003Fu);
  EXPECT_FALSE(registry.OpenKey("Software\\New\\Deep", false));
  EXPECT_EQ(registry.Access(), 0x20019u);
  EXPECT_FALSE(registry.HasCurrentKey());
  EXPECT_FALSE(RegKeyExists(rkCurrentUser, "Software\\New"));

  ASSERT_TRUE(registry.OpenKey("Software\\New\\Deep", true));
  EXPECT_EQ(registry.Access(), 0x2001Fu);
  EXPECT_TRUE(RegKeyExists(rkCurrentUser, "Software\\New\\Deep"));
  registry.WriteString("Name", "value");
  registry.WriteInteger("Count", -3);
  EXPECT_EQ(registry.ReadString("name"), "value");
  EXPECT_EQ(registry.ReadInteger("COUNT"), -3);

  // A failed open keeps the key that was open.
  EXPECT_FALSE(registry.OpenKey("Software\\Absent", false));
  EXPECT_EQ(registry.CurrentPath(), "Software\\New\\Deep");

  // Opened for reading, the key refuses writes.
  ASSERT_TRUE(registry.OpenKeyReadOnly("Software\\New\\Deep"));
  try {
    registry.WriteString("Name", "other");
    ADD_FAILURE() << "a read-only key took a write";
  } catch (const ERegistryException& e) {
    EXPECT_EQ(e.Message, "Failed to set data for 'Name'");
  }
  EXPECT_FALSE(registry.DeleteValue("Name"));
  EXPECT_EQ(registry.ReadString("Name"), "value");
  EXPECT_THROW(registry.ReadInteger("Name"), ERegistryException);
  EXPECT_THROW(registry.ReadInteger("Absent"), ERegistryException);
}

TEST_F(RegistryTest, RootsWithoutStoreOpenNothing) {
  TRegistry registry;
  for (const char* key : {"HKEY_PERFORMANCE_DATA\\x", "HKEY_DYN_DATA"}) {
    EXPECT_FALSE(registry.OpenKey(key, true)) << key;
    EXPECT_FALSE(registry.KeyExists(key)) << key;
  }
  EXPECT_EQ(registry.ReadString("x"), "");
  EXPECT_THROW(registry.WriteString("x", "y"), ERegistryException);
  EXPECT_TRUE(fs::is_empty(Folder));
}

TEST_F(RegistryTest, ReadStringTakesAnyTypeUpToTheFirstZeroByte) {
  ASSERT_TRUE(RegCreateKey(rkCurrentUser, "K"));
  RegWriteValue(rkCurrentUser, "K", "bin", RegBinaryValue(std::string("ab\0cd", 5)));
  RegWriteValue(rkCurrentUser, "K", "multi", RegMultiStringValue({"one", "two"}));
  RegWriteValue(rkCurrentUser, "K", "int", RegIntegerValue(0x41));
  RegWriteValue(rkCurrentUser, "K", "empty", RegBinaryValue(""));
  TRegistry registry;
  ASSERT_TRUE(registry.OpenKeyReadOnly("K"));
  EXPECT_EQ(registry.ReadString("bin"), "ab");
  EXPECT_EQ(registry.ReadString("multi"), "one");
  EXPECT_EQ(registry.ReadString("int"), "A");
  EXPECT_EQ(registry.ReadString("empty"), "");
  EXPECT_EQ(registry.ReadString("absent"), "");
  EXPECT_TRUE(registry.ValueExists("EMPTY"));
  EXPECT_FALSE(registry.ValueExists("absent"));
}

TEST_F(RegistryTest, VariantsFollowTheTypeTheCallerNames) {
  ASSERT_TRUE(RegCreateKey(rkCurrentUser, "V"));
  RegWriteValue(rkCurrentUser, "V", "s", RegStringValue("text"));
  RegWriteValue(rkCurrentUser, "V", "i", RegIntegerValue(258));
  RegWriteValue(rkCurrentUser, "V", "m", RegMultiStringValue({"a", "", "bc"}));
  RegWriteValue(rkCurrentUser, "V", "b", RegBinaryValue(std::string("\x01\xFF", 2)));
  TRegistry registry;
  ASSERT_TRUE(registry.OpenKeyReadOnly("V"));

  EXPECT_EQ(registry.ReadVariant("s", 1).AsString(), "text");
  EXPECT_EQ(registry.ReadVariant("s", 2).AsString(), "text");
  EXPECT_EQ(registry.ReadVariant("i", 4).AsInteger(), 258);
  EXPECT_EQ(registry.ReadVariant("i", 5).AsInteger(), 0x02010000);
  // Data of another size is padded to four bytes.
  EXPECT_EQ(registry.ReadVariant("b", 4).AsInteger(), 0xFF01);

  TVariant texts = registry.ReadVariant("m", 7);
  ASSERT_TRUE(texts.IsArray());
  ASSERT_EQ(texts.ArrayData().Elements.size(), 3u);
  EXPECT_EQ(texts.Element(0).AsString(), "a");
  EXPECT_EQ(texts.Element(1).AsString(), "");
  EXPECT_EQ(texts.Element(2).AsString(), "bc");

  TVariant bytes = registry.ReadVariant("b", 3);
  ASSERT_TRUE(bytes.IsArray());
  EXPECT_EQ(bytes.ArrayData().ElementType, varByte);
  ASSERT_EQ(bytes.ArrayData().Elements.size(), 2u);
  EXPECT_EQ(bytes.Element(1).AsInteger(), 255);
  EXPECT_EQ(registry.ReadVariant("s", 0).ArrayData().Elements.size(), 5u) << "text and its zero";

  EXPECT_TRUE(registry.ReadVariant("absent", 1).IsNull());
  registry.CloseKey();
  EXPECT_TRUE(registry.ReadVariant("s", 1).IsNull());
}

TEST_F(RegistryTest, EmptinessAndNames) {
  TRegistry registry;
  ASSERT_TRUE(registry.OpenKey("E", true));
  EXPECT_TRUE(registry.IsEmpty());
  ASSERT_TRUE(RegCreateKey(rkCurrentUser, "E\\Sub"));
  EXPECT_FALSE(registry.IsEmpty());
  TStringList names;
  registry.GetKeyNames(names);
  ASSERT_EQ(names.Count(), 1);
  EXPECT_EQ(names.Get(0), "Sub");

  ASSERT_TRUE(registry.OpenKey("E\\Sub", true));
  EXPECT_TRUE(registry.IsEmpty());
  registry.WriteString("v", "1");
  EXPECT_FALSE(registry.IsEmpty());
  registry.GetValueNames(names);
  ASSERT_EQ(names.Count(), 1);
  EXPECT_EQ(names.Get(0), "v");
  EXPECT_TRUE(registry.DeleteValue("v"));
  EXPECT_TRUE(registry.IsEmpty());

  EXPECT_TRUE(registry.KeyExists("HKEY_CURRENT_USER\\E\\Sub"));
  EXPECT_TRUE(registry.DeleteKey("E"));
  EXPECT_FALSE(registry.KeyExists("E"));
}
