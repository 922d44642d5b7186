// The macro and amount functions as expressions see them: result types, the macro-set
// argument given as a handle, evaluation at every call rather than at translation, and errors
// turned into text by the evaluation entry point.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "core/EntryPoints.h"
#include "core/Translator.h"
#include "runtime/Gbk.h"
#include "runtime/Handles.h"
#include "support/Macros.h"
#include "EngineTesting.h"

using namespace qnexp;

namespace {

// "<type> <text>" of a text evaluated with the forcing stamp, "status N" for a translation
// failure, "raised <message>" when evaluation raised.
std::string Eval(const std::string& text) { return qnexp::testing::EvalText(text); }

class MacroFunctions : public ::testing::Test {
protected:
  void SetUp() override { DefaultMacros->Clear(); }
  void TearDown() override { DefaultMacros->Clear(); }
};

TEST_F(MacroFunctions, Table) {
  struct {
    const char* text;
    const char* expected;
  } cases[] = {
      {"DefinMacro('a', '2')", "etString 2"},
      {"MacroText('a')", "etString 2"},
      {"ExpandMacros('x~a~y')", "etString x2y"},
      {"Calc('1+~a~')", "etInteger 3"},
      {"Calculate('1+~a~') * 2", "etInteger 6"},
      {"Calc('~a~ / 4.0')", "etReal 0.5"},
      {"Calc('''t''')", "etChar t"},
      {"Calc('1+')", "etString 需要操作数 (1+[错])"},
      {"Calc('')", "etString "},
      {"MacroText('_MacroList')", "etString a=2\r\n"},
      {"DefinMacro('a', '')", "etString "},
      {"MacroText('a')", "etString "},
      {"ExpandMacros('~?Length(''abc'')~')", "etString 3"},
      {"DefinMacro('self', '~self~')", "etString ~self~"},
      {"ExpandMacros('~self~')", "raised 宏嵌套太深(超过100层)"},
      {"Calc('~self~')", "raised 宏嵌套太深(超过100层)"},
      {"DefinMacro('a')", "status tsTooFewParameters"},
      {"RMBFormat(1234.56, '@3&&~')", "etString 壹仟贰佰叁拾肆圆伍角陆分"},
      {"RMBFormat('12.5', '#.0')", "etString 12."},
      {"RMBFormat(12.5, '#.0')", "etString 13."},
      {"RMBFormat(7, '#%')", "raised Format '%s%' invalid or incompatible with argument"},
  };
  for (const auto& c : cases) EXPECT_EQ(Eval(c.text), c.expected) << c.text;
}

TEST_F(MacroFunctions, HandleSelectsTheSetAndUnknownHandlesSelectDefault) {
  TMacros own;
  own.SetMacroText("k", "own");
  DefaultMacros->SetMacroText("k", "default");
  std::string handle = std::to_string(HandleOf(&own, hkMacros));
  EXPECT_EQ(Eval("MacroText('k', " + handle + ")"), "etString own");
  EXPECT_EQ(Eval("DefinMacro('j', 'x', " + handle + ")"), "etString x");
  EXPECT_EQ(own.GetValue("j"), "x");
  EXPECT_EQ(Eval("ExpandMacros('~j~~k~', " + handle + ")"), "etString xown");
  EXPECT_EQ(Eval("Calc('''~k~''', " + handle + ")"), "etString own");
  // The list walks up to the parent.
  EXPECT_EQ(Eval("MacroText('_MacroList', " + handle + ")"),
            "etString k=own\r\nj=x\r\n\r\nk=default\r\n");
  for (const char* other : {"0", "987654", "'1'"})
    EXPECT_EQ(Eval(std::string("MacroText('k', ") + other + ")"), "etString default") << other;
  // A handle of another kind designates no set.
  std::string screen = std::to_string(HandleOf(&Screen(), hkScreen));
  EXPECT_EQ(Eval("MacroText('k', " + screen + ")"), "etString default");
}

TEST_F(MacroFunctions, ReadEveryEvaluationNotFoldedAtTranslation) {
  std::unique_ptr<TExpression> root = TranslateExp("MacroText('v')");
  ASSERT_TRUE(root);
  DefaultMacros->SetMacroText("v", "1");
  root->Evaluate(-1);
  EXPECT_EQ(root->GetString(), "1");
  DefaultMacros->SetMacroText("v", "2");
  root->Evaluate(-1);
  EXPECT_EQ(root->GetString(), "2");
}

TEST_F(MacroFunctions, CalcTakesTheTypeOfEachResult) {
  std::unique_ptr<TExpression> root = TranslateExp("Calc(MacroText('e'))");
  ASSERT_TRUE(root);
  DefaultMacros->SetMacroText("e", "1+1");
  root->Evaluate(-1);
  EXPECT_EQ(root->DataType, etInteger);
  DefaultMacros->SetMacroText("e", "'a'+'b'");
  root->Evaluate(-1);
  EXPECT_EQ(root->DataType, etString);
  EXPECT_EQ(root->GetString(), "ab");
}

}  // namespace
