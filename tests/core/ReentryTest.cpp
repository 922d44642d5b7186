// Texts that make evaluation or translation re-enter itself: variables redefined from inside
// their own formulas, formulas that refer to themselves, run-time translation inside run-time
// translation and inside include directives. Each once killed the process; each must now give
// a value or a clear error. The suite runs under the sanitizers too, which is what makes the
// freed-node cases meaningful.
#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

#include "core/EntryPoints.h"
#include "core/FunctionList.h"
#include "core/Nesting.h"
#include "core/Translator.h"
#include "core/Variables.h"
#include "runtime/Exception.h"
#include "runtime/Gbk.h"
#include "support/Macros.h"
#include "EngineTesting.h"

using namespace qnexp;

namespace {

std::string Eval(const std::string& text) { return qnexp::testing::EvalText(text); }

std::string FormulaTooDeep(const std::string& name) {
  return "raised 变量" + name + "的公式嵌套太深(超过" + std::to_string(kMaxFormulaNesting) + "层)";
}

const std::string TextTooDeep =
    "raised 表达式文本的计算嵌套太深(超过" + std::to_string(kMaxTextNesting) + "层)";

// Each test works in a private list chained to the public one, with no macros left behind.
class Reentry : public qnexp::testing::TPrivateVarListTest {
protected:
  void TearDown() override {
    TPrivateVarListTest::TearDown();
    DefaultMacros->Clear();
  }
};

}  // namespace

TEST_F(Reentry, DefinitionsUnderNamesThatComeOutEmptyKeepNothing) {
  EXPECT_EQ(Eval("VarDef(Trim(''),1)"), "etString ");
  EXPECT_EQ(Eval("n := ''"), "etString ");
  EXPECT_EQ(Eval("VarDef(n, 1)"), "etString ");
  EXPECT_EQ(Eval("VarDef(n, 1) + VarDef(n, 2)"), "etInteger 0");
  // "." and "\" lead to the parent and the public list with an empty name left over.
  EXPECT_EQ(Eval("VarDef(Trim('.'), 1)"), "etString .");
  EXPECT_EQ(Eval("VarDef(Trim('\\'), 1)"), "etString \\");
  EXPECT_EQ(List->List().Count(), 1);  // only n
}

TEST_F(Reentry, AVariableRedefinedFromInsideItsFormulaLivesUntilTheFormulaEnds) {
  EXPECT_EQ(Eval("VarDef('a',VarDef(Trim('a'),1))+a"), "etInteger 2");
  // A computed name defines again at every evaluation, so each reference of f frees the node
  // that is computing it.
  Eval("n := 'f'");
  EXPECT_EQ(Eval("VarDef('f', VarDef(n, 7) + 1)"), "etInteger 8");
  EXPECT_EQ(Eval("f"), "etInteger 8");
  EXPECT_EQ(Eval("f"), "etInteger 7");
  // The variable is a plain value now.
  EXPECT_EQ(Eval("f + 1"), "etInteger 8");
}

TEST_F(Reentry, AFormulaThatRedefinesAnotherRunningFormula) {
  Eval("n := 'outer'");
  EXPECT_EQ(Eval("VarDef('inner', VarDef(n, 5) * 2)"), "etInteger 10");
  EXPECT_EQ(Eval("VarDef('outer', inner + 1)"), "etInteger 11");
  // outer runs inner, which replaces outer while it still runs.
  EXPECT_EQ(Eval("outer"), "etInteger 11");
  EXPECT_EQ(Eval("outer"), "etInteger 5");
}

TEST_F(Reentry, ClearingTheListFromOutsideARunningFormulaIsSafe) {
  Eval("VarDef('g', 40 + 2)");
  TExpression* node = List->GetVarExp("G");
  ASSERT_NE(node, nullptr);
  List->Clear();
  EXPECT_EQ(List->GetVarExp("G"), nullptr);
  EXPECT_EQ(Eval("g"), "etString g");
}

TEST_F(Reentry, SelfReferringFormulasStopAtTheirLimit) {
  EXPECT_EQ(Eval("VarDef(a,a)+a"), FormulaTooDeep("a"));
  EXPECT_EQ(Eval("VarDef('x', y + 1) + VarDef('y', x + 1) + x"), FormulaTooDeep("x"));
  // Nothing is left half-counted: a legitimate chain of formulas still works.
  Eval("v0 := 1");
  for (int i = 1; i <= 200; ++i)
    Eval("VarDef('v" + std::to_string(i) + "', v" + std::to_string(i - 1) + " + 1)");
  EXPECT_EQ(Eval("v200"), "etInteger 201");
}

TEST_F(Reentry, RunTimeTranslationStopsAtItsLimit) {
  EXPECT_EQ(Eval("Calc(s:='Calc(s)')"), TextTooDeep);
  EXPECT_EQ(Eval("Calc('Calc(''Calc(''''1+2'''')'')')"), "etInteger 3");
  // Run-time translation inside a formula: the tighter limit stops it.
  EXPECT_EQ(Eval("VarDef('r', Calc('r'))+r"), TextTooDeep);
}

