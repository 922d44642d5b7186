// The console host: evaluates expression texts given on the command line, in files or on
// standard input, and prints their values as text or JSON.
#pragma once

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

namespace qnexp::cli {

// Exit statuses of the host.
enum TExitStatus : int {
  esOk = 0,
  esEvaluationRaised = 1,
  esTranslationFailed = 2,
  esUsage = 3,
};

// Where the host reads and writes. ReadLine, when set, supplies interactive input line by line
// (false at the end); it is used when no text is given and the input is a terminal.
struct THostIo {
  std::istream& In;
  std::ostream& Out;
  std::ostream& Err;
  std::function<bool(std::string& line)> ReadLine;
};

// Runs the host on the arguments that follow the program name; returns the exit status: the
// most severe outcome of all texts (usage errors stop at once).
int RunHost(const std::vector<std::string>& args, THostIo& io);

// The JSON form of a text: quotes, backslashes and control characters escaped.
std::string JsonString(const std::string& utf8);

}  // namespace qnexp::cli
