// The system and environment functions as expressions: parameter counts and result types,
// what each hands to the dialogs, the shell, the registry, INI files, the file system and the
// clipboard, and what it gives back. Dialogs are hooks here, the opener a recording script
// and the registry a temporary folder, so no test asks anybody or starts a real program.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "core/EntryPoints.h"
#include "platform/Clipboard.h"
#include "platform/Dialogs.h"
#include "platform/RegistryStore.h"
#include "platform/Shell.h"
#include "platform/SystemInfo.h"
#include "runtime/Gbk.h"
#include "runtime/Handles.h"
#include "support/ExpressDirs.h"
#include "support/ObjClipboard.h"
#include "TempFolder.h"

using namespace qnexp;
namespace fs = std::filesystem;

namespace {

struct TResult {
  TExpDataType Type;
  std::string Text;
  bool operator==(const TResult&) const = default;
};

std::ostream& operator<<(std::ostream& out, const TResult& result) {
  return out << ExpDataTypeName(result.Type) << " \"" << GbkToUtf8Lenient(result.Text) << '"';
}

// Translates and evaluates a GBK text; a failed translation gives etAny "untranslatable".
TResult Eval(const std::string& text) {
  std::unique_ptr<TExpression> root = TranslateExp(text);
  if (!root) return {etAny, "untranslatable"};
  ExpEvaluate(*root, kForceStamp);
  return {root->DataType, root->GetString()};
}

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

class SystemFunctions : public qnexp::testing::TTempFolderTest {
protected:
  void SetUp() override {
    TTempFolderTest::SetUp();
    const char* saved = getenv("QNEXP_REGISTRY");
    SavedRegistry = saved ? std::optional<std::string>(saved) : std::nullopt;
    setenv("QNEXP_REGISTRY", (Folder + "/registry").c_str(), 1);
    SavedOpener = DocumentOpener();
    SetDialogMode(dmSilent);
  }
  void TearDown() override {
    DialogHooks() = TDialogHooks();
    UpdateHint = nullptr;
    SetApplicationHint("");
    SetDialogMode(dmAuto);
    SetDocumentOpener(SavedOpener);
    if (SavedRegistry)
      setenv("QNEXP_REGISTRY", SavedRegistry->c_str(), 1);
    else
      unsetenv("QNEXP_REGISTRY");
    TTempFolderTest::TearDown();
  }
  static std::string Contents(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
  }
  std::optional<std::string> SavedRegistry;
  std::string SavedOpener;
};

}  // namespace

TEST_F(SystemFunctions, ParameterCountsAndResultTypes) {
  struct TRow {
    const char* Text;
    TExpDataType Type;
  };
  const TRow rows[] = {
      {"Input('a', 'b')", etString},       {"Input('a', 'b', 'c')", etString},
      {"Display()", etString},               {"Display('')", etString},
      {"Hint('x', 1, 2)", etString},       {"Sure('')", etBoolean},
      {"Exec('', '')", etInteger},         {"Exec('', '', 0)", etInteger},
      {"Open('')", etInteger},             {"RegValue('HKEY_DYN_DATA', 'x')", etString},
      {"ReadIni('')", etString},           {"WriteIni('', '', 'y', 'z')", etBoolean},
      {"Exist('')", etBoolean},            {"Clipboard()", etString},
      {"ExpandEDS('', No)", etString},     {"ExpressDir('')", etString},
      {"ComputerName()", etString},          {"IP()", etString},
      {"TickCount()", etInteger},            {"Mem()", etInteger},
      {"DiskFree(1)", etInteger},          {"DiskSize(1.5)", etInteger},
  };
  for (const TRow& row : rows) EXPECT_EQ(Eval(row.Text).Type, row.Type) << row.Text;
  for (const char* text :
       {"Input('a')", "Input('a', 'b', 'c', 'd')", "Display('a', 'b')", "Hint('a', 1, 2, 3)",
        "Sure()", "Exec('a')", "Open('a', 'b')", "RegValue('a')", "ReadIni('a', 'b', 'c', 'd')",
        "WriteIni('a', 'b', 'c')", "Exist()", "Clipboard('a', 'b')", "ExpandEDS()",
        "ComputerName('x')", "TickCount(1)", "DiskFree('1')", "DiskSize(Yes)"})
    EXPECT_EQ(Eval(text).Type, etAny) << text << " translated";
}

