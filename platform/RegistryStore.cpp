// The registry store: key trees in memory, their file format, atomic saving and first-use seeding.
#include "platform/RegistryStore.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>

#include "platform/OsText.h"
#include "runtime/GbkChars.h"

namespace qnexp {

namespace {

// ---------------------------------------------------------------------------------------------
// The tree.

struct TNamedValue {
  std::string Name;
  TRegValue Value;
};

struct TKeyNode {
  std::string Name;
  std::vector<TNamedValue> Values;
  std::vector<std::unique_ptr<TKeyNode>> SubKeys;

  TKeyNode* FindSubKey(std::string_view name) const {
    for (const auto& sub : SubKeys)
      if (SameText(sub->Name, name)) return sub.get();
    return nullptr;
  }
  TKeyNode* SubKey(std::string_view name) {
    if (TKeyNode* found = FindSubKey(name)) return found;
    SubKeys.push_back(std::make_unique<TKeyNode>());
    SubKeys.back()->Name = std::string(name);
    return SubKeys.back().get();
  }
  TNamedValue* FindValue(std::string_view name) {
    for (TNamedValue& value : Values)
      if (SameText(value.Name, name)) return &value;
    return nullptr;
  }
  void SetValue(std::string_view name, const TRegValue& value) {
    if (TNamedValue* found = FindValue(name))
      found->Value = value;
    else
      Values.push_back({std::string(name), value});
  }
};

// Splits a key path at the backslashes that are characters of their own; drops empty names.
std::vector<std::string> SplitKeyPath(std::string_view path) {
  std::vector<std::string> names;
  std::string current;
  for (size_t i = 0; i < path.size(); ++i) {
    char c = path[i];
    if (CharSize(path, i) == 2) {
      current += c;
      current += path[++i];
    } else if (c == '\\') {
      if (!current.empty()) names.push_back(std::move(current));
      current.clear();
    } else {
      current += c;
    }
  }
  if (!current.empty()) names.push_back(std::move(current));
  return names;
}

TKeyNode* FindKey(TKeyNode& root, std::string_view path) {
  TKeyNode* node = &root;
  for (const std::string& name : SplitKeyPath(path)) {
    node = node->FindSubKey(name);
    if (!node) return nullptr;
  }
  return node;
}

TKeyNode* CreateKey(TKeyNode& root, const std::vector<std::string>& names) {
  TKeyNode* node = &root;
  for (const std::string& name : names) node = node->SubKey(name);
  return node;
}

// ---------------------------------------------------------------------------------------------
// The file format: a signature line, then for every key (parents before children) a line
// "K path" followed by one line "V type name hexdata" per value. Names escape every byte below
// 0x21, 0x7F, '%' and '\' as %XX, so a line never holds a raw blank, line break or separator;
// data is hexadecimal. Every byte of every name and value therefore survives a round trip.

constexpr std::string_view Signature = "QNEXP-REGISTRY 1";
constexpr char HexDigits[] = "0123456789ABCDEF";

void AppendEscaped(std::string& out, std::string_view name) {
  for (char c : name) {
    auto b = static_cast<unsigned char>(c);
    if (b <= 0x20 || b == 0x7F || c == '%' || c == '\\') {
      out += '%';
      out += HexDigits[b >> 4];
      out += HexDigits[b & 15];
    } else {
      out += c;
    }
  }
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool Unescape(std::string_view text, std::string& out) {
  out.clear();
  for (size_t i = 0; i < text.size(); ++i) {
    auto b = static_cast<unsigned char>(text[i]);
    if (b <= 0x20 || b == 0x7F) return false;  // always written escaped
    if (text[i] != '%') {
      out += text[i];
      continue;
    }
    if (i + 2 >= text.size()) return false;
    int high = HexValue(text[i + 1]);
    int low = HexValue(text[i + 2]);
    if (high < 0 || low < 0) return false;
    out += static_cast<char>(high * 16 + low);
    i += 2;
  }
  return true;
}

bool DecodeHex(std::string_view text, std::string& out) {
  if (text.size() % 2 != 0) return false;
  out.clear();
  out.reserve(text.size() / 2);
  for (size_t i = 0; i < text.size(); i += 2) {
    int high = HexValue(text[i]);
    int low = HexValue(text[i + 1]);
    if (high < 0 || low < 0) return false;
    out += static_cast<char>(high * 16 + low);
  }
  return true;
}

void WriteKey(std::string& out, const TKeyNode& node, const std::string& path) {
  out += "K ";
  out += path;
  out += '\n';
  for (const TNamedValue& value : node.Values) {
    out += "V ";
    out += std::to_string(value.Value.Type);
    out += ' ';
    AppendEscaped(out, value.Name);
    out += ' ';
    for (char c : value.Value.Data) {
      out += HexDigits[static_cast<unsigned char>(c) >> 4];
      out += HexDigits[static_cast<unsigned char>(c) & 15];
    }
    out += '\n';
  }
  for (const auto& sub : node.SubKeys) {
    std::string subPath = path;
    if (!subPath.empty()) subPath += '\\';
    AppendEscaped(subPath, sub->Name);
    WriteKey(out, *sub, subPath);
  }
}

std::string Serialize(const TKeyNode& root) {
  std::string out(Signature);
  out += '\n';
  WriteKey(out, root, "");
  return out;
}

bool ParseType(std::string_view text, uint32_t& type) {
  if (text.empty() || text.size() > 10) return false;
  uint64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<uint64_t>(c - '0');
  }
  if (value > UINT32_MAX) return false;
  type = static_cast<uint32_t>(value);
  return true;
}

// Parses a whole store file; false when anything in it is not as Serialize writes it.
bool Parse(std::string_view text, TKeyNode& root) {
  size_t start = 0;
  bool signatureSeen = false;
  TKeyNode* current = nullptr;
  std::string name;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    start = end + 1;
    // A raw CR is never written (it is escaped), so one at the end came from an editor.
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!signatureSeen) {
      if (line != Signature) return false;
      signatureSeen = true;
      continue;
    }
    if (line.empty()) continue;
    if (line.size() < 2 || line[1] != ' ') return false;
    std::string_view rest = line.substr(2);
    if (line[0] == 'K') {
      std::vector<std::string> names;
      if (!rest.empty()) {
        size_t from = 0;
        while (true) {
          size_t slash = rest.find('\\', from);
          std::string_view part =
              rest.substr(from, slash == std::string_view::npos ? rest.npos : slash - from);
          if (part.empty() || !Unescape(part, name)) return false;
          names.push_back(name);
          if (slash == std::string_view::npos) break;
          from = slash + 1;
        }
      }
      if (names.size() > MaxRegKeyDepth) return false;
      current = CreateKey(root, names);
    } else if (line[0] == 'V') {
      if (!current) return false;
      size_t typeEnd = rest.find(' ');
      if (typeEnd == std::string_view::npos) return false;
      size_t nameEnd = rest.find(' ', typeEnd + 1);
      if (nameEnd == std::string_view::npos) return false;
      TRegValue value;
      if (!ParseType(rest.substr(0, typeEnd), value.Type)) return false;
      if (!Unescape(rest.substr(typeEnd + 1, nameEnd - typeEnd - 1), name)) return false;
      if (!DecodeHex(rest.substr(nameEnd + 1), value.Data)) return false;
      current->SetValue(name, value);
    } else {
      return false;
    }
  }
  return signatureSeen;
}

