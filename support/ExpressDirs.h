// Environment and directories: command-line items, user and machine names, the directory
// specifiers such as "<PROGRAMDIR>" and their expansion in paths, paths, file versions,
// starting programs. Texts are GBK. Single-threaded.
#pragma once

#include <concepts>
#include <string>
#include <string_view>

#include "runtime/Object.h"

namespace qnexp {

class TStringList;

// Every command-line parameter of the running program (the program itself not included), each
// split at ";" outside quotes, in order. Built on the first call and kept.
const TStringList& CommandLineItems();

// The application user name: empty until the application sets it.
std::string GetAppUserName();
void SetAppUserName(std::string_view Name);

// The index of Name in the directory specifier list, compared without letter case; -1 when
// absent. The list holds "PROGRAMDIR", "PROGRAMNAME", "APPUSER", "WINUSER", "COMPUTERNAME",
// "WINDIR", "WINSYSDIR", "WINDISK", "WINSYSDISK", "WINSYS16DIR", "PROGRAMFILESDIR",
// "COMMONFILESDIR" (0 to 11) and then the value names of the current user's registry key
// "Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders"; it is built on the first
// call and kept.
int GetExpressDirSpecifier(std::string_view Name);

// The folder or name for a specifier index, without a trailing backslash: 0 the program's
// folder; 1 the program's file name without folder and extension; 2 the application user name;
// 3 the login name; 4 the host name; 5 and 9 "/usr"; 6 "/usr/lib"; 7 and 8 empty (Linux has
// no drives); 10 and 11 the values "ProgramFilesDir" and
// "CommonFilesDir" of the local machine's key "Software\Microsoft\Windows\CurrentVersion";
// 12 on the value of that name under the shell-folder key. Empty for an index out of range or
// a source that gives nothing.
std::string GetExpressDir(int Index);

// For a specifier name, GetExpressDir of its index; otherwise the part after the first "=" of
// the first command-line item whose part before it is Name (without regard to letter case);
// otherwise "<" Name ">".
std::string GetExpressDir(std::string_view Name);

// S with every "<NAME>" replaced by GetExpressDir(NAME), left to right; "<" and ">" inside
// quotes do not count, and a "<" without a closing ">" stays as it is. With RealPath the result
// then goes through GetRealPath.
std::string ExpandExpressDirs(std::string_view S, bool RealPath);

// Path as a full path: backslashes become '/', a relative path is taken from the current
// folder, and ".", ".." and doubled separators are resolved by the text alone (symbolic links
// are not followed; the path need not exist). A trailing separator is kept. Returned
// unchanged: the empty text, a text whose first ':' comes after its second character with no
// separator before it (a URL such as "http://host"), and a text with a drive letter ("C:\x"),
// which has no meaning on Linux.
std::string GetRealPath(std::string_view Path);

// True when Path (one trailing backslash or '/' dropped) is a folder and not a hidden one
// (its name does not start with '.'), the way a folder with no attribute but "directory" is
// found on Windows.
bool FolderExist(std::string_view Path);

// The "FileVersion" text of a Windows program file's version resource; empty for every other
// file (Linux programs have no version resource) and when absent.
std::string GetFileVersion(std::string_view File);

// The login name and the host name; empty on failure.
std::string GetWinUserName();
std::string GetComputerName();

// The first IPv4 address of the host name, dotted; empty when there is none.
std::string GetLocalIP();

// Starts a program directly (no shell), the arguments split from CommandLine as a shell splits
// words. With an empty Application the first word of CommandLine is the program. ShowMode is
// accepted for compatibility; Linux programs open their own windows. With Wait, blocks until
// the program ends. Returns true; when the program cannot be started raises EOSError
// "执行程序失败\r\n%s\r\n%s" (Application, CommandLine) followed by "\r\n[%d]%s" (errno and
// its system message). Errors while waiting are not reported.
bool ExecAndWait(std::string_view Application, std::string_view CommandLine, int ShowMode,
                 bool Wait);

// Frees Obj when it is not null and sets it to null first; an error raised by the destruction
// is swallowed.
void FreeObj(TObject*& Obj);

// FreeObj for references to classes derived from TObject.
template <class T>
requires std::derived_from<T, TObject> &&(!std::same_as<T, TObject>)void FreeObj(T*& Obj) {
  TObject* object = Obj;
  Obj = nullptr;
  FreeObj(object);
}

}  // namespace qnexp
