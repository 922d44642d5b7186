// The shell's "open": programs by posix_spawn, everything else through the document opener.
#include "platform/Shell.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/OsText.h"
#include "platform/Spawn.h"

namespace qnexp {

namespace {

std::string& Opener() {
  static std::string opener = "xdg-open";
  return opener;
}

bool IsProgramFile(const std::string& osPath) {
  struct stat info {};
  return stat(osPath.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
         access(osPath.c_str(), X_OK) == 0;
}

// True when a program of this name (no folder in it) is found in $PATH.
bool FoundInPath(const std::string& osName) {
  const char* path = std::getenv("PATH");
  std::string_view folders = path ? path : "";
  while (true) {
    size_t colon = folders.find(':');
    std::string folder(folders.substr(0, colon));
    if (folder.empty()) folder = ".";
    if (IsProgramFile(folder + "/" + osName)) return true;
    if (colon == std::string_view::npos) return false;
    folders.remove_prefix(colon + 1);
  }
}

int StartProgram(const std::string& program, std::string_view params) {
  int error = SpawnProgram(program, SplitCommandLine(params), false);
  return error == 0 ? ShellSuccess : ShellResultOfErrno(error);
}

int OpenWithOpener(const std::string& target) {
  int error = SpawnProgram(Opener(), {target}, false);
  if (error == 0) return ShellSuccess;
  if (error == ENOENT || error == EACCES || error == ENOEXEC || error == ENOTDIR)
    return ShellNoApplication;
  return ShellResultOfErrno(error);
}

}  // namespace

const std::string& DocumentOpener() { return Opener(); }

void SetDocumentOpener(std::string_view program) { Opener() = std::string(program); }

int ShellResultOfErrno(int error) {
  switch (error) {
    case ENOENT:
    case ENAMETOOLONG:
    case ELOOP:
      return ShellFileNotFound;
    case ENOTDIR:
      return ShellPathNotFound;
    case ENOMEM:
    case EAGAIN:
      return ShellOutOfMemory;
    case ENOEXEC:
      return ShellBadFormat;
    default:
      return ShellAccessDenied;
  }
}

int ShellOpen(std::string_view file, std::string_view params, int showCommand) {
  (void)showCommand;
  if (file.empty()) return ShellFileNotFound;
  if (IsAddress(file)) return OpenWithOpener(std::string(file));
  std::string path = ForwardSlashes(file);
  if (path.find('/') == std::string::npos) {
    if (FoundInPath(ToOsText(path))) return StartProgram(path, params);
    path = "./" + path;
  }
  std::string osPath = ToOsText(path);
  struct stat info {};
  if (stat(osPath.c_str(), &info) != 0) return ShellResultOfErrno(errno);
  if (S_ISREG(info.st_mode) && access(osPath.c_str(), X_OK) == 0)
    return StartProgram(path, params);
  return OpenWithOpener(path);
}

}  // namespace qnexp