// ---------------------------------------------------------------------------------------------
// Locations and seeding.

std::string EnvironmentValue(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string(value) : std::string();
}

std::string HomeFolder() {
  std::string home = EnvironmentValue("HOME");
  if (!home.empty()) return home;
  if (const passwd* entry = getpwuid(geteuid()); entry && entry->pw_dir) return entry->pw_dir;
  return "/";
}

// An XDG base folder: the variable when it names an absolute path, else the fallback below home.
std::string XdgBaseFolder(const char* variable, const char* fallback) {
  std::string value = EnvironmentValue(variable);
  if (!value.empty() && value[0] == '/') return value;
  return HomeFolder() + fallback;
}

// The user folders named in user-dirs.dirs, by variable (lines such as
// XDG_MUSIC_DIR="$HOME/Music"); only "$HOME/..." and absolute paths are taken.
std::vector<std::pair<std::string, std::string>> ReadXdgUserFolders() {
  std::vector<std::pair<std::string, std::string>> folders;
  std::ifstream file(XdgBaseFolder("XDG_CONFIG_HOME", "/.config") + "/user-dirs.dirs");
  std::string line;
  while (std::getline(file, line)) {
    std::string_view text = line;
    while (!text.empty() && (text[0] == ' ' || text[0] == '\t')) text.remove_prefix(1);
    size_t equals = text.find('=');
    if (text.empty() || text[0] == '#' || equals == std::string_view::npos) continue;
    std::string_view value = text.substr(equals + 1);
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
      value = value.substr(1, value.size() - 2);
    std::string folder;
    if (value.substr(0, 5) == "$HOME" && (value.size() == 5 || value[5] == '/'))
      folder = HomeFolder() + std::string(value.substr(5));
    else if (!value.empty() && value[0] == '/')
      folder = std::string(value);
    if (!folder.empty()) folders.emplace_back(std::string(text.substr(0, equals)), folder);
  }
  return folders;
}

