// The application log: one line per call, appended to the program's log file.
#pragma once

#include <functional>
#include <string>

namespace qnexp {

// Appends line (GBK) to the application log, preceded by the local time unless withTime is
// false. The log is "<program name>.log" in $QNEXP_LOG_DIR, by default
// ${XDG_STATE_HOME:-$HOME/.local/state}/qnexp; the folder is created when missing. Failures to
// write are ignored: logging never breaks the caller.
void AppendLog(const std::string& line, bool withTime = true);

// Replaces where log lines go (for hosts that show them, and for tests); an empty function
// restores the file. The sink receives the finished line without a line break.
void SetLogSink(std::function<void(const std::string&)> sink);

}  // namespace qnexp
