// Shell-like splitting of command lines and process creation with posix_spawn.
#include "platform/Spawn.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>

#include "platform/OsText.h"
#include "runtime/GbkChars.h"

extern char** environ;

namespace qnexp {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Children started without waiting; each later spawn collects those that have ended.
std::vector<pid_t>& UnwaitedChildren() {
  static std::vector<pid_t> children;
  return children;
}

void CollectEndedChildren() {
  auto& children = UnwaitedChildren();
  for (size_t i = 0; i < children.size();) {
    pid_t done = waitpid(children[i], nullptr, WNOHANG);
    if (done == children[i] || (done < 0 && errno == ECHILD))
      children.erase(children.begin() + static_cast<std::ptrdiff_t>(i));
    else
      ++i;
  }
}

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view commandLine) {
  std::vector<std::string> arguments;
  std::string current;
  bool inArgument = false;
  char quote = 0;
  for (size_t i = 0; i < commandLine.size(); ++i) {
    char c = commandLine[i];
    if (CharSize(commandLine, i) == 2) {
      current += c;
      current += commandLine[++i];
      inArgument = true;
    } else if (quote) {
      if (c == quote)
        quote = 0;
      else
        current += c;
    } else if (c == '\'' || c == '"') {
      quote = c;
      inArgument = true;
    } else if (IsBlank(c)) {
      if (inArgument) arguments.push_back(std::move(current));
      current.clear();
      inArgument = false;
    } else {
      current += c;
      inArgument = true;
    }
  }
  if (inArgument) arguments.push_back(std::move(current));
  return arguments;
}

int SpawnProgram(std::string_view program, const std::vector<std::string>& arguments, bool wait,
                 int* exitStatus) {
  CollectEndedChildren();
  if (program.empty()) return ENOENT;
  std::vector<std::string> osArguments;
  osArguments.reserve(arguments.size() + 1);
  osArguments.push_back(ToOsPath(program));
  for (const std::string& argument : arguments) osArguments.push_back(ToOsText(argument));
  std::vector<char*> argv;
  argv.reserve(osArguments.size() + 1);
  for (std::string& argument : osArguments) argv.push_back(argument.data());
  argv.push_back(nullptr);

  pid_t pid = 0;
  int error = posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ);
  if (error != 0) return error;
  if (!wait) {
    UnwaitedChildren().push_back(pid);
    return 0;
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    // The process did start, so a failing wait is not a failed start: the status is unknown.
    if (errno != EINTR) {
      if (exitStatus) *exitStatus = -1;
      return 0;
    }
  }
  if (exitStatus) {
    if (WIFEXITED(status))
      *exitStatus = WEXITSTATUS(status);
    else if (WIFSIGNALED(status))
      *exitStatus = 128 + WTERMSIG(status);
    else
      *exitStatus = 0;
  }
  return 0;
}

}  // namespace qnexp