void SeedCurrentUser(TKeyNode& root) {
  TKeyNode* folders = CreateKey(
      root, SplitKeyPath("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"));
  auto named = ReadXdgUserFolders();
  // The last line for a variable wins, as when the file is sourced by a shell.
  auto userFolder = [&](std::string_view variable, const char* fallback) {
    std::string found = HomeFolder() + fallback;
    for (const auto& [name, folder] : named)
      if (name == variable) found = folder;
    return found;
  };
  std::string dataHome = XdgBaseFolder("XDG_DATA_HOME", "/.local/share");
  const std::pair<const char*, std::string> entries[] = {
      {"AppData", XdgBaseFolder("XDG_CONFIG_HOME", "/.config")},
      {"Cache", XdgBaseFolder("XDG_CACHE_HOME", "/.cache")},
      {"Desktop", userFolder("XDG_DESKTOP_DIR", "/Desktop")},
      {"Fonts", dataHome + "/fonts"},
      {"Local AppData", dataHome},
      {"My Music", userFolder("XDG_MUSIC_DIR", "/Music")},
      {"My Pictures", userFolder("XDG_PICTURES_DIR", "/Pictures")},
      {"My Video", userFolder("XDG_VIDEOS_DIR", "/Videos")},
      {"Personal", userFolder("XDG_DOCUMENTS_DIR", "/Documents")},
      {"Templates", userFolder("XDG_TEMPLATES_DIR", "/Templates")},
  };
  for (const auto& [name, folder] : entries)
    folders->SetValue(name, RegStringValue(FromOsText(folder)));
}

void SeedLocalMachine(TKeyNode& root) {
  TKeyNode* key = CreateKey(root, SplitKeyPath("Software\\Microsoft\\Windows\\CurrentVersion"));
  key->SetValue("ProgramFilesDir", RegStringValue("/opt"));
  key->SetValue("CommonFilesDir", RegStringValue("/usr/share"));
}

// ---------------------------------------------------------------------------------------------
// The loaded trees. A tree read from a file is kept with the file's identity and reread when
// the file changes; the tree of a missing file is seeded afresh on each use.

struct TFileIdentity {
  dev_t Device = 0;
  ino_t Inode = 0;
  off_t Size = 0;
  timespec Modified{};

  bool operator==(const TFileIdentity& other) const {
    return Device == other.Device && Inode == other.Inode && Size == other.Size &&
           Modified.tv_sec == other.Modified.tv_sec && Modified.tv_nsec == other.Modified.tv_nsec;
  }
};

TFileIdentity IdentityOf(const struct stat& info) {
  return {info.st_dev, info.st_ino, info.st_size, info.st_mtim};
}

struct TStore {
  std::string File;
  bool Cached = false;
  TFileIdentity Identity;
  bool Corrupt = false;
  TKeyNode Tree;
};

std::array<TStore, RegRootKeyCount>& Stores() {
  static std::array<TStore, RegRootKeyCount> stores;
  return stores;
}

bool ReadWholeFile(const std::string& file, std::string& content) {
  int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  content.clear();
  char buffer[65536];
  while (true) {
    ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      close(fd);
      return false;
    }
    if (n == 0) break;
    content.append(buffer, static_cast<size_t>(n));
  }
  close(fd);
  return true;
}

