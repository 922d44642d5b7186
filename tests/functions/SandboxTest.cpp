// The sandbox: functions with effects outside the evaluation are refused, endless evaluations
// stop at the time budget, and no text grows past the size bound.
#include <gtest/gtest.h>

#include <unistd.h>

#include "core/EntryPoints.h"
#include "core/Sandbox.h"
#include "core/Translator.h"
#include "runtime/Exception.h"
#include "runtime/Gbk.h"
#include "EngineTesting.h"

using namespace qnexp;

namespace {

std::string Eval(const std::string& text) { return qnexp::testing::EvalText(text); }

class SandboxTest : public ::testing::Test {
protected:
  void SetUp() override {
    TSandboxSettings settings;
    settings.Enabled = true;
    settings.TimeBudget = 0.2;
    settings.MaxTextBytes = 1000;
    SetSandbox(settings);
  }
  void TearDown() override { SetSandbox(TSandboxSettings{}); }
};

}  // namespace

TEST_F(SandboxTest, FunctionsWithOutsideEffectsAreRefused) {
  const std::string file = "/tmp/qnexp-sandbox-" + std::to_string(getpid()) + ".ini";
  const struct {
    const char* Name;
    std::string Text;
  } refused[] = {
      {"Input", "Input('a', 'b', 'c')"},
      {"Display", "Display('x')"},
      {"Display", "Display()"},
      {"Hint", "Hint('x')"},
      {"Sure", "Sure('go')"},
      {"Exec", "Exec('true', '')"},
      {"Wait", "Wait('true', '')"},
      {"Open", "Open('/tmp')"},
      {"RegValue", "RegValue('Software\\qnexp-sandbox', 'n', 'v')"},
      {"WriteIni", "WriteIni('" + file + "', 's', 'k', 'v')"},
      {"Clipboard", "Clipboard()"},
      {"Clipboard", "Clipboard('x')"},
      {"ClipboardObj", "ClipboardObj()"},
      {"IP", "IP()"},
  };
  for (const auto& row : refused)
    EXPECT_EQ(Eval(row.Text), std::string("raised 沙箱中不能使用函数") + row.Name) << row.Text;
  EXPECT_NE(access(file.c_str(), F_OK), 0) << "the INI file was written";
}

TEST_F(SandboxTest, ReadingAndComputingStayAllowed) {
  EXPECT_EQ(Eval("RegValue('Software\\qnexp-sandbox-none', 'n')"), "etString ");
  EXPECT_EQ(Eval("ReadIni('/nonexistent/x.ini', 's', 'k')"), "etString ");
  EXPECT_EQ(Eval("Exist('/nonexistent')"), "etBoolean No");
  EXPECT_EQ(Eval("Upper('abc') + ToStr(1 + 2)"), "etString ABC3");
}

TEST_F(SandboxTest, TheTimeBudgetEndsEndlessEvaluations) {
  EXPECT_EQ(Eval("Loop(i := 0, i := i + 1, False)"), "raised Operation aborted");
  // The budget is per entry point: the next evaluation starts afresh.
  EXPECT_EQ(Eval("Loop(i := 0, i := i + 1, i >= 10)").substr(0, 6), "etStri");
  EXPECT_EQ(Eval("i"), "etInteger 10");
  // An include directive evaluates while translating; translation has the budget too.
  EXPECT_EQ(Eval("{$I Loop(i := 0, i := i + 1, False)}"), "translation raised Operation aborted");
  EXPECT_EQ(Eval("2 * 3"), "etInteger 6");
}

// Reading a value evaluates its format expression, outside any entry point: it has the budget
// too (found by fuzzing: the reading hung).
TEST_F(SandboxTest, AFormatReadAfterEvaluationHasTheTimeBudget) {
  std::unique_ptr<TExpression> root = TranslateExp("t :Loop(i := 0, i := i + 1, False)");
  ASSERT_TRUE(root);
  ExpEvaluate(*root, kForceStamp);
  try {
    root->GetString();
    ADD_FAILURE() << "no error";
  } catch (const Exception& error) {
    EXPECT_EQ(error.Message, "Operation aborted");
  }
}

TEST_F(SandboxTest, TextsStayWithinTheSizeBound) {
  EXPECT_EQ(Eval("Length(ChrS('x', 1000))"), "etInteger 1000");
  EXPECT_EQ(Eval("ChrS('x', 1001)"), "raised 文本超过1000字节的限制");
  EXPECT_EQ(Eval("Loop(s := 'ab', s := s + s, False)"), "raised 文本超过1000字节的限制");
}

TEST(SandboxOff, NothingIsBoundOrRefused) {
  SetSandbox(TSandboxSettings{});
  EXPECT_EQ(Eval("Length(ChrS('x', 100000))"), "etInteger 100000");
  Eval("Loop(i := 0, i := i + 1, i >= 100000)");
  EXPECT_EQ(Eval("i"), "etInteger 100000");
}
