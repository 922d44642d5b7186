// The registry store: trees of keys holding typed values, one tree per root key, each kept in a
// file of its own. It stands in for the Windows registry; texts are GBK. Single-threaded use.
//
// The files live in $QNEXP_REGISTRY, else ${XDG_CONFIG_HOME:-$HOME/.config}/qnexp/registry.
// Every change rewrites its file atomically (temporary file in the same folder, fsync, rename),
// so a crash never leaves a half-written store. A file that cannot be read as a store reads as
// an empty tree and stays untouched until the next change, which first moves it aside to
// "<file>.corrupt". Changes made by another process are seen on the next call.
//
// Key paths are GBK texts with backslashes between the key names; empty names (leading,
// trailing or doubled backslashes) are ignored, so "" and "\" name the root key itself. Key
// names and value names compare without regard to the case of a to z. The empty value name is
// the key's default value.
//
// Seeding: while a root's file does not exist yet, its tree holds the keys the system expects
// to find. HKEY_CURRENT_USER has "Software\Microsoft\Windows\CurrentVersion\Explorer\Shell
// Folders" with the user's XDG folders; HKEY_LOCAL_MACHINE has
// "Software\Microsoft\Windows\CurrentVersion" with "ProgramFilesDir" = "/opt" and
// "CommonFilesDir" = "/usr/share". The first change writes them to the file with the change.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qnexp {

// The deepest key the store holds (as many levels as the Windows registry allows): creating a
// deeper key fails, and a store file with a deeper key reads as damaged. Bounds the recursion
// of saving and freeing a tree.
inline constexpr size_t MaxRegKeyDepth = 512;

// The root keys that have a store.
enum TRegRootKey : uint8_t {
  rkClassesRoot,
  rkCurrentUser,
  rkLocalMachine,
  rkUsers,
  rkCurrentConfig
};
inline constexpr int RegRootKeyCount = 5;

// The value types, numbered as in the Windows registry. The store keeps any type number.
enum TRegValueType : uint32_t {
  rvNone = 0,
  rvString = 1,
  rvExpandString = 2,
  rvBinary = 3,
  rvInteger = 4,
  rvIntegerBigEndian = 5,
  rvMultiString = 7,
};

// One value: its type and its raw bytes.
struct TRegValue {
  uint32_t Type = rvNone;
  std::string Data;
};

// The name of a root key, such as "HKEY_CURRENT_USER".
const char* RegRootKeyName(TRegRootKey root);

// Finds the root key named exactly (case-sensitively) name. False for any other name, also for
// the root names that have no store (HKEY_PERFORMANCE_DATA, HKEY_DYN_DATA).
bool FindRegRootKey(std::string_view name, TRegRootKey& root);

// The folder of the store files, and the file of one root (operating-system paths, UTF-8).
std::string RegistryStoreFolder();
std::string RegistryStoreFile(TRegRootKey root);

// True when the key exists (the root key always does).
bool RegKeyExists(TRegRootKey root, std::string_view keyPath);

// Creates the key and any missing key above it. True when the key exists afterwards; false
// when the path is deeper than MaxRegKeyDepth or the store could not be written.
bool RegCreateKey(TRegRootKey root, std::string_view keyPath);

// Deletes the key with all its subkeys and values. False when the key does not exist, when it
// is the root key itself, or when the store could not be written.
bool RegDeleteKey(TRegRootKey root, std::string_view keyPath);

// The names of the key's subkeys and of its values, in creation order; empty when the key does
// not exist.
std::vector<std::string> RegSubKeyNames(TRegRootKey root, std::string_view keyPath);
std::vector<std::string> RegValueNames(TRegRootKey root, std::string_view keyPath);

// Reads a value. False (value untouched) when the key or the value does not exist.
bool RegReadValue(TRegRootKey root, std::string_view keyPath, std::string_view name,
                  TRegValue& value);

// Writes a value, replacing one of the same name (the stored name keeps its first spelling).
// False when the key does not exist or the store could not be written.
bool RegWriteValue(TRegRootKey root, std::string_view keyPath, std::string_view name,
                   const TRegValue& value);

// Deletes a value. False when the key or the value does not exist or the store could not be
// written.
bool RegDeleteValue(TRegRootKey root, std::string_view keyPath, std::string_view name);

// Values of the usual types: a text with its terminating zero byte (type rvString or
// rvExpandString as given), a 32-bit integer in four little-endian bytes, texts each ended by
// a zero byte with one more zero byte at the end, and raw bytes.
TRegValue RegStringValue(std::string_view text, uint32_t type = rvString);
TRegValue RegIntegerValue(int32_t number);
TRegValue RegMultiStringValue(const std::vector<std::string>& texts);
TRegValue RegBinaryValue(std::string_view bytes);

// The value's bytes up to the first zero byte, whatever its type.
std::string RegValueText(const TRegValue& value);

// The 32-bit integer of a value of type rvInteger (little-endian) or rvIntegerBigEndian; false
// for other types or when the value does not hold exactly four bytes.
bool RegValueInteger(const TRegValue& value, int32_t& number);

// The texts of a multi-string value: trailing zero bytes dropped, the rest split at zero bytes.
std::vector<std::string> RegValueTexts(const TRegValue& value);

}  // namespace qnexp