// The current tree of a root: the cached one while its file is unchanged, else freshly read.
TStore& Load(TRegRootKey root) {
  TStore& store = Stores()[root];
  std::string file = RegistryStoreFile(root);
  struct stat info {};
  if (stat(file.c_str(), &info) != 0) {
    store = TStore();
    store.File = file;
    if (root == rkCurrentUser) SeedCurrentUser(store.Tree);
    if (root == rkLocalMachine) SeedLocalMachine(store.Tree);
    return store;
  }
  if (store.Cached && store.File == file && store.Identity == IdentityOf(info)) return store;
  store = TStore();
  store.File = file;
  std::string content;
  if (!S_ISREG(info.st_mode) || !ReadWholeFile(file, content) || !Parse(content, store.Tree)) {
    store.Tree = TKeyNode();
    store.Corrupt = true;
  }
  store.Cached = true;
  store.Identity = IdentityOf(info);
  return store;
}

bool MakeFolders(const std::string& folder) {
  struct stat info {};
  if (stat(folder.c_str(), &info) == 0) return S_ISDIR(info.st_mode);
  size_t slash = folder.find_last_of('/');
  if (slash != std::string::npos && slash > 0 && !MakeFolders(folder.substr(0, slash)))
    return false;
  return mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST;
}

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    ssize_t n = write(fd, data.data(), data.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

bool SaveAtomically(const std::string& file, const std::string& content, bool keepOldAside) {
  size_t slash = file.find_last_of('/');
  std::string folder = slash == std::string::npos ? std::string(".") : file.substr(0, slash);
  if (slash != std::string::npos && slash > 0 && !MakeFolders(folder)) return false;
  std::string temporary = file + ".XXXXXX";
  int fd = mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = WriteAll(fd, content) && fsync(fd) == 0;
  ok = close(fd) == 0 && ok;
  if (ok && keepOldAside) {
    std::string aside = file + ".corrupt";
    ok = rename(file.c_str(), aside.c_str()) == 0 || errno == ENOENT;
  }
  if (!ok || rename(temporary.c_str(), file.c_str()) != 0) {
    unlink(temporary.c_str());
    return false;
  }
  // Make the rename itself durable.
  int folderFd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folderFd >= 0) {
    fsync(folderFd);
    close(folderFd);
  }
  return true;
}

// Writes a changed tree; on failure the cache is dropped so that the file's state is reread.
bool Save(TStore& store) {
  bool ok = SaveAtomically(store.File, Serialize(store.Tree), store.Corrupt);
  struct stat info {};
  if (ok && stat(store.File.c_str(), &info) == 0) {
    store.Cached = true;
    store.Corrupt = false;
    store.Identity = IdentityOf(info);
  } else {
    store.Cached = false;
  }
  return ok;
}

constexpr const char* RootNames[RegRootKeyCount] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER",
                                                    "HKEY_LOCAL_MACHINE", "HKEY_USERS",
                                                    "HKEY_CURRENT_CONFIG"};

}  // namespace

const char* RegRootKeyName(TRegRootKey root) {
  return root < RegRootKeyCount ? RootNames[root] : "";
}

bool FindRegRootKey(std::string_view name, TRegRootKey& root) {
  for (int i = 0; i < RegRootKeyCount; ++i)
    if (name == RootNames[i]) {
      root = static_cast<TRegRootKey>(i);
      return true;
    }
  return false;
}

std::string RegistryStoreFolder() {
  std::string folder = EnvironmentValue("QNEXP_REGISTRY");
  if (!folder.empty()) return folder;
  return XdgBaseFolder("XDG_CONFIG_HOME", "/.config") + "/qnexp/registry";
}

std::string RegistryStoreFile(TRegRootKey root) {
  return RegistryStoreFolder() + "/" + RegRootKeyName(root);
}

bool RegKeyExists(TRegRootKey root, std::string_view keyPath) {
  return FindKey(Load(root).Tree, keyPath) != nullptr;
}

bool RegCreateKey(TRegRootKey root, std::string_view keyPath) {
  TStore& store = Load(root);
  if (FindKey(store.Tree, keyPath)) return true;
  std::vector<std::string> names = SplitKeyPath(keyPath);
  if (names.size() > MaxRegKeyDepth) return false;
  CreateKey(store.Tree, names);
  return Save(store);
}

