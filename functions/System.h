// The system and environment functions: dialogs (Input, Display, Hint, Sure), processes and
// documents (Exec, Wait, Open), the registry and INI files (RegValue, ReadIni, WriteIni),
// files (Exist), the clipboard (Clipboard, ClipboardObj), directory placeholders (ExpandEDS,
// ExpressDir) and facts about the machine (ComputerName, IP, TickCount, Mem, DiskFree,
// DiskSize).
//
// None of them is folded at translation time: each call acts every time its node is computed.
// They report failure through their result (the empty text, false, 0 or the shell's code);
// only Wait raises an error of its own, and the errors of the services below them (an INI file
// that exists but cannot be read or written, a registry store that cannot be written) pass on
// to the caller. Every node raises CalcError "参数不够" when an argument it must read is
// missing (a tree that the translator did not build). Single-threaded.
#pragma once

#include <span>

#include "core/Function.h"
#include "functions/Conversion.h"

namespace qnexp {

// Input(caption, prompt [, default]): etString, the text of the input dialog (InputDialog):
// the entered text, or the default (empty when absent) when cancelled or nobody can be asked.
class TExp_Input : public TStrFunction {
  QN_CLASS(TExp_Input, TStrFunction)
public:
  TExp_Input() {
    FixedCount = 2;
    OptionalCount = 1;
  }
  void Calculate() override;
};

// Display([text]): etString, the text. A non-empty text is shown in an information message
// box captioned with the program's name; an empty or absent one only lets the user interface
// handle its pending events.
class TExp_Display : public TStrFunction {
  QN_CLASS(TExp_Display, TStrFunction)
public:
  TExp_Display() {
    FixedCount = 0;
    OptionalCount = 1;
  }
  void Calculate() override;
};

// Hint(text [, x [, y]]): etString, the text; shows it as a hint (ShowHint) at x (-1 when
// absent) and y (0 when absent).
class TExp_Hint : public TStrFunction {
  QN_CLASS(TExp_Hint, TStrFunction)
public:
  TExp_Hint() { OptionalCount = 2; }
  void Calculate() override;
};

// Sure(question): etBoolean. A "?" is appended to a non-empty question that lacks one; the
// exclamation sound plays and an OK/Cancel box captioned "确认" asks it; true exactly for OK.
class TExp_Sure : public TExp_ToBool {
  QN_CLASS(TExp_Sure, TExp_ToBool)
public:
  void Calculate() override;
};

// Exec(file, params [, show]): etInteger, the shell's result code of opening file with the
// parameter text (ShellOpen; 33 on success, 2 when nothing has that name). Does not wait.
class TExp_Exec : public TP2Function {
  QN_CLASS(TExp_Exec, TP2Function)
public:
  TExp_Exec() { OptionalCount = 1; }
  void Calculate() override;
};

// Wait(file, params [, show]): etBoolean, true once the program has run to its end. The
// program is file (or the first word of params when file is empty) with the words of params
// as its arguments. A program that cannot be started raises EOSError
// "执行程序失败\r\n<file>\r\n<params>\r\n[<errno>]<system message>".
class TExp_Wait : public TExp_Exec {
  QN_CLASS(TExp_Wait, TExp_Exec)
public:
  void Calculate() override;
  // Always etBoolean.
  bool TransOverOK() override;
};

// Open(file): etInteger, ShellOpen of file without parameters.
class TExp_Open : public TFunction {
  QN_CLASS(TExp_Open, TFunction)
public:
  void Calculate() override;
};

// RegValue(key, name [, value]): etString. The key path may start with a root key's name and
// a backslash; otherwise HKEY_CURRENT_USER applies. Reading: the value's text up to its first
// zero byte, empty when the key or value is missing. Writing: the key is created when missing,
// the value written as a string; the result is "Yes" when the key could be opened, "No"
// otherwise (the boolean words of the moment); a store that cannot be written raises
// ERegistryException "Failed to set data for '<name>'".
class TExp_RegValue : public TStrFunction {
  QN_CLASS(TExp_RegValue, TStrFunction)
public:
  TExp_RegValue() {
    FixedCount = 2;
    OptionalCount = 1;
  }
  void Calculate() override;
};

// ReadIni(file [, section [, key]]): etString. With a key, the entry's value before any ";"
// (empty when absent); with a section, its entry names; with the file alone, all its lines.
// Lists are joined with CR LF after every line. Decided by the number of arguments given.
class TExp_ReadIni : public TExp_ToBool {
  QN_CLASS(TExp_ReadIni, TExp_ToBool)
public:
  TExp_ReadIni() { OptionalCount = 2; }
  void Calculate() override;
  // Always etString.
  bool TransOverOK() override;
};

// WriteIni(file, section, key, value): etBoolean. Section and key given: writes the value.
// Section given, key empty: replaces the section by the "name=value" lines of the value text.
// Both empty: replaces the whole file by the value text. True after writing; an empty section
// with a non-empty key names no entry, so nothing is written and the result is false.
// The node keeps its fourth argument in a slot of its own, since the base node holds three.
class TExp_WriteIni : public TExp_ToBool {
  QN_CLASS(TExp_WriteIni, TExp_ToBool)
public:
  TExp_WriteIni() { FixedCount = 4; }
  ~TExp_WriteIni() override;
  void Calculate() override;
  // Slots 0 to 3; null for any other index.
  TExpression* GetSubExp(int index) override;
  // Stores into slots 0 to 3 (the previous occupant neither checked nor freed); other indices
  // are ignored.
  void PutSubExp(int index, TExpression* node) override;
  int MaxSubExpCount() override { return 4; }

private:
  TExpression* ValueExp = nullptr;
};

// Exist(path): etBoolean, true when a file of that name exists, or else when the path (one
// trailing backslash dropped) is a folder that is not hidden.
class TExp_Exist : public TExp_ToBool {
  QN_CLASS(TExp_Exist, TExp_ToBool)
public:
  void Calculate() override;
};

// Clipboard([text]): etString. Puts the text on the clipboard when given; the result is the
// clipboard's text afterwards (empty when it holds none).
class TExp_Clipboard : public TStrFunction {
  QN_CLASS(TExp_Clipboard, TStrFunction)
public:
  TExp_Clipboard() {
    FixedCount = 0;
    OptionalCount = 1;
  }
  void Calculate() override;
};

// ClipboardObj([object]): etInteger, objects by handle (kind hkClipboardObject). With an
// argument, the object of that handle is put on the clipboard and the result is the handle;
// a handle that designates no object leaves the clipboard alone and gives 0. Without one, an
// object is read from the clipboard and the result is its new handle, 0 when the clipboard
// holds no object. Objects so read stay alive while the process runs (an expression cannot
// free them) and are freed at its end.
class TExp_ClipboardObj : public TFunction {
  QN_CLASS(TExp_ClipboardObj, TFunction)
public:
  TExp_ClipboardObj() {
    FixedCount = 0;
    OptionalCount = 1;
  }
  void Calculate() override;
};

// ExpandEDS(text [, realPath]): etString, the text with every "<NAME>" placeholder replaced
// (ExpandExpressDirs); then, when realPath is true or absent, made a full path (GetRealPath).
class TExp_ExpandEDS : public TStrFunction {
  QN_CLASS(TExp_ExpandEDS, TStrFunction)
public:
  TExp_ExpandEDS() { OptionalCount = 1; }
  void Calculate() override;
};

// ExpressDir(name): etString, the folder or value of a placeholder of the fixed list or the
// shell folders; empty for any other name (command-line items do not count).
class TExp_ExpressDir : public TStrFunction {
  QN_CLASS(TExp_ExpressDir, TStrFunction)
public:
  void Calculate() override;
};

// ComputerName(): etString, the host name (at most 255 bytes), empty on failure.
class TExp_ComputerName : public TStrFunction {
  QN_CLASS(TExp_ComputerName, TStrFunction)
public:
  TExp_ComputerName() { FixedCount = 0; }
  void Calculate() override;
};

// IP(): etString, the first IPv4 address of the host name in dotted form, empty when none.
class TExp_IP : public TExp_ComputerName {
  QN_CLASS(TExp_IP, TExp_ComputerName)
public:
  void Calculate() override;
};

// TickCount(): etInteger, the wrapping 32-bit millisecond count of the monotonic clock.
class TExp_TickCount : public TI0Function {
  QN_CLASS(TExp_TickCount, TI0Function)
public:
  void Calculate() override;
};

// Mem(): etInteger, the allocator's free bytes, at most 2147483647.
class TExp_Mem : public TI0Function {
  QN_CLASS(TExp_Mem, TI0Function)
public:
  void Calculate() override;
};

// DiskFree(drive): etInteger, the free bytes of drive GetInteger(drive) (0 the current
// folder's file system, 3 the root's, -1 for any other), at most 2147483647.
class TExp_DiskFree : public TN1Function {
  QN_CLASS(TExp_DiskFree, TN1Function)
public:
  void Calculate() override;
};

// DiskSize(drive): etInteger, the size in bytes of the drive, as DiskFree.
class TExp_DiskSize : public TN1Function {
  QN_CLASS(TExp_DiskSize, TN1Function)
public:
  void Calculate() override;
};

// Every node class of this family, for the persistent-class registry (the library's
// initialisation unit registers the named ones as functions in the language's order).
std::span<const TClassInfo* const> SystemClasses();

}  // namespace qnexp
