// Command-line items, directory specifiers and their expansion, paths, names and processes.
#include "support/ExpressDirs.h"

#include <sys/stat.h>

#include <cstring>
#include <vector>

#include "platform/FileVersion.h"
#include "platform/OsText.h"
#include "platform/ProcessInfo.h"
#include "platform/RegistryStore.h"
#include "platform/Spawn.h"
#include "runtime/Exception.h"
#include "runtime/Format.h"
#include "runtime/Gbk.h"
#include "runtime/StringList.h"
#include "support/SplitStr.h"
#include "support/StrFuncs.h"

namespace qnexp {

namespace {

constexpr std::string_view ShellFoldersKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr std::string_view CurrentVersionKey = "Software\\Microsoft\\Windows\\CurrentVersion";

constexpr int FixedSpecifierCount = 12;
constexpr const char* FixedSpecifiers[FixedSpecifierCount] = {
    "PROGRAMDIR", "PROGRAMNAME", "APPUSER",    "WINUSER",     "COMPUTERNAME",    "WINDIR",
    "WINSYSDIR",  "WINDISK",     "WINSYSDISK", "WINSYS16DIR", "PROGRAMFILESDIR", "COMMONFILESDIR"};

std::string& AppUserName() {
  static std::string name;
  return name;
}

const std::vector<std::string>& Specifiers() {
  static const std::vector<std::string> specifiers = [] {
    std::vector<std::string> list(FixedSpecifiers, FixedSpecifiers + FixedSpecifierCount);
    for (std::string& name : RegValueNames(rkCurrentUser, ShellFoldersKey))
      list.push_back(std::move(name));
    return list;
  }();
  return specifiers;
}

// True when the last byte of S is a backslash of its own, not the second byte of a character.
bool EndsWithBackslash(std::string_view S) {
  return !S.empty() && S.back() == '\\' && StrCanBreak(S, static_cast<int>(S.size()));
}

// The text of a registry value; empty when the key or value is missing.
std::string RegistryText(TRegRootKey root, std::string_view key, std::string_view name) {
  TRegValue value;
  return RegReadValue(root, key, name, value) ? RegValueText(value) : std::string();
}

std::string ProgramFolder() {
  std::string path = ProgramPath();
  size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return {};
  return slash == 0 ? std::string("/") : path.substr(0, slash);
}

std::string ProgramName() {
  std::string path = ProgramPath();
  std::string name = path.substr(path.find_last_of('/') + 1);
  // A leading dot marks a hidden file, not an extension.
  size_t dot = name.find_last_of('.');
  return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

std::string SpecifierValue(int Index) {
  switch (Index) {
    case 0:
      return ProgramFolder();
    case 1:
      return ProgramName();
    case 2:
      return AppUserName();
    case 3:
      return LoginName();
    case 4:
      return HostName();
    case 5:
    case 9:
      return "/usr";
    case 6:
      return "/usr/lib";
    case 7:
    case 8:
      return {};
    case 10:
      return RegistryText(rkLocalMachine, CurrentVersionKey, "ProgramFilesDir");
    case 11:
      return RegistryText(rkLocalMachine, CurrentVersionKey, "CommonFilesDir");
    default:
      break;
  }
  const auto& specifiers = Specifiers();
  if (Index < FixedSpecifierCount || Index >= static_cast<int>(specifiers.size())) return {};
  return RegistryText(rkCurrentUser, ShellFoldersKey, specifiers[static_cast<size_t>(Index)]);
}

std::string SystemErrorText(int error) {
  char buffer[256] = {};
  // The GNU strerror_r returns the message, which need not be in buffer.
  const char* text = strerror_r(error, buffer, sizeof buffer);
  return FromOsText(text ? text : "");
}

}  // namespace

const TStringList& CommandLineItems() {
  static TStringList items;
  static bool built = false;
  if (!built) {
    built = true;
    for (const std::string& argument : ProgramArguments()) StrToList(argument, ";", items);
  }
  return items;
}

std::string GetAppUserName() { return AppUserName(); }

void SetAppUserName(std::string_view Name) { AppUserName() = std::string(Name); }

int GetExpressDirSpecifier(std::string_view Name) {
  const auto& specifiers = Specifiers();
  for (size_t i = 0; i < specifiers.size(); ++i)
    if (SameText(specifiers[i], Name)) return static_cast<int>(i);
  return -1;
}

std::string GetExpressDir(int Index) {
  std::string value = SpecifierValue(Index);
  if (EndsWithBackslash(value) || (value.size() > 1 && value.back() == '/')) value.pop_back();
  return value;
}

std::string GetExpressDir(std::string_view Name) {
  int index = GetExpressDirSpecifier(Name);
  if (index >= 0) return GetExpressDir(index);
  const TStringList& items = CommandLineItems();
  for (int i = 0; i < items.Count(); ++i) {
    const std::string& item = items.Get(i);
    size_t equals = item.find('=');
    if (equals != std::string::npos && SameText(std::string_view(item).substr(0, equals), Name))
      return item.substr(equals + 1);
  }
  return "<" + std::string(Name) + ">";
}

std::string ExpandExpressDirs(std::string_view S, bool RealPath) {
  std::string result;
  const int length = static_cast<int>(S.size());
  int pos = 1;
  while (pos <= length) {
    int open = SeekSplit(S, "<", pos);
    int close = open <= length ? SeekSplit(S, ">", open + 1) : length + 1;
    if (close > length) {
      result += S.substr(static_cast<size_t>(pos - 1));
      break;
    }
    result += S.substr(static_cast<size_t>(pos - 1), static_cast<size_t>(open - pos));
    result +=
        GetExpressDir(S.substr(static_cast<size_t>(open), static_cast<size_t>(close - open - 1)));
    pos = close + 1;
  }
  return RealPath ? GetRealPath(result) : result;
}

std::string GetRealPath(std::string_view Path) {
  if (Path.empty()) return {};
  // An address ("https:...") or a drive ("c:...") stays as it is.
  if (Path.find(':') == 1 || IsAddress(Path)) return std::string(Path);
  std::string path = ForwardSlashes(Path);
  if (path[0] != '/') {
    std::string folder = CurrentFolder();
    if (folder.empty()) return std::string(Path);
    path = folder + "/" + path;
  }
  std::vector<std::string_view> parts;
  std::string_view rest = path;
  while (!rest.empty()) {
    size_t slash = rest.find('/');
    std::string_view part = rest.substr(0, slash);
    rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    parts.push_back(part);
  }
  std::string full;
  for (std::string_view part : parts) {
    full += '/';
    full += part;
  }
  if (full.empty() || path.back() == '/') full += '/';
  return full;
}

bool FolderExist(std::string_view Path) {
  std::string path(Path);
  if (path.size() > 1 && (EndsWithBackslash(path) || path.back() == '/')) path.pop_back();
  if (path.empty()) return false;
  std::string os = ToOsPath(path);
  struct stat info {};
  if (stat(os.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return false;
  std::string_view name = std::string_view(os).substr(os.find_last_of('/') + 1);
  return name.empty() || name[0] != '.' || name == "." || name == "..";
}

std::string GetFileVersion(std::string_view File) { return ReadFileVersion(File); }

std::string GetWinUserName() { return LoginName(); }

std::string GetComputerName() { return HostName(); }

std::string GetLocalIP() { return HostIPv4Address(); }

bool ExecAndWait(std::string_view Application, std::string_view CommandLine, int ShowMode,
                 bool Wait) {
  (void)ShowMode;
  std::vector<std::string> arguments = SplitCommandLine(CommandLine);
  std::string program(Application);
  if (program.empty() && !arguments.empty()) {
    program = arguments.front();
    arguments.erase(arguments.begin());
  }
  int error = SpawnProgram(program, arguments, Wait);
  if (error != 0)
    throw EOSError(Format(Res("执行程序失败\r\n%s\r\n%s"), {Application, CommandLine}) +
                   Format("\r\n[%d]%s", {error, SystemErrorText(error)}));
  return true;
}

void FreeObj(TObject*& Obj) {
  TObject* object = Obj;
  Obj = nullptr;
  try {
    delete object;
  } catch (...) {
    // A failing destructor must not stop the caller's cleanup.
  }
}

}  // namespace qnexp
