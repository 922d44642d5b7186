// The registry class over the registry store.
#include "support/Registry.h"

#include "platform/RegistryStore.h"
#include "runtime/Format.h"
#include "runtime/GbkChars.h"
#include "runtime/StringList.h"
#include "runtime/Variant.h"

namespace qnexp {

namespace {

constexpr const char* RootKeyNames[RegRootKeyNameCount] = {
    "HKEY_CLASSES_ROOT",     "HKEY_CURRENT_USER",   "HKEY_LOCAL_MACHINE", "HKEY_USERS",
    "HKEY_PERFORMANCE_DATA", "HKEY_CURRENT_CONFIG", "HKEY_DYN_DATA"};

// The store of a root key number; false for the roots that have none.
bool StoreOf(uint32_t rootKey, TRegRootKey& store) {
  switch (rootKey - RegRootKeyFirst) {
    case 0:
      store = rkClassesRoot;
      return true;
    case 1:
      store = rkCurrentUser;
      return true;
    case 2:
      store = rkLocalMachine;
      return true;
    case 3:
      store = rkUsers;
      return true;
    case 5:
      store = rkCurrentConfig;
      return true;
    default:
      return false;
  }
}

[[noreturn]] void RaiseSetDataFailed(std::string_view name) {
  throw ERegistryException(Format("Failed to set data for '%s'", {name}));
}

}  // namespace

bool RegRootKeyOfName(std::string_view name, uint32_t& rootKey) {
  for (int i = 0; i < RegRootKeyNameCount; ++i) {
    if (name == RootKeyNames[i]) {
      rootKey = RegRootKeyFirst + static_cast<uint32_t>(i);
      return true;
    }
  }
  return false;
}

void TRegistry::SetRootKey(uint32_t rootKey) {
  if (rootKey < RegRootKeyFirst || rootKey >= RegRootKeyFirst + RegRootKeyNameCount) return;
  if (rootKey != Root) CloseKey();
  Root = rootKey;
}

void TRegistry::SetRootKey(std::string_view name) {
  uint32_t rootKey;
  if (RegRootKeyOfName(name, rootKey)) SetRootKey(rootKey);
}

std::string TRegistry::ResolvePath(std::string_view key, uint32_t& root) {
  if (key.substr(0, 5) != "HKEY_") return std::string(key);
  size_t backslash = FindChar(key, '\\');
  RegRootKeyOfName(key.substr(0, backslash), root);
  return backslash == std::string_view::npos ? std::string() : std::string(key.substr(backslash + 1));
}

bool TRegistry::OpenKey(std::string_view key, bool canCreate) {
  AccessMask = canCreate ? KeyReadWrite : KeyRead;
  uint32_t root = Root;
  std::string path = ResolvePath(key, root);
  SetRootKey(root);
  TRegRootKey store;
  if (!StoreOf(Root, store)) return false;
  bool opened = canCreate ? RegCreateKey(store, path) : RegKeyExists(store, path);
  if (opened) {
    Path = std::move(path);
    KeyOpen = true;
  }
  return opened;
}

bool TRegistry::OpenKeyReadOnly(std::string_view key) { return OpenKey(key, false); }

void TRegistry::CloseKey() {
  Path.clear();
  KeyOpen = false;
}

std::string TRegistry::ReadString(std::string_view name) {
  TRegRootKey store;
  TRegValue value;
  if (!KeyOpen || !StoreOf(Root, store) || !RegReadValue(store, Path, name, value)) return {};
  return RegValueText(value);
}

void TRegistry::WriteString(std::string_view name, std::string_view value) {
  TRegRootKey store;
  if (!Writable() || !StoreOf(Root, store) ||
      !RegWriteValue(store, Path, name, RegStringValue(value)))
    RaiseSetDataFailed(name);
}

int32_t TRegistry::ReadInteger(std::string_view name) {
  TRegRootKey store;
  TRegValue value;
  int32_t number = 0;
  if (!KeyOpen || !StoreOf(Root, store) || !RegReadValue(store, Path, name, value) ||
      !RegValueInteger(value, number))
    throw ERegistryException(Format("Invalid data type for '%s'", {name}));
  return number;
}

void TRegistry::WriteInteger(std::string_view name, int32_t value) {
  TRegRootKey store;
  if (!Writable() || !StoreOf(Root, store) ||
      !RegWriteValue(store, Path, name, RegIntegerValue(value)))
    RaiseSetDataFailed(name);
}

TVariant TRegistry::ReadVariant(std::string_view name, uint32_t type) {
  TRegRootKey store;
  TRegValue value;
  if (!KeyOpen || !StoreOf(Root, store) || !RegReadValue(store, Path, name, value))
    return TVariant::Null();
  switch (type) {
    case rvString:
    case rvExpandString:
      return TVariant(RegValueText(value));
    case rvInteger:
    case rvIntegerBigEndian: {
      TRegValue word{type, value.Data};
      word.Data.resize(4, '\0');
      int32_t number = 0;
      RegValueInteger(word, number);
      return TVariant(number);
    }
    case rvMultiString: {
      std::vector<std::string> texts = RegValueTexts(value);
      TVariant array = TVariant::Array(0, static_cast<int32_t>(texts.size()) - 1, varVariant);
      for (size_t i = 0; i < texts.size(); ++i)
        array.Element(static_cast<int32_t>(i)) = TVariant(texts[i]);
      return array;
    }
    default: {
      TVariant array = TVariant::Array(0, static_cast<int32_t>(value.Data.size()) - 1, varByte);
      for (size_t i = 0; i < value.Data.size(); ++i)
        array.Element(static_cast<int32_t>(i)) =
            TVariant::FromByte(static_cast<uint8_t>(value.Data[i]));
      return array;
    }
  }
}

bool TRegistry::IsEmpty() {
  TRegRootKey store;
  if (!KeyOpen || !StoreOf(Root, store)) return true;
  return RegSubKeyNames(store, Path).empty() && RegValueNames(store, Path).empty();
}

bool TRegistry::ValueExists(std::string_view name) {
  TRegRootKey store;
  TRegValue value;
  return KeyOpen && StoreOf(Root, store) && RegReadValue(store, Path, name, value);
}

bool TRegistry::KeyExists(std::string_view key) {
  uint32_t root = Root;
  std::string path = ResolvePath(key, root);
  TRegRootKey store;
  return StoreOf(root, store) && RegKeyExists(store, path);
}

bool TRegistry::DeleteValue(std::string_view name) {
  TRegRootKey store;
  return Writable() && StoreOf(Root, store) && RegDeleteValue(store, Path, name);
}

bool TRegistry::DeleteKey(std::string_view key) {
  uint32_t root = Root;
  std::string path = ResolvePath(key, root);
  TRegRootKey store;
  return StoreOf(root, store) && RegDeleteKey(store, path);
}

void TRegistry::GetKeyNames(TStringList& names) {
  names.Clear();
  TRegRootKey store;
  if (!KeyOpen || !StoreOf(Root, store)) return;
  for (const std::string& name : RegSubKeyNames(store, Path)) names.Add(name);
}

void TRegistry::GetValueNames(TStringList& names) {
  names.Clear();
  TRegRootKey store;
  if (!KeyOpen || !StoreOf(Root, store)) return;
  for (const std::string& name : RegValueNames(store, Path)) names.Add(name);
}

}  // namespace qnexp
