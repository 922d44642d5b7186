// The registry class: a handle on the registry store with a current root key, a current key
// and an access mask, opened by full key paths that may begin with a root key's name.
// Texts are GBK. Single-threaded.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/Exception.h"
#include "runtime/Object.h"

namespace qnexp {

class TStringList;
class TVariant;

// The predefined root key numbers, in the order of their names: "HKEY_CLASSES_ROOT" is
// 0x80000000, then "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "HKEY_USERS",
// "HKEY_PERFORMANCE_DATA", "HKEY_CURRENT_CONFIG", "HKEY_DYN_DATA" (0x80000006).
inline constexpr uint32_t RegRootKeyFirst = 0x80000000u;
inline constexpr int RegRootKeyNameCount = 7;
inline constexpr uint32_t HkeyCurrentUser = RegRootKeyFirst + 1;

// The access masks: everything, reading and writing, reading only.
inline constexpr uint32_t KeyAllAccess = 0xF003F;
inline constexpr uint32_t KeyReadWrite = 0x2001F;
inline constexpr uint32_t KeyRead = 0x20019;

// A failed write: "Failed to set data for '%s'" with the value name.
class ERegistryException : public Exception {
public:
  explicit ERegistryException(std::string message) : Exception(std::move(message)) {}
};

// The root key number of a name, compared case-sensitively; false for any other name.
bool RegRootKeyOfName(std::string_view name, uint32_t& rootKey);

// A registry handle. It starts on HKEY_CURRENT_USER with no key open and full access.
// HKEY_PERFORMANCE_DATA and HKEY_DYN_DATA have no keys on this system: nothing opens under them.
class TRegistry : public TObject {
  QN_CLASS(TRegistry, TObject)
public:
  TRegistry() = default;

  uint32_t RootKey() const { return Root; }
  // Selects a root key by number and closes the current key; an unknown number is ignored.
  void SetRootKey(uint32_t rootKey);
  // Selects the root key by one of the seven names; an unknown name leaves the root unchanged.
  void SetRootKey(std::string_view name);
  uint32_t Access() const { return AccessMask; }
  // The path of the open key below its root; empty when none is open.
  const std::string& CurrentPath() const { return Path; }
  bool HasCurrentKey() const { return KeyOpen; }

  // Sets the access mask (KeyReadWrite when canCreate, else KeyRead), then opens key: a key
  // starting with "HKEY_" selects its first "\"-separated field as root (SetRootKey by name)
  // and opens the rest after the first "\"; any other key is opened below the current root.
  // Creates the key (and the keys above it) when canCreate. Returns whether the key is open;
  // on failure the key open before stays open.
  bool OpenKey(std::string_view key, bool canCreate);
  // The same path handling, opening for reading (KeyRead) without creating.
  bool OpenKeyReadOnly(std::string_view key);
  void CloseKey();

  // The value's data of any type taken as text up to its first zero byte; empty when no key is
  // open, the value is absent or it has no data.
  std::string ReadString(std::string_view name);
  // Writes a string value into the open key. Raises ERegistryException when no key is open,
  // the key was opened for reading, or the store cannot be written.
  void WriteString(std::string_view name, std::string_view value);
  // The 32-bit integer of an integer value; raises ERegistryException "Invalid data type for
  // '%s'" when the value is absent or of another type.
  int32_t ReadInteger(std::string_view name);
  void WriteInteger(std::string_view name, int32_t value);
  // Reads the value as the caller names its registry type: 1 and 2 as text, 4 and 5 as an
  // integer (little- and big-endian; data of another size is cut or padded with zero bytes to
  // four), 7 as an array of texts (trailing zero bytes dropped, split at zero bytes), any other
  // type as an array of bytes. Null when no key is open or the value is absent.
  TVariant ReadVariant(std::string_view name, uint32_t type);

  // True when the open key has neither subkeys nor values (also when no key is open).
  bool IsEmpty();
  bool ValueExists(std::string_view name);
  // Whether a key exists, by the path rules of OpenKey; the root and the open key stay.
  bool KeyExists(std::string_view key);
  // Deletes a value of the open key; false when absent or not writable.
  bool DeleteValue(std::string_view name);
  // Deletes a key below the current root (by the path rules of OpenKey) with everything in it.
  bool DeleteKey(std::string_view key);
  // Clears names and fills it with the subkey names, or the value names, of the open key.
  void GetKeyNames(TStringList& names);
  void GetValueNames(TStringList& names);

private:
  // The path a key text names below root, by the rules of OpenKey; a leading root name
  // replaces root.
  static std::string ResolvePath(std::string_view key, uint32_t& root);
  bool Writable() const { return KeyOpen && (AccessMask & 0x2) != 0; }

  uint32_t Root = HkeyCurrentUser;
  uint32_t AccessMask = KeyAllAccess;
  std::string Path;
  bool KeyOpen = false;
};

}  // namespace qnexp
