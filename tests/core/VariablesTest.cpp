// Variables: assignment, formula variables, chained lists with prefixes, the predefined
// variables, and the entry points around them.
#include <gtest/gtest.h>

#include "core/EntryPoints.h"
#include "core/Translator.h"
#include "core/Variables.h"
#include "runtime/Exception.h"
#include "runtime/Gbk.h"
#include "EngineTesting.h"

using namespace qnexp;

namespace {

// Evaluates a text in the current list; returns "<type> <text>".
std::string Eval(const std::string& text) {
  std::unique_ptr<TExpression> root = TranslateExp(Utf8ToGbk(text));
  if (!root) return "status " + std::to_string(ExpTranslator->Status);
  ExpEvaluate(*root, kForceStamp);
  return std::string(ExpDataTypeName(root->DataType)) + " " + GbkToUtf8(root->GetString());
}

// Each test works in a private list chained to the public one, removed afterwards.
class VariablesTest : public qnexp::testing::TPrivateVarListTest {};

}  // namespace

TEST_F(VariablesTest, AssignmentStoresAndLaterTranslationsSeeTheType) {
  EXPECT_EQ(Eval("x"), "etString x");
  EXPECT_EQ(Eval("x := 5"), "etInteger 5");
  auto sum = TranslateExp("x + 1");
  ASSERT_TRUE(sum);
  EXPECT_EQ(sum->DataType, etInteger);
  ExpEvaluate(*sum, kForceStamp);
  EXPECT_EQ(sum->GetInteger(), 6);
  EXPECT_EQ(Eval("X := x + 10"), "etInteger 15");
  EXPECT_EQ(Eval("x"), "etInteger 15");
}

TEST_F(VariablesTest, FormulaVariablesRecomputeAtEveryReference) {
  Eval("x := 1");
  EXPECT_EQ(Eval("VarDef('y', x * 2)"), "etInteger 2");
  Eval("x := 10");
  EXPECT_EQ(Eval("y"), "etInteger 20");
  Eval("x := 3");
  EXPECT_EQ(Eval("y"), "etInteger 6");
  // An assignment to a formula variable lasts until its next reference recomputes it.
  EXPECT_EQ(Eval("y := 100"), "etInteger 100");
  EXPECT_EQ(Eval("y"), "etInteger 6");
}

TEST_F(VariablesTest, ReferencesSeeReplacedAndRemovedVariablesAtOnce) {
  Eval("v := 1");
  auto ref = TranslateExp("v");
  ASSERT_TRUE(ref);
  ExpEvaluate(*ref, kForceStamp);
  EXPECT_EQ(ref->GetInteger(), 1);
  List->SetVarExp("v", CreateStrExp("replaced").release());
  ExpEvaluate(*ref, kForceStamp);
  EXPECT_EQ(ref->GetString(), "replaced");
  List->SetVarExp("V", nullptr);
  ExpEvaluate(*ref, kForceStamp);
  EXPECT_EQ(ref->GetString(), "v");
  List->SetVarExp("v", CreateIntExp(9).release());
  ExpEvaluate(*ref, kForceStamp);
  EXPECT_EQ(ref->GetInteger(), 9);
}

TEST_F(VariablesTest, ChainedListsAndPrefixes) {
  List->SetVarExp("inParent", CreateIntExp(7).release());
  auto child = CreateVarList(List.get());
  SetVarList(child.get());
  EXPECT_EQ(Eval("inParent"), "etInteger 7");
  child->SetVarExp("onlyChild", CreateIntExp(1).release());
  EXPECT_EQ(List->GetVarExp("onlyChild"), nullptr);
  child->SetVarExp(".fromChild", CreateIntExp(2).release());
  ASSERT_NE(List->GetVarExp("FROMCHILD"), nullptr);
  EXPECT_EQ(child->GetVarExp(".fromchild")->GetInteger(), 2);
  child->SetVarExp("\\pubValue", CreateIntExp(3).release());
  ASSERT_NE(PubVarList->GetVarExp("pubvalue"), nullptr);
  EXPECT_EQ(Eval("VarRef('\\pubValue')"), "etInteger 3");
  PubVarList->SetVarExp("pubValue", nullptr);
  EXPECT_EQ(PubVarList->GetVarExp("pubvalue"), nullptr);
  // Freeing the current list makes its parent current again.
  child.reset();
  EXPECT_EQ(GetVarList(), List.get());
}