TEST_F(SystemFunctions, InputAskTheHookAndWithoutAUserGivesTheDefault) {
  EXPECT_EQ(Eval("Input('c', 'p', 'default')"), (TResult{etString, "default"}));
  EXPECT_EQ(Eval("Input('c', 'p')"), (TResult{etString, ""}));
  std::string seen;
  DialogHooks().Input = [&](const std::string& c, const std::string& p, const std::string& d) {
    seen = c + "|" + p + "|" + d;
    return std::string("typed");
  };
  EXPECT_EQ(Eval("Input(" + Quoted(Res("标题")) + ", 'Name:' + 1)"), (TResult{etString, "typed"}));
  EXPECT_EQ(seen, Res("标题") + "|Name:1|");
}

TEST_F(SystemFunctions, DisplayShowsTextsAndOtherwiseOnlyPumps) {
  std::string seen;
  DialogHooks().Display = [&](const std::string& c, const std::string& t, int flags) {
    seen += "box(" + c + "," + t + "," + std::to_string(flags) + ")";
  };
  DialogHooks().ProcessMessages = [&] { seen += "pump"; };
  EXPECT_EQ(Eval("Display('')"), (TResult{etString, ""}));
  EXPECT_EQ(Eval("Display()"), (TResult{etString, ""}));
  EXPECT_EQ(seen, "pumppump");
  seen.clear();
  EXPECT_EQ(Eval("Display(12)"), (TResult{etString, "12"}));
  EXPECT_EQ(seen, "box(" + GetExpressDir(1) + ",12,64)");
  EXPECT_EQ(GetExpressDir(1), "test_functions");
}

TEST_F(SystemFunctions, HintGoesToTheHandlerWithItsDefaults) {
  EXPECT_EQ(Eval("Hint('plain')"), (TResult{etString, "plain"}));
  EXPECT_EQ(ApplicationHint(), "plain");
  std::string seen;
  UpdateHint = [&](const std::string& text, int x, int y) {
    seen += text + "@" + std::to_string(x) + "," + std::to_string(y) + ";";
  };
  Eval("Hint('x')");
  Eval("Hint('x', 5)");
  Eval("Hint('x', 5, 7)");
  EXPECT_EQ(seen, "x@-1,0;x@5,0;x@5,7;");
  EXPECT_EQ(ApplicationHint(), "plain");
}

TEST_F(SystemFunctions, SureAsksOneQuestionMark) {
  std::vector<std::string> asked;
  std::string beeps;
  DialogHooks().Beep = [&](int type) { beeps += std::to_string(type) + ";"; };
  DialogHooks().Sure = [&](const std::string& c, const std::string& q, int flags) {
    asked.push_back(c + "|" + q + "|" + std::to_string(flags));
    return q != "No?";
  };
  EXPECT_EQ(Eval("Sure('Delete')"), (TResult{etBoolean, "Yes"}));
  EXPECT_EQ(Eval("Sure('Delete?')"), (TResult{etBoolean, "Yes"}));
  EXPECT_EQ(Eval("Sure('')"), (TResult{etBoolean, "Yes"}));
  EXPECT_EQ(Eval("Sure('No')"), (TResult{etBoolean, "No"}));
  const std::string confirm = Res("确认");
  EXPECT_EQ(asked, (std::vector<std::string>{confirm + "|Delete?|33", confirm + "|Delete?|33",
                                             confirm + "||33", confirm + "|No?|33"}));
  EXPECT_EQ(beeps, "48;48;48;48;");
  DialogHooks().Sure = nullptr;
  EXPECT_EQ(Eval("Sure('Go')"), (TResult{etBoolean, "No"})) << "nobody can say OK";
}

