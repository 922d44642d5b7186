// The dialog hooks: installed hooks take over, the terminal forms prompt and read answers,
// the non-interactive defaults answer without asking, and hints go to the handler or the
// application's hint text.
#include <gtest/gtest.h>

#include <sstream>

#include "platform/Dialogs.h"
#include "runtime/Gbk.h"

using namespace qnexp;

namespace {

// Restores the hooks, the mode and the hint handler after each test.
class DialogsTest : public ::testing::Test {
protected:
  void SetUp() override { SetDialogMode(dmSilent); }
  void TearDown() override {
    DialogHooks() = TDialogHooks();
    SetDialogMode(dmAuto);
    UpdateHint = nullptr;
    SetApplicationHint("");
  }
};

}  // namespace

TEST_F(DialogsTest, SilentDefaultsAnswerWithoutAsking) {
  EXPECT_FALSE(DialogsPrompt());
  EXPECT_EQ(InputDialog("c", "p", "default"), "default");
  EXPECT_FALSE(ConfirmDialog("c", "q?", MessageFlagsOkCancelQuestion));
  testing::internal::CaptureStderr();
  MessageDialog("c", "shown to nobody", MessageFlagsInformation);
  MessageBeep(BeepExclamation);
  ProcessMessages();
  ShowError(Res("错误") + "\r\nline");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "错误\r\nline\n");
}

TEST_F(DialogsTest, InstalledHooksReceiveEverything) {
  std::string seen;
  DialogHooks().Input = [&](const std::string& c, const std::string& p, const std::string& d) {
    seen += "input(" + c + "," + p + "," + d + ")";
    return std::string("typed");
  };
  DialogHooks().Display = [&](const std::string& c, const std::string& t, int flags) {
    seen += "display(" + c + "," + t + "," + std::to_string(flags) + ")";
  };
  DialogHooks().Sure = [&](const std::string& c, const std::string& q, int flags) {
    seen += "sure(" + c + "," + q + "," + std::to_string(flags) + ")";
    return true;
  };
  DialogHooks().ShowError = [&](const std::string& m) { seen += "error(" + m + ")"; };
  DialogHooks().ProcessMessages = [&] { seen += "pump"; };
  DialogHooks().Beep = [&](int type) { seen += "beep" + std::to_string(type); };

  EXPECT_EQ(InputDialog("C", "P", "D"), "typed");
  MessageDialog("C", "T", 64);
  EXPECT_TRUE(ConfirmDialog("C", "Q", 33));
  ShowError("E");
  ProcessMessages();
  MessageBeep(48);
  EXPECT_EQ(seen, "input(C,P,D)display(C,T,64)sure(C,Q,33)error(E)pumpbeep48");
}

TEST_F(DialogsTest, TerminalInputKeepsTheDefaultOnEmptyLineOrEnd) {
  struct TRow {
    const char* Typed;
    std::string Expected;
  };
  const TRow rows[] = {{"answer\n", "answer"},
                       {"answer\r\n", "answer"},
                       {"\n", "dflt"},
                       {"", "dflt"},
                       {"中文\n", Res("中文")}};
  for (const TRow& row : rows) {
    std::istringstream in(row.Typed);
    std::ostringstream out;
    EXPECT_EQ(TerminalInput(in, out, Res("标题"), "Name", "dflt"), row.Expected) << row.Typed;
    EXPECT_EQ(out.str(), "标题\nName [dflt]: ");
  }
  std::istringstream in("x\n");
  std::ostringstream out;
  TerminalInput(in, out, "", "Name", "");
  EXPECT_EQ(out.str(), "Name: ");
}

TEST_F(DialogsTest, TerminalConfirmNeedsYes) {
  struct TRow {
    const char* Typed;
    bool Expected;
  };
  const TRow rows[] = {{"y\n", true},   {"YES\n", true}, {" Yes \r\n", true}, {"n\n", false},
                       {"yess\n", false}, {"\n", false},   {"", false}};
  for (const TRow& row : rows) {
    std::istringstream in(row.Typed);
    std::ostringstream out;
    EXPECT_EQ(TerminalConfirm(in, out, Res("确认"), "Go?"), row.Expected) << row.Typed;
    EXPECT_EQ(out.str(), "确认: Go? (y/n) ");
  }
}

TEST_F(DialogsTest, TerminalMessageShowsCaptionAndText) {
  std::ostringstream out;
  TerminalMessage(out, "prog", Res("你好"));
  EXPECT_EQ(out.str(), "prog: 你好\n");
}

TEST_F(DialogsTest, HintsGoToTheHandlerOrTheApplication) {
  ShowHint("first", -1, 0);
  EXPECT_EQ(ApplicationHint(), "first");
  std::string seen;
  UpdateHint = [&](const std::string& text, int x, int y) {
    seen = text + "@" + std::to_string(x) + "," + std::to_string(y);
  };
  ShowHint("second", 5, 7);
  EXPECT_EQ(seen, "second@5,7");
  EXPECT_EQ(ApplicationHint(), "first");
}
