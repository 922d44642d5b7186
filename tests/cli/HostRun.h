// Running the console host inside a test: arguments and standard input in, exit status and
// both output streams out.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "cli/Host.h"
#include "platform/Dialogs.h"

namespace qnexp::testing {

struct THostRun {
  int Status;
  std::string Out;
  std::string Err;
};

inline THostRun RunHostWith(const std::vector<std::string>& args, const std::string& input = "") {
  // Dialog functions take their non-interactive answers even when the tests run on a terminal.
  SetDialogMode(dmSilent);
  std::istringstream in(input);
  std::ostringstream out, err;
  cli::THostIo io{in, out, err, nullptr};
  int status = cli::RunHost(args, io);
  return {status, out.str(), err.str()};
}

}  // namespace qnexp::testing