TEST_F(SystemFunctions, ExecOpenAndWait) {
  std::string script = Folder + "/script";
  std::ofstream(script) << "#!/bin/sh\nprintf '%s|' \"$@\" > \"$0.out\"\n";
  chmod(script.c_str(), 0755);
  std::string opener = Folder + "/opener";
  std::ofstream(opener) << "#!/bin/sh\nprintf '%s' \"$1\" > \"$0.tmp\" && mv \"$0.tmp\" \"$0.out\"\n";
  chmod(opener.c_str(), 0755);
  SetDocumentOpener(opener);
  std::ofstream(Folder + "/doc.txt") << "x";

  // Wait returns once the program has ended, so its output is complete.
  EXPECT_EQ(Eval("Wait(" + Quoted(script) + ", 'a \"b c\"')"), (TResult{etBoolean, "Yes"}));
  EXPECT_EQ(Contents(script + ".out"), "a|b c|");
  EXPECT_EQ(Eval("Wait('', " + Quoted(script + " first") + ", 0)"), (TResult{etBoolean, "Yes"}));
  EXPECT_EQ(Contents(script + ".out"), "first|");

  EXPECT_EQ(Eval("Exec(" + Quoted(Folder + "/absent") + ", '')"), (TResult{etInteger, "2"}));
  EXPECT_EQ(Eval("Exec('true', 'x', 1)"), (TResult{etInteger, "33"}));
  EXPECT_EQ(Eval("Open(" + Quoted(Folder + "\\doc.txt") + ")"), (TResult{etInteger, "33"}));
  for (int i = 0; i < 500 && !fs::exists(opener + ".out"); ++i) usleep(10000);
  EXPECT_EQ(Contents(opener + ".out"), Folder + "/doc.txt");
  EXPECT_EQ(Eval("Open('')"), (TResult{etInteger, "2"}));
}

TEST_F(SystemFunctions, WaitReportsAProgramThatCannotStart) {
  std::string missing = Folder + "/missing";
  TResult result = Eval("Wait(" + Quoted(missing) + ", 'p1 p2')");
  EXPECT_EQ(result, (TResult{etString, Res("执行程序失败") + "\r\n" + missing +
                                           "\r\np1 p2\r\n[2]No such file or directory"}));
  std::ofstream(Folder + "/plain") << "not a program";
  chmod((Folder + "/plain").c_str(), 0644);
  if (geteuid() != 0) {
    result = Eval("Wait(" + Quoted(Folder + "/plain") + ", '')");
    EXPECT_EQ(result.Text, Res("执行程序失败") + "\r\n" + Folder + "/plain\r\n\r\n[13]Permission denied");
  }
}

TEST_F(SystemFunctions, RegValueReadsAndWritesStrings) {
  ASSERT_TRUE(RegCreateKey(rkLocalMachine, "Software\\X"));
  ASSERT_TRUE(RegWriteValue(rkLocalMachine, "Software\\X", "Y", RegStringValue("machine")));
  ASSERT_TRUE(RegCreateKey(rkCurrentUser, "Software\\X"));
  ASSERT_TRUE(RegWriteValue(rkCurrentUser, "Software\\X", "Y", RegStringValue("user")));
  ASSERT_TRUE(RegWriteValue(rkCurrentUser, "Software\\X", "Bin",
                            RegBinaryValue(std::string("ab\0c", 4))));

  EXPECT_EQ(Eval("RegValue('HKEY_LOCAL_MACHINE\\Software\\X', 'Y')"),
            (TResult{etString, "machine"}));
  EXPECT_EQ(Eval("RegValue('Software\\X', 'y')"), (TResult{etString, "user"}));
  EXPECT_EQ(Eval("RegValue('Software\\X', 'Bin')"), (TResult{etString, "ab"}));
  EXPECT_EQ(Eval("RegValue('Software\\X', 'Absent')"), (TResult{etString, ""}));
  EXPECT_EQ(Eval("RegValue('Software\\Absent', 'Y')"), (TResult{etString, ""}));
  EXPECT_EQ(Eval("RegValue('HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion', "
                 "'ProgramFilesDir')"),
            (TResult{etString, "/opt"}));

  EXPECT_EQ(Eval("RegValue('Software\\New\\Key', 'Name', 12)"), (TResult{etString, "Yes"}));
  TRegValue value;
  ASSERT_TRUE(RegReadValue(rkCurrentUser, "Software\\New\\Key", "Name", value));
  EXPECT_EQ(value.Type, static_cast<uint32_t>(rvString));
  EXPECT_EQ(RegValueText(value), "12");
  EXPECT_EQ(Eval("RegValue('Software\\New\\Key', 'Name')"), (TResult{etString, "12"}));
  EXPECT_EQ(Eval("RegValue('HKEY_PERFORMANCE_DATA\\x', 'Name', 'v')"), (TResult{etString, "No"}));
}

