// The console host's line editor on a terminal: line editing and history in the terminal's
// encoding, UTF-8 or GBK, whatever locale the environment names. Single-threaded.
#pragma once

#include <string>

namespace qnexp::cli {

// Prepares the editor for a terminal that speaks GBK (otherwise UTF-8). Call once, before the
// first line.
void StartLineEditor(bool gbk);

// One line typed at the prompt, in the terminal's encoding; false at the end of input. Ctrl+C
// drops the line being typed and prompts again.
bool ReadEditedLine(std::string& line);

}  // namespace qnexp::cli
