// Splitting an SQL script into its statements for engines that run one statement at a time.
#pragma once

#include <string>
#include <vector>

namespace qnexp {

// The statements of script, split at semicolons outside string literals ('...', E'...' with
// backslash escapes, $tag$...$tag$), quoted identifiers ("...") and comments (-- to the end of
// the line, /* */ nested). Each is trimmed of surrounding blanks; blank ones are left out. An
// unclosed literal or comment runs to the end, for the server to report.
std::vector<std::string> SplitStatements(const std::string& script);

}  // namespace qnexp