TEST_F(SystemFunctions, ReadIniInItsThreeForms) {
  std::string file = Folder + "/a.ini";
  std::ofstream(file, std::ios::binary) << "[s]\r\nk=abc ;note\r\nPort=8080;service port\r\n"
                                           "[t]\r\nx=1\r\n";
  std::string f = Quoted(file);
  EXPECT_EQ(Eval("ReadIni(" + f + ", 's', 'k')"), (TResult{etString, "abc "}));
  EXPECT_EQ(Eval("ReadIni(" + f + ", 'S', 'PORT')"), (TResult{etString, "8080"}));
  EXPECT_EQ(Eval("ReadIni(" + f + ", 's', 'absent')"), (TResult{etString, ""}));
  EXPECT_EQ(Eval("ReadIni(" + f + ", 's')"), (TResult{etString, "k\r\nPort\r\n"}));
  EXPECT_EQ(Eval("ReadIni(" + f + ", 'absent')"), (TResult{etString, ""}));
  EXPECT_EQ(Eval("ReadIni(" + f + ")"),
            (TResult{etString, "[s]\r\nk=abc ;note\r\nPort=8080;service port\r\n[t]\r\nx=1\r\n"}));
  EXPECT_EQ(Eval("ReadIni(" + Quoted(Folder + "/absent.ini") + ")"), (TResult{etString, ""}));
  // A file that exists but cannot be read is the expression's error.
  EXPECT_EQ(Eval("ReadIni(" + Quoted(Folder) + ", 's', 'k')"),
            (TResult{etString, "Cannot open file \"" + Folder + "\". Is a directory"}));
}

TEST_F(SystemFunctions, WriteIniInItsThreeForms) {
  std::string file = Folder + "/w.ini";
  std::string f = Quoted(file);
  EXPECT_EQ(Eval("WriteIni(" + f + ", 's', 'k', 5)"), (TResult{etBoolean, "Yes"}));
  EXPECT_EQ(Contents(file), "[s]\r\nk=5\r\n");
  EXPECT_EQ(Eval("WriteIni(" + f + ", 'other', 'z', 'zz')"), (TResult{etBoolean, "Yes"}));
  EXPECT_EQ(Eval("WriteIni(" + f + ", 's', '', 'a=1' + #13#10 + 'b=''x=y''' + #13#10 + 'c=d=e')"),
            (TResult{etBoolean, "Yes"}));
  EXPECT_EQ(Contents(file), "[other]\r\nz=zz\r\n[s]\r\na=1\r\nb='x=y'\r\nc=d\r\n");
  // An empty section with a key names no entry: nothing is written.
  EXPECT_EQ(Eval("WriteIni(" + f + ", '', 'k', 'v')"), (TResult{etBoolean, "No"}));
  EXPECT_EQ(Contents(file), "[other]\r\nz=zz\r\n[s]\r\na=1\r\nb='x=y'\r\nc=d\r\n");
  EXPECT_EQ(Eval("WriteIni(" + f + ", '', '', 'whole' + #10 + 'file')"), (TResult{etBoolean, "Yes"}));
  EXPECT_EQ(Contents(file), "whole\nfile");
  // A file that cannot be written is the expression's error.
  EXPECT_EQ(Eval("WriteIni(" + Quoted(Folder + "/no/dir/x.ini") + ", 's', 'k', 'v')"),
            (TResult{etString, "Unable to write to " + Folder + "/no/dir/x.ini"}));
}