bool RegDeleteKey(TRegRootKey root, std::string_view keyPath) {
  std::vector<std::string> names = SplitKeyPath(keyPath);
  if (names.empty()) return false;
  TStore& store = Load(root);
  TKeyNode* parent = &store.Tree;
  for (size_t i = 0; i + 1 < names.size() && parent; ++i) parent = parent->FindSubKey(names[i]);
  if (!parent) return false;
  auto& subKeys = parent->SubKeys;
  for (auto it = subKeys.begin(); it != subKeys.end(); ++it)
    if (SameText((*it)->Name, names.back())) {
      subKeys.erase(it);
      return Save(store);
    }
  return false;
}

std::vector<std::string> RegSubKeyNames(TRegRootKey root, std::string_view keyPath) {
  std::vector<std::string> names;
  if (const TKeyNode* key = FindKey(Load(root).Tree, keyPath))
    for (const auto& sub : key->SubKeys) names.push_back(sub->Name);
  return names;
}

std::vector<std::string> RegValueNames(TRegRootKey root, std::string_view keyPath) {
  std::vector<std::string> names;
  if (const TKeyNode* key = FindKey(Load(root).Tree, keyPath))
    for (const TNamedValue& value : key->Values) names.push_back(value.Name);
  return names;
}

bool RegReadValue(TRegRootKey root, std::string_view keyPath, std::string_view name,
                  TRegValue& value) {
  TKeyNode* key = FindKey(Load(root).Tree, keyPath);
  if (!key) return false;
  const TNamedValue* found = key->FindValue(name);
  if (!found) return false;
  value = found->Value;
  return true;
}

bool RegWriteValue(TRegRootKey root, std::string_view keyPath, std::string_view name,
                   const TRegValue& value) {
  TStore& store = Load(root);
  TKeyNode* key = FindKey(store.Tree, keyPath);
  if (!key) return false;
  key->SetValue(name, value);
  return Save(store);
}

bool RegDeleteValue(TRegRootKey root, std::string_view keyPath, std::string_view name) {
  TStore& store = Load(root);
  TKeyNode* key = FindKey(store.Tree, keyPath);
  if (!key) return false;
  for (auto it = key->Values.begin(); it != key->Values.end(); ++it)
    if (SameText(it->Name, name)) {
      key->Values.erase(it);
      return Save(store);
    }
  return false;
}

TRegValue RegStringValue(std::string_view text, uint32_t type) {
  TRegValue value{type, std::string(text)};
  value.Data += '\0';
  return value;
}

TRegValue RegIntegerValue(int32_t number) {
  auto bits = static_cast<uint32_t>(number);
  TRegValue value{rvInteger, std::string(4, '\0')};
  for (int i = 0; i < 4; ++i)
    value.Data[static_cast<size_t>(i)] = static_cast<char>(bits >> (8 * i));
  return value;
}

TRegValue RegMultiStringValue(const std::vector<std::string>& texts) {
  TRegValue value{rvMultiString, {}};
  for (const std::string& text : texts) {
    value.Data += text;
    value.Data += '\0';
  }
  value.Data += '\0';
  return value;
}

TRegValue RegBinaryValue(std::string_view bytes) { return {rvBinary, std::string(bytes)}; }

std::string RegValueText(const TRegValue& value) {
  return value.Data.substr(0, value.Data.find('\0'));
}

bool RegValueInteger(const TRegValue& value, int32_t& number) {
  if ((value.Type != rvInteger && value.Type != rvIntegerBigEndian) || value.Data.size() != 4)
    return false;
  uint32_t bits = 0;
  for (int i = 0; i < 4; ++i) {
    int shift = value.Type == rvInteger ? 8 * i : 8 * (3 - i);
    bits |= static_cast<uint32_t>(static_cast<unsigned char>(value.Data[static_cast<size_t>(i)]))
            << shift;
  }
  number = static_cast<int32_t>(bits);
  return true;
}

std::vector<std::string> RegValueTexts(const TRegValue& value) {
  std::string_view data = value.Data;
  while (!data.empty() && data.back() == '\0') data.remove_suffix(1);
  std::vector<std::string> texts;
  if (data.empty()) return texts;
  size_t start = 0;
  while (true) {
    size_t zero = data.find('\0', start);
    if (zero == std::string_view::npos) {
      texts.emplace_back(data.substr(start));
      break;
    }
    texts.emplace_back(data.substr(start, zero - start));
    start = zero + 1;
  }
  return texts;
}

}  // namespace qnexp
