// The application log file and its replaceable sink.
#include "support/AppLog.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "runtime/DateTime.h"
#include "support/ExpressDirs.h"

namespace qnexp {

namespace {

std::function<void(const std::string&)>& Sink() {
  static std::function<void(const std::string&)> sink;
  return sink;
}

std::filesystem::path LogFolder() {
  if (const char* dir = std::getenv("QNEXP_LOG_DIR"); dir && *dir) return dir;
  if (const char* state = std::getenv("XDG_STATE_HOME"); state && *state)
    return std::filesystem::path(state) / "qnexp";
  const char* home = std::getenv("HOME");
  return std::filesystem::path(home && *home ? home : "/tmp") / ".local/state/qnexp";
}

}  // namespace

void AppendLog(const std::string& line, bool withTime) {
  std::string text = withTime ? FormatDateTime("yyyy.mm.dd hh:nn:ss ", Now()) + line : line;
  if (Sink()) {
    Sink()(text);
    return;
  }
  try {
    std::filesystem::path folder = LogFolder();
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    std::string program = GetExpressDir(1);
    std::ofstream out(folder / ((program.empty() ? std::string("qnexp") : program) + ".log"),
                      std::ios::app | std::ios::binary);
    out << text << "\r\n";
  } catch (...) {
    // The log is a convenience; a failure to write it must not fail the caller.
  }
}

void SetLogSink(std::function<void(const std::string&)> sink) { Sink() = std::move(sink); }

}  // namespace qnexp