TEST_F(SystemFunctions, WriteIniKeepsItsFourthArgumentThroughCopies) {
  std::string file = Folder + "/copy.ini";
  std::unique_ptr<TExpression> root =
      TranslateExp("WriteIni(" + Quoted(file) + ", 's', 'k', 'v' + '1')");
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->GetSubExpCount(), 4);
  ASSERT_NE(root->GetSubExp(3), nullptr);
  EXPECT_EQ(root->GetSubExp(4), nullptr);
  std::unique_ptr<TExpression> copy(root->CopySelf());
  root.reset();
  ASSERT_EQ(copy->GetSubExpCount(), 4);
  ExpEvaluate(*copy, kForceStamp);
  EXPECT_TRUE(copy->GetBoolean());
  EXPECT_EQ(Contents(file), "[s]\r\nk=v1\r\n");
}

TEST_F(SystemFunctions, ExistFindsFilesAndPlainFolders) {
  std::ofstream(Folder + "/file.txt") << "x";
  std::ofstream(Folder + "/.hidden.txt") << "x";
  fs::create_directory(Folder + "/plain");
  fs::create_directory(Folder + "/.hidden");
  struct TRow {
    std::string Path;
    bool Exists;
  };
  const TRow rows[] = {
      {Folder + "/file.txt", true},      {Folder + "\\file.txt", true},
      {Folder + "/file.txt\\", false},   {Folder + "/.hidden.txt", true},
      {Folder + "/plain", true},         {Folder + "/plain\\", true},
      {Folder + "\\plain/", true},       {Folder + "/.hidden", false},
      {Folder + "/absent", false},       {"", false},
  };
  for (const TRow& row : rows)
    EXPECT_EQ(Eval("Exist(" + Quoted(row.Path) + ")").Text, row.Exists ? "Yes" : "No") << row.Path;
}

TEST_F(SystemFunctions, ClipboardSetsAndReads) {
  SetClipboardData("application/x-other", "data");
  EXPECT_EQ(Eval("Clipboard()"), (TResult{etString, ""}));
  EXPECT_EQ(Eval("Clipboard(" + Quoted(Res("剪贴")) + ")"), (TResult{etString, Res("剪贴")}));
  EXPECT_EQ(Eval("Clipboard()"), (TResult{etString, Res("剪贴")}));
  EXPECT_EQ(GetClipboardText(), Res("剪贴"));
  EXPECT_EQ(Eval("Clipboard(3 * 4)"), (TResult{etString, "12"}));
}

TEST_F(SystemFunctions, ClipboardObjMovesObjectsByHandle) {
  std::unique_ptr<TExpression> original = CreateIntExp(7);
  CopyObjectToClipboard(original.get());
  TResult pasted = Eval("ClipboardObj()");
  ASSERT_EQ(pasted.Type, etInteger);
  int32_t handle = std::stoi(pasted.Text);
  ASSERT_GT(handle, 0);
  auto* object = ObjectAs<TExpression>(ObjectOfHandleAs<TObject>(handle, hkClipboardObject));
  ASSERT_NE(object, nullptr);
  EXPECT_NE(object, original.get());
  EXPECT_EQ(object->GetInteger(), 7);
  EXPECT_EQ(ObjectOfHandle(handle, hkDataSet), nullptr);

  // Putting it back gives its handle; taking it again makes a new object.
  object->PutInteger(8);
  SetClipboardText("replaced");
  EXPECT_EQ(Eval("ClipboardObj(" + pasted.Text + ")"), (TResult{etInteger, pasted.Text}));
  EXPECT_EQ(GetClipboardText(), "");
  int32_t second = std::stoi(Eval("ClipboardObj()").Text);
  EXPECT_GT(second, handle);
  auto* copy = ObjectAs<TExpression>(ObjectOfHandleAs<TObject>(second, hkClipboardObject));
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->GetInteger(), 8);

  // Handles that designate nothing leave the clipboard alone.
  for (const char* text : {"ClipboardObj(0)", "ClipboardObj(2147483647)", "ClipboardObj(-5)"})
    EXPECT_EQ(Eval(text), (TResult{etInteger, "0"})) << text;
  EXPECT_TRUE(ClipboardHasObject());

  SetClipboardText("text only");
  EXPECT_EQ(Eval("ClipboardObj()"), (TResult{etInteger, "0"}));
  EXPECT_EQ(GetClipboardText(), "text only");
  SetClipboardData(ObjectClipboardMimeType, "damaged");
  EXPECT_EQ(Eval("ClipboardObj()").Type, etString) << "a damaged stream is the expression's error";
}

