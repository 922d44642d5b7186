// Starting programs directly, without a shell: command-line splitting and process spawning.
// Texts are GBK; they reach the operating system as UTF-8. Single-threaded use.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qnexp {

// Splits a command line into arguments as a shell splits words, without any expansion:
// blanks (space, tab, CR, LF) separate arguments; a stretch in single or double quotes is
// taken literally, quotes removed, and joins the unquoted text around it ("a b"c is one
// argument, '' an empty one). A backslash is an ordinary character, so folder paths written
// with backslashes survive. An unterminated quote runs to the end of the text. Second bytes of
// two-byte characters are never taken for blanks or quotes.
std::vector<std::string> SplitCommandLine(std::string_view commandLine);

// Starts program with the given arguments (argv[0] is the program text itself, the arguments
// follow). A program without '/' is searched in $PATH; backslashes in it separate folders.
// Standard handles and the environment are inherited. When wait is set, blocks until the
// process ends and stores its exit status in *exitStatus (when given): the exit code, or
// 128 + the signal number for a process ended by a signal, -1 when the wait itself failed.
// Returns 0 on success, else the errno of the failure (ENOENT for a missing or empty program,
// EACCES for one that may not be run, ...). Processes not waited for are collected later so
// that they do not linger as zombies.
int SpawnProgram(std::string_view program, const std::vector<std::string>& arguments, bool wait,
                 int* exitStatus = nullptr);

}  // namespace qnexp