TEST_F(VariablesTest, PredefinedVariablesAndExistence) {
  EXPECT_EQ(Eval("VarExist('YES')"), "etBoolean Yes");
  EXPECT_EQ(Eval("VarExist('nothing here')"), "etBoolean No");
  EXPECT_EQ(Eval("yes"), "etBoolean Yes");
  auto screen = TranslateExp("Screen");
  ASSERT_TRUE(screen);
  EXPECT_EQ(screen->DataType, etInteger);
  ExpEvaluate(*screen, kForceStamp);
  EXPECT_GT(screen->GetInteger(), 0);
}

TEST_F(VariablesTest, VarListNamesTheChain) {
  List->SetVarExp("A1", CreateIntExp(1).release());
  std::string names = Eval("_VarList");
  EXPECT_EQ(names.rfind("etString A1\r\n\r\n", 0), 0u) << names;
  EXPECT_NE(names.find("YES"), std::string::npos);
  EXPECT_NE(names.find("SCREEN"), std::string::npos);
}

TEST(EntryPoints, ConstantConstructorsAndGuardedEvaluation) {
  EXPECT_EQ(CreateStrExp("a")->DataType, etChar);
  EXPECT_EQ(CreateStrExp("")->DataType, etString);
  EXPECT_EQ(CreateStrExp("ab")->DataType, etString);
  EXPECT_EQ(CreateRealExp(1.5)->GetReal(), 1.5L);
  EXPECT_EQ(CreateDateTimeExp(2.0)->DataType, etDateTime);

  class TFailing : public TExpression {
    QN_CLASS(TFailing, TExpression)
  public:
    void Calculate() override { CalcError("bad"); }
  };
  TFailing failing;
  ExpEvaluate(failing, kForceStamp);
  EXPECT_EQ(failing.DataType, etString);
  EXPECT_EQ(GbkToUtf8(failing.GetString()), "表达式(TFailing)计算错误：bad");

  TExpression* node = CreateIntExp(1).release();
  FreeExp(node);
  EXPECT_EQ(node, nullptr);
  TVarList list;
  EXPECT_FALSE(IsExpression(&list));
  EXPECT_TRUE(IsExpression(&failing));
  EXPECT_FALSE(IsExpression(nullptr));
  TVarList* current = GetVarList();
  SetVarList(current);
  EXPECT_EQ(GetVarList(), current);
}

TEST_F(VariablesTest, ClearingAListFreesItsNodes) {
  // Under the leak checker a node that Clear dropped without freeing shows up as a leak.
  List->SetVarExp("first", CreateIntExp(1).release());
  List->SetVarExp("second", CreateStrExp("two").release());
  auto ref = TranslateExp("first");
  List->Clear();
  EXPECT_EQ(List->GetCount(), 0);
  ExpEvaluate(*ref, kForceStamp);
  EXPECT_EQ(ref->GetString(), "first");
}

// A reference copies its variable on every evaluation, format included: a format the variable
// gains after the reference was first evaluated (no list change) still reaches the reference.
TEST_F(VariablesTest, ReferenceTakesAFormatGivenLater) {
  TExpression* variable = CreateRealExp(2.5).release();
  List->SetVarExp("LATEFORMAT", variable);
  std::unique_ptr<TExpression> root = TranslateExp("LateFormat");
  ASSERT_TRUE(root);
  for (int i = 0; i < 2; ++i) ExpEvaluate(*root, kForceStamp);
  EXPECT_EQ(root->GetString(), "2.5");
  variable->SetFormatExp(CreateStrExp("%.3f").release());
  ExpEvaluate(*root, kForceStamp);
  EXPECT_EQ(root->GetString(), "2.500");
  variable->PutReal(1.25);
  ExpEvaluate(*root, kForceStamp);
  EXPECT_EQ(root->GetString(), "1.250");
  EXPECT_EQ(root->GetReal(), 1.25L);
}
