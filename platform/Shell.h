// Opening programs, documents, folders and addresses the way the desktop shell does, with the
// shell's result codes. Programs are started directly (no shell involved); everything else is
// handed to the document opener. Texts are GBK. Single-threaded.
#pragma once

#include <string>
#include <string_view>

namespace qnexp {

// The shell's result codes: above 32 is success.
inline constexpr int ShellSuccess = 33;
inline constexpr int ShellFileNotFound = 2;
inline constexpr int ShellPathNotFound = 3;
inline constexpr int ShellAccessDenied = 5;
inline constexpr int ShellOutOfMemory = 8;
inline constexpr int ShellBadFormat = 11;
inline constexpr int ShellNoApplication = 31;

// The program that opens documents, folders and addresses ("xdg-open" at start; a bare name is
// searched in $PATH). A host or a test may replace it.
const std::string& DocumentOpener();
void SetDocumentOpener(std::string_view program);

// Opens file with the verb "open" and returns the shell's result code, without waiting.
// - A text whose first ':' comes after its second character with no folder separator before
//   it ("http://host", "mailto:x") is an address: it goes to the document opener.
// - Backslashes separate folders. A name without a folder is searched in $PATH as a program,
//   then in the current folder.
// - An executable regular file is started with the arguments split from params as a shell
//   splits words; a folder or any other file goes to the document opener (params unused).
// showCommand is accepted for compatibility: Linux programs open their own windows.
// Returns ShellSuccess once the process is started; ShellFileNotFound for an empty text or a
// name that names nothing; ShellNoApplication when the document opener cannot be started;
// otherwise ShellResultOfErrno of the failure.
int ShellOpen(std::string_view file, std::string_view params, int showCommand);

// The shell's code for an errno: ENOENT, ENAMETOOLONG and ELOOP 2; ENOTDIR 3; ENOMEM and
// EAGAIN 8; ENOEXEC 11; anything else (EACCES, EPERM, ...) 5.
int ShellResultOfErrno(int error);

}  // namespace qnexp