TEST_F(Reentry, IncludeDirectivesTranslateInsideATranslation) {
  EXPECT_EQ(Eval("{$I Calc('2')} + {$I Calc('3')}"), "etInteger 5");
  EXPECT_EQ(Eval("{$I Calc('{$I Calc(''2'')} * 3')} + 1"), "etInteger 7");
  EXPECT_EQ(Eval("{$I 1+1"), "etInteger 2");  // left open: runs to the end
  EXPECT_EQ(Eval(" {$ICalc('')"), "status tsOperandNeeded");
  EXPECT_EQ(Eval("{$I Calc(s:='{$I Calc(s)}')}"), "translation " + TextTooDeep);
  // The outer translation keeps its own text: the message shows it, not the inner one.
  EXPECT_EQ(TranslateExp("{$I Calc('2')} + )"), nullptr);
  EXPECT_EQ(GbkToUtf8(ExpTranslator->ErrorMsg()), "无效操作数 (2 + [错]))");
}

// A failed directive is replaced by the message of the translation, which quotes the whole
// text: each one doubled the text, so a line of them once ran for minutes and gigabytes.
TEST_F(Reentry, FailingDirectivesCannotGrowTheTextWithoutBound) {
  std::string text;
  for (int i = 0; i < 40; ++i) text += "{$I 1+} ";
  EXPECT_EQ(Eval(text), "translation raised 包含指令展开后的表达式太长(超过" +
                            std::to_string(kMaxPretreatedTextBytes) + "字节)");
  EXPECT_EQ(Eval("{$I 1+} {$I 1+} 2").substr(0, 7), "status ");
}

// Copying takes the value through the format expression, which may raise: the copy made so
// far must be freed (the leak check of the sanitizer build watches this).
TEST_F(Reentry, ACopyThatRaisesLeavesNothingBehind) {
  std::unique_ptr<TExpression> root = TranslateExp("Do(fa :LT^a )");
  ASSERT_TRUE(root);
  ExpEvaluate(*root, kForceStamp);
  EXPECT_THROW(std::unique_ptr<TExpression>(root->CopySelf()), Exception);
}

TEST_F(Reentry, MacrosThatTranslateAndEvaluate) {
  EXPECT_EQ(Eval("DefinMacro('two', '~?1+1~')"), "etString ~?1+1~");
  EXPECT_EQ(Eval("ExpandMacros('~?Calc(MacroText(''two'') + ''0'')~')"), "etString 20");
  EXPECT_EQ(Eval("DefinMacro('m', '2*3')"), "etString 2*3");
  EXPECT_EQ(Eval("Calc('~m~') + {$I Calc('~m~')}"), "etInteger 12");
  // An expression macro that expands itself.
  Eval("DefinMacro('r', '~?MacroText(''r'')~')");
  EXPECT_EQ(Eval("ExpandMacros('~r~')"),
            "raised 宏嵌套太深(超过" + std::to_string(kMaxMacroNesting) + "层)");
}

namespace {

// A function whose calculation fails the way the standard library fails.
class TExp_FailsLikeTheLibrary : public TFunction {
  QN_CLASS(TExp_FailsLikeTheLibrary, TFunction)
public:
  TExp_FailsLikeTheLibrary() {
    FixedCount = 1;
    DataType = etInteger;
  }
  bool TransOverOK() override { return true; }
  void Calculate() override {
    if (GetSubExp(0)->GetInteger() == 0) throw std::bad_alloc();
    throw std::out_of_range("position out of range");
  }
};

}  // namespace

TEST_F(Reentry, OnlyTheLibrarysErrorClassLeavesTheEntryPoints) {
  static const TClassInfo* const failing[] = {&TExp_FailsLikeTheLibrary::StaticClass()};
  ExpTranslator->Functions->RegisterFunctions(failing);
  Eval("z := 0");
  EXPECT_EQ(Eval("FailsLikeTheLibrary(z)"), "raised Out of memory");
  Eval("k := 1");
  EXPECT_EQ(Eval("FailsLikeTheLibrary(k)"), "raised position out of range");
  // Evaluated at translation: the error comes out of TranslateExp as the library's own.
  EXPECT_EQ(Eval("{$I FailsLikeTheLibrary(0)}"), "translation raised Out of memory");
  ExpTranslator->Functions->UnRegisterFunctions(failing);
}

TEST_F(Reentry, ChangesThroughTheStoredListBaseReachTheVariableCache) {
  Eval("q := 1");
  auto ref = TranslateExp("q");
  ASSERT_TRUE(ref);
  ExpEvaluate(*ref, kForceStamp);
  EXPECT_EQ(ref->GetString(), "1");
  TStoredStrList& base = *List;
  base.Delete(List->IndexOf("Q"));
  ExpEvaluate(*ref, kForceStamp);
  EXPECT_EQ(ref->GetString(), "q");
  Eval("q := 2");
  ExpEvaluate(*ref, kForceStamp);
  EXPECT_EQ(ref->GetString(), "2");
  base.Clear();
  ExpEvaluate(*ref, kForceStamp);
  EXPECT_EQ(ref->GetString(), "q");
}
