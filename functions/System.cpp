// The system and environment functions, ending with the family's registration tables. The
// clipboard object transfer lives in SystemClipboard.cpp.
#include "functions/System.h"

#include <sys/stat.h>

#include <cstdint>
#include <string>

#include "core/Sandbox.h"
#include "platform/Clipboard.h"
#include "platform/Dialogs.h"
#include "platform/OsText.h"
#include "platform/Shell.h"
#include "platform/SystemInfo.h"
#include "runtime/Gbk.h"
#include "runtime/StringList.h"
#include "support/BoolWords.h"
#include "support/ExpressDirs.h"
#include "support/IniFile.h"
#include "support/Registry.h"
#include "support/StrFuncs.h"

namespace qnexp {

namespace {

// The show command of Exec and Wait: the third argument, 1 (a normal window) when absent.
int ShowCommand(TExpression& self) { return self.Given(2) ? self.GetSubExp(2)->GetInteger() : 1; }

constexpr int32_t ComputerNameMaxLength = 255;

bool FileExists(const std::string& path) {
  struct stat info {};
  return !path.empty() && stat(ToOsPath(path).c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

}  // namespace

// --- Dialogs -----------------------------------------------------------------------------------

void TExp_Input::Calculate() {
  RefuseInSandbox(*this);
  std::string caption = Arg(0).GetString();
  std::string prompt = Arg(1).GetString();
  std::string defaultText = Given(2) ? GetSubExp(2)->GetString() : std::string();
  PutString(InputDialog(caption, prompt, defaultText));
}

void TExp_Display::Calculate() {
  RefuseInSandbox(*this);
  std::string text = Given(0) ? GetSubExp(0)->GetString() : std::string();
  if (text.empty())
    ProcessMessages();
  else
    MessageDialog(GetExpressDir(1), text, MessageFlagsInformation);
  PutString(text);
}

void TExp_Hint::Calculate() {
  RefuseInSandbox(*this);
  std::string text = Arg(0).GetString();
  int x = Given(1) ? GetSubExp(1)->GetInteger() : -1;
  int y = Given(2) ? GetSubExp(2)->GetInteger() : 0;
  ShowHint(text, x, y);
  PutString(text);
}

void TExp_Sure::Calculate() {
  RefuseInSandbox(*this);
  std::string question = Arg(0).GetString();
  if (!question.empty() && question.back() != '?') question += '?';
  MessageBeep(BeepExclamation);
  PutBoolean(ConfirmDialog(Res("确认"), question, MessageFlagsOkCancelQuestion));
}

// --- Processes ---------------------------------------------------------------------------------

void TExp_Exec::Calculate() {
  RefuseInSandbox(*this);
  std::string file = Arg(0).GetString();
  std::string params = Arg(1).GetString();
  PutInteger(ShellOpen(file, params, ShowCommand(*this)));
}

void TExp_Wait::Calculate() {
  RefuseInSandbox(*this);
  std::string file = Arg(0).GetString();
  std::string params = Arg(1).GetString();
  PutBoolean(ExecAndWait(file, params, ShowCommand(*this), true));
}

bool TExp_Wait::TransOverOK() {
  DataType = etBoolean;
  return TExp_Exec::TransOverOK();
}

void TExp_Open::Calculate() {
  RefuseInSandbox(*this);
  PutInteger(ShellOpen(Arg(0).GetString(), "", 0));
}

// --- Registry and INI files --------------------------------------------------------------------

void TExp_RegValue::Calculate() {
  std::string key = Arg(0).GetString();
  std::string name = Arg(1).GetString();
  TRegistry registry;
  if (!Given(2)) {
    PutString(registry.OpenKeyReadOnly(key) ? registry.ReadString(name) : std::string());
    return;
  }
  RefuseInSandbox(*this);  // reading stays allowed, writing does not
  std::string value = GetSubExp(2)->GetString();
  bool opened = registry.OpenKey(key, true);
  if (opened) registry.WriteString(name, value);
  PutString(BoolStrs()[opened ? 1 : 0]);
}

void TExp_ReadIni::Calculate() {
  TIniFile ini(Arg(0).GetString());
  if (Given(2)) {
    std::string section = Arg(1).GetString();
    PutString(ini.ReadString(section, GetSubExp(2)->GetString(), ""));
    return;
  }
  TStringList lines;
  if (Given(1))
    ini.ReadSection(GetSubExp(1)->GetString(), lines);
  else
    ini.ReadLines(lines);
  PutString(lines.Text());
}

bool TExp_ReadIni::TransOverOK() {
  DataType = etString;
  return TFunction::TransOverOK();
}

TExp_WriteIni::~TExp_WriteIni() {
  delete ValueExp;
  ValueExp = nullptr;
}

TExpression* TExp_WriteIni::GetSubExp(int index) {
  return index == 3 ? ValueExp : TExp_ToBool::GetSubExp(index);
}

void TExp_WriteIni::PutSubExp(int index, TExpression* node) {
  if (index == 3)
    ValueExp = node;
  else
    TExp_ToBool::PutSubExp(index, node);
}

void TExp_WriteIni::Calculate() {
  RefuseInSandbox(*this);
  TIniFile ini(Arg(0).GetString());
  std::string section = Arg(1).GetString();
  std::string key = Arg(2).GetString();
  std::string value = Arg(3).GetString();
  if (section.empty() && !key.empty()) {
    PutBoolean(false);
    return;
  }
  if (!key.empty()) {
    ini.WriteString(section, key, value);
  } else if (!section.empty()) {
    TStringList lines;
    lines.SetText(value);
    ini.WriteSection(section, &lines);
  } else {
    ini.WriteText(value);
  }
  PutBoolean(true);
}

// --- Files and the clipboard -------------------------------------------------------------------

void TExp_Exist::Calculate() {
  std::string path = Arg(0).GetString();
  PutBoolean(FileExists(path) || FolderExist(path));
}

void TExp_Clipboard::Calculate() {
  RefuseInSandbox(*this);
  if (Given(0)) SetClipboardText(GetSubExp(0)->GetString());
  PutString(GetClipboardText());
}

// --- Directory placeholders --------------------------------------------------------------------

void TExp_ExpandEDS::Calculate() {
  std::string text = Arg(0).GetString();
  bool realPath = !Given(1) || GetSubExp(1)->GetBoolean();
  PutString(ExpandExpressDirs(text, realPath));
}

void TExp_ExpressDir::Calculate() {
  int index = GetExpressDirSpecifier(Arg(0).GetString());
  PutString(index >= 0 ? GetExpressDir(index) : std::string());
}

// --- The machine -------------------------------------------------------------------------------

void TExp_ComputerName::Calculate() {
  PutString(CopyValid(GetComputerName(), 1, ComputerNameMaxLength));
}

void TExp_IP::Calculate() {
  RefuseInSandbox(*this);
  PutString(GetLocalIP());
}

void TExp_TickCount::Calculate() { PutInteger(TickCount()); }

void TExp_Mem::Calculate() {
  uint64_t free = HeapFreeBytes();
  PutInteger(free > INT32_MAX ? INT32_MAX : static_cast<int32_t>(free));
}

void TExp_DiskFree::Calculate() {
  PutInteger(ClampToInt32(DiskFreeBytes(Arg(0).GetInteger())));
}

void TExp_DiskSize::Calculate() {
  PutInteger(ClampToInt32(DiskSizeBytes(Arg(0).GetInteger())));
}

// --- Registration ------------------------------------------------------------------------------

std::span<const TClassInfo* const> SystemClasses() {
  // The named functions in registration order.
  return ClassTable<TExp_DiskFree, TExp_DiskSize, TExp_Mem, TExp_Input, TExp_Display, TExp_Sure,
      TExp_TickCount, TExp_ExpandEDS, TExp_ExpressDir, TExp_RegValue, TExp_Exec, TExp_Wait,
      TExp_Open, TExp_Hint, TExp_ComputerName, TExp_IP, TExp_Clipboard, TExp_ClipboardObj,
      TExp_Exist, TExp_WriteIni, TExp_ReadIni>();
}

}  // namespace qnexp
