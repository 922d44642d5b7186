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
// in the outside encoding (false at the end); it is used when no text is given and the input
// is a terminal. With ErrIsTerminal, translation errors also name the line and column of the
// spot they mark.
struct THostIo {
  std::istream& In;
  std::ostream& Out;
  std::ostream& Err;
  std::function<bool(std::string& line)> ReadLine;
  bool ErrIsTerminal = false;
};

// What the program around the host arranges before RunHost, read from the arguments alone.
struct THostMode {
  // No text is given and nothing else was asked for (help, version, the function list): the
  // host reads standard input, at a prompt when it is a terminal. Options and their values
  // never count as texts.
  bool ReadsInput = false;
  // Standard output carries JSON only: whatever else would reach it (programs started by
  // expressions) belongs on standard error.
  bool Json = false;
  // The outside encoding is GBK, not UTF-8.
  bool Gbk = false;
};

// The mode the arguments ask for; arguments that RunHost will refuse ask for no input.
THostMode HostModeOf(const std::vector<std::string>& args);

// Runs the host on the arguments that follow the program name; returns the exit status: the
// most severe outcome of all texts (usage errors in the arguments stop at once; an input line
// that cannot be decoded is reported with its number and the next one is read).
int RunHost(const std::vector<std::string>& args, THostIo& io);

// The JSON form of a text: quotes, backslashes and control characters escaped.
std::string JsonString(const std::string& utf8);

}  // namespace qnexp::cli