TEST_F(SystemFunctions, PlaceholdersExpand) {
  struct TRow {
    const char* Text;
    std::string Expected;
  };
  const std::string cwd = fs::current_path().string();
  const TRow rows[] = {
      {"ExpandEDS('<WINDIR>\\a.txt')", "/usr/a.txt"},
      {"ExpandEDS('<WINDIR>\\a.txt', No)", "/usr\\a.txt"},
      {"ExpandEDS('<winsysdir>\\..\\x', Yes)", "/usr/x"},
      {"ExpandEDS('<UNKNOWN>\\a', No)", "<UNKNOWN>\\a"},
      {"ExpandEDS('<UNKNOWN>\\a')", cwd + "/<UNKNOWN>/a"},
      {"ExpandEDS('http://<WINDISK>x')", "http://x"},
      {"ExpressDir('WINDIR')", "/usr"},
      {"ExpressDir('WinSys16Dir')", "/usr"},
      {"ExpressDir('WINSYSDIR')", "/usr/lib"},
      {"ExpressDir('WINDISK')", ""},
      {"ExpressDir('PROGRAMNAME')", "test_functions"},
      {"ExpressDir('DATA')", ""},
      {"ExpressDir('<WINDIR>')", ""},
  };
  for (const TRow& row : rows) EXPECT_EQ(Eval(row.Text), (TResult{etString, row.Expected})) << row.Text;
}

TEST_F(SystemFunctions, MachineFacts) {
  EXPECT_EQ(Eval("ComputerName()"), (TResult{etString, GetComputerName().substr(0, 255)}));
  EXPECT_FALSE(GetComputerName().empty());
  EXPECT_EQ(Eval("IP()"), (TResult{etString, GetLocalIP()}));
  int32_t before = TickCount();
  int32_t ticks = std::stoi(Eval("TickCount()").Text);
  EXPECT_LE(static_cast<uint32_t>(ticks) - static_cast<uint32_t>(before), 10000u);
  EXPECT_GE(std::stoll(Eval("Mem()").Text), 0);
  EXPECT_EQ(Eval("DiskFree(1)"), (TResult{etInteger, "-1"}));
  EXPECT_EQ(Eval("DiskSize(26)"), (TResult{etInteger, "-1"}));
  EXPECT_EQ(Eval("DiskSize(3)").Text, std::to_string(ClampToInt32(DiskSizeBytes(3))));
  EXPECT_EQ(Eval("DiskSize(0)").Text, std::to_string(ClampToInt32(DiskSizeBytes(0))));
  EXPECT_EQ(Eval("DiskSize(2.6)").Text, std::to_string(ClampToInt32(DiskSizeBytes(3))))
      << "the drive number is rounded";
}

TEST_F(SystemFunctions, NothingIsFoldedAtTranslation) {
  std::unique_ptr<TExpression> root = TranslateExp("Clipboard()");
  ASSERT_NE(root, nullptr);
  SetClipboardText("one");
  ExpEvaluate(*root, kForceStamp);
  EXPECT_EQ(root->GetString(), "one");
  SetClipboardText("two");
  ExpEvaluate(*root, kForceStamp);
  EXPECT_EQ(root->GetString(), "two");
}
