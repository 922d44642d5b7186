// Conditional and flow functions: which arguments are evaluated and with which stamp, state
// carried between evaluations, the keyed lists of Case and Decode, the abort request that
// stops an endless Loop, and the non-owning reference node.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "HandTree.h"
#include "core/Abort.h"
#include "core/EntryPoints.h"
#include "core/FunctionList.h"
#include "core/Translator.h"
#include "core/Variables.h"
#include "functions/Flow.h"
#include "runtime/Exception.h"
#include "runtime/Gbk.h"
#include "support/StoredStrList.h"
#include "EngineTesting.h"

using namespace qnexp;
using namespace handtree;

namespace {

std::string Eval(const std::string& text) { return qnexp::testing::EvalText(text); }

std::string Shown(TExpression& node) {
  return std::string(ExpDataTypeName(node.DataType)) + " " + GbkToUtf8(node.GetString());
}

std::unique_ptr<TExpression> Translated(const std::string& text) {
  std::unique_ptr<TExpression> root = TranslateExp(Utf8ToGbk(text));
  EXPECT_TRUE(root) << text << ": status " << int(ExpTranslator->Status);
  return root;
}

// Each test works in a private variable list chained to the public one.
class FlowTest : public qnexp::testing::TPrivateVarListTest {};

// A node that asks for the abort when it is calculated, as an interrupt would arrive while a
// loop runs.
class TAbortAfter : public TExpression {
  QN_CLASS(TAbortAfter, TExpression)
public:
  void Calculate() override {
    if (++Rounds == Limit) RequestAbort();
  }
  int Rounds = 0;
  int Limit = 1;
};

TNode CountedInt(int32_t value, TCounted** counter) {
  return Counted(etInteger, [value](TExpression& n) { n.PutInteger(value); }, counter);
}

TNode CountedBool(bool value, TCounted** counter) {
  return Counted(etBoolean, [value](TExpression& n) { n.PutBoolean(value); }, counter);
}

}  // namespace

struct TEvalRow {
  const char* Text;
  const char* Expected;
};

TEST_F(FlowTest, ResultsOfTheLanguage) {
  const TEvalRow rows[] = {
      {"Iif(1 > 2, 'a')", "etAny "},
      {"Iif(Yes, 1, 1/0)", "etInteger 1"},
      {"Iif(No, 1, 'two')", "etString two"},
      {"Iif(1 < 2, 2.5, 1)", "etReal 2.5"},
      {"Case(No, 1, No, 2, 3)", "etInteger 3"},
      {"Case(No, 1, No, 2)", "raised 函数没有匹配的返回值"},
      {"Case(No, 'x', Yes, 2)", "etInteger 2"},
      {"Case(Yes, 'x', Yes, 2)", "etChar x"},
      {"Decode('B', 'A', 1, 'B', 2, 0)", "etInteger 2"},
      {"Decode('b', 'A', 1, 'B', 2, 0)", "etInteger 0"},
      {"Decode(2, 2.0, 'two')", "etString two"},
      {"Decode('z', 'A', 1)", "raised 函数没有匹配的返回值"},
      {"Zero(a := 5)", "etInteger 0"},
      {"a", "etInteger 5"},
      {"Zero()", "etInteger 0"},
      {"Void(1, 'x')", "etString "},
      {"Do(b := 1, b := b + 1)", "etBoolean Yes"},
      {"b", "etInteger 2"},
      {"Loop(i := 0, i := i + 1, i >= 10)", "etString "},
      {"i", "etInteger 10"},
      {"Loop(j := 5, j := j + 1, Yes)", "etString "},
      {"j", "etInteger 5"},
      {"Order(0)", "etInteger 1"},
      {"Accumulator(2, 10)", "etInteger 12"},
      {"Accumulator(1.5, 1)", "etReal 2.5"},
      {"PriorValue(7)", "etInteger 7"},
  };
  for (const TEvalRow& row : rows) EXPECT_EQ(Eval(row.Text), row.Expected) << row.Text;
}

TEST_F(FlowTest, TranslationChecks) {
  const TEvalRow rows[] = {
      {"Case(Yes)", "status tsTooFewParameters"},
      {"Decode('a', 'a')", "status tsTooFewParameters"},
      {"Iif(Yes)", "status tsTooFewParameters"},
      {"Loop(1, 2)", "status tsTooFewParameters"},
      {"Accumulator()", "status tsTooFewParameters"},
      {"Order('x')", "status tsTypeMismatch"},
      {"Iif(Yes, 1, 2, 3)", "status tsBracketNeeded"},
  };
  for (const TEvalRow& row : rows) EXPECT_EQ(Eval(row.Text), row.Expected) << row.Text;

  EXPECT_EQ(Translated("Iif(Yes, 1, 2)")->DataType, etAny);
  EXPECT_EQ(Translated("Case(No, 'x', Yes, 2)")->DataType, etChar);
  EXPECT_EQ(Translated("Void()")->DataType, etString);
  EXPECT_EQ(Translated("UnDefFunc()")->DataType, etString);
  EXPECT_EQ(Translated("Do()")->DataType, etBoolean);
  EXPECT_EQ(Translated("Loop(1, 2, Yes)")->DataType, etString);
  EXPECT_EQ(Translated("Accumulator(1.5)")->DataType, etReal);
}

TEST_F(FlowTest, IifEvaluatesOnlyTheChosenBranchAndKeepsItsLastValue) {
  TCounted *condition, *then, *otherwise;
  auto node = Make<TExp_Iif>(CountedBool(true, &condition), CountedInt(1, &then),
                             CountedInt(2, &otherwise));
  node->Evaluate(1);
  EXPECT_EQ(node->GetInteger(), 1);
  EXPECT_EQ(then->Evaluations, 1);
  EXPECT_EQ(otherwise->Evaluations, 0);
  node->Evaluate(1);  // the same pass again: nothing happens
  EXPECT_EQ(condition->Evaluations, 1);

  auto noElse = Make<TExp_Iif>(Bool(true), Str("kept"));
  noElse->Evaluate(1);
  noElse->GetSubExp(0)->PutBoolean(false);
  noElse->Evaluate(2);
  EXPECT_EQ(Shown(*noElse), "etString kept");
}

TEST_F(FlowTest, IifTakesTheBranchFormatOnlyWhenItHasNone) {
  auto node = Make<TExp_Iif>(Bool(true), Int(7));
  node->GetSubExp(1)->SetFormatExp(Str("%3d").release());
  node->Evaluate(kForceStamp);
  EXPECT_EQ(node->GetString(), "  7");
  node->GetSubExp(1)->SetFormatExp(Str("%5d").release());
  node->Evaluate(kForceStamp);
  EXPECT_EQ(node->GetString(), "  7");
}

TEST_F(FlowTest, CaseStopsAtTheFirstTrueConditionAndEvaluatesOneResult) {
  TCounted *c1, *r1, *c2, *r2, *c3, *r3;
  auto node = Make<TExp_Case>(CountedBool(false, &c1), CountedInt(1, &r1), CountedBool(true, &c2),
                              CountedInt(2, &r2), CountedBool(true, &c3), CountedInt(3, &r3));
  node->Evaluate(1);
  EXPECT_EQ(node->GetInteger(), 2);
  EXPECT_EQ(c1->Evaluations + c2->Evaluations + r2->Evaluations, 3);
  EXPECT_EQ(r1->Evaluations + c3->Evaluations + r3->Evaluations, 0);
}

TEST_F(FlowTest, CaseKeepsConditionsAndResultsInKeyedLists) {
  auto node = Make<TExp_Case>(Bool(false), Int(1), Bool(false), Int(2), Int(9));
  ASSERT_EQ(node->CondExps().GetCount(), 2);
  ASSERT_EQ(node->ResultExps().GetCount(), 2);
  EXPECT_EQ(node->CondExps().GetString(1), "TExp_Case_1");
  EXPECT_EQ(node->ResultExps().GetString(0), "TExp_Case_0");
  ASSERT_TRUE(node->GetSubExp(0));
  EXPECT_EQ(node->GetSubExp(0)->GetInteger(), 9);
  EXPECT_EQ(node->GetSubExpCount(), 1);

  auto decode = Make<TExp_Decode>(Str("k"), Str("k"), Int(1));
  ASSERT_TRUE(decode->GetSubExp(1));
  EXPECT_EQ(decode->GetSubExp(1)->GetString(), "k");
  EXPECT_EQ(decode->CondExps().GetCount(), 1);
  EXPECT_FALSE(decode->GetSubExp(0));
}

TEST_F(FlowTest, CaseCopyIsIndependentOfTheOriginal) {
  auto original = Make<TExp_Decode>(Str("b"), Str("a"), Int(1), Str("b"), Int(2), Int(0));
  std::unique_ptr<TExpression> copy(original->CopySelf());
  original.reset();
  copy->Evaluate(kForceStamp);
  EXPECT_EQ(Shown(*copy), "etInteger 2");
  auto* decode = ObjectAs<TExp_Decode>(copy.get());
  ASSERT_TRUE(decode);
  EXPECT_EQ(decode->CondExps().GetCount(), 2);
  EXPECT_EQ(decode->ResultExps().GetString(1), "TExp_Decode_1");
}

TEST_F(FlowTest, CaseReportsItsListsAfterTheCommonProperties) {
  auto node = Make<TExp_Case>(Bool(true), Int(1), Int(2));
  std::vector<std::string> names;
  node->EnumrateProperties(
      [&](void*, const std::string& name, TPropType, bool, intptr_t, void*) {
        names.push_back(name);
        return true;
      },
      epStore, nullptr);
  ASSERT_GE(names.size(), 2u);
  EXPECT_EQ(names[names.size() - 2], "CondExps");
  EXPECT_EQ(names.back(), "ResultExps");
  EXPECT_NE(std::find(names.begin(), names.end(), "SubExp0"), names.end());
}

TEST_F(FlowTest, ZeroKeepsArgumentsInAGrowingList) {
  TCounted *first, *second;
  auto node = Make<TExp_Zero>(CountedInt(1, &first), Int(2), CountedInt(3, &second));
  EXPECT_EQ(node->GetSubExpCount(), 3);
  EXPECT_EQ(node->MaxSubExpCount(), 4);
  node->Evaluate(4);
  node->Evaluate(4);
  EXPECT_EQ(first->Evaluations, 1);
  EXPECT_EQ(second->Evaluations, 1);
  EXPECT_EQ(node->GetInteger(), 0);

  // Only the next position can be filled: a far index would leave a list of gaps.
  TNode far = Int(5);
  EXPECT_FALSE(node->SetSubExp(10, far.get()));
  EXPECT_EQ(node->GetSubExpCount(), 3);

  std::unique_ptr<TExpression> copy(node->CopySelf());
  node.reset();
  EXPECT_EQ(copy->GetSubExpCount(), 3);
  EXPECT_EQ(copy->GetSubExp(2)->GetInteger(), 3);
}

TEST_F(FlowTest, DoLeavesFalseWhenAnArgumentFails) {
  auto node = Translated("Do(1, Case(No, 1))");
  EXPECT_TRUE(ExpEvaluate(*node, kForceStamp));
  auto plain = Translated("Do(1, Case(No, 1))");
  EXPECT_THROW(plain->Evaluate(kForceStamp), Exception);
  EXPECT_EQ(plain->DataType, etBoolean);
  EXPECT_FALSE(plain->GetBoolean());
}

TEST_F(FlowTest, LoopUsesAFreshStampEveryRound) {
  Eval("n := 0");
  auto loop = Translated("Loop(k := 0, Do(k := k + 1, n := n + Order(0)), k >= 4)");
  loop->Evaluate(7);
  // Order counts 1, 2, 3, 4 because every round recalculates it.
  EXPECT_EQ(Eval("n"), "etInteger 10");
  // A second pass with the same stamp does nothing.
  loop->Evaluate(7);
  EXPECT_EQ(Eval("k"), "etInteger 4");
}

TEST_F(FlowTest, LoopTestsTheConditionFirst) {
  TCounted *init, *body;
  auto loop = Make<TExp_Loop>(CountedInt(0, &init), CountedInt(0, &body), Bool(true));
  loop->Evaluate(kForceStamp);
  EXPECT_EQ(init->Evaluations, 1);
  EXPECT_EQ(body->Evaluations, 0);
  EXPECT_EQ(Shown(*loop), "etString ");
}

TEST_F(FlowTest, LoopNearTheLastStampWrapsAround) {
  auto until = std::make_unique<TAbortAfter>();
  until->DataType = etBoolean;
  until->SyncFlag = 2147483647;
  auto loop = Make<TExp_Loop>(Int(0), Int(0), std::move(until));
  // The condition never holds; the abort ends the rounds after the stamp wrapped.
  static_cast<TAbortAfter*>(loop->GetSubExp(2))->Limit = 3;
  EXPECT_THROW(loop->Evaluate(kForceStamp), Exception);
}

TEST_F(FlowTest, AnAbortRequestStopsAnEndlessLoop) {
  auto body = std::make_unique<TAbortAfter>();
  body->Limit = 1000;
  TAbortAfter* counter = body.get();
  auto loop = Make<TExp_Loop>(Int(0), std::move(body), Bool(false));
  try {
    loop->Evaluate(kForceStamp);
    FAIL() << "the loop ended by itself";
  } catch (const Exception& error) {
    EXPECT_EQ(error.Message, "Operation aborted");
  }
  EXPECT_EQ(counter->Rounds, 1000);
  EXPECT_TRUE(AbortRequested());

  // The request stays until withdrawn, so even a new loop stops at once.
  auto other = Translated("Loop(0, 0, No)");
  EXPECT_TRUE(ExpEvaluate(*other, kForceStamp));
  EXPECT_EQ(other->GetString(), "Operation aborted");
  ClearAbort();
  auto finite = Translated("Loop(m := 0, m := m + 1, m = 3)");
  EXPECT_FALSE(ExpEvaluate(*finite, kForceStamp));
}

TEST_F(FlowTest, AccumulatorSumsOverEvaluations) {
  struct TRow {
    const char* Text;
    std::vector<std::string> Expected;
  };
  Eval("r := No");
  const TRow rows[] = {
      {"Accumulator(2)", {"2", "4", "6"}},
      {"Accumulator(2, 10)", {"12", "14", "16"}},
      {"Accumulator(0.5, 1)", {"1.5", "2", "2.5"}},
      {"Accumulator(2147483647, 1)", {"-2147483648", "-1", "2147483646"}},
  };
  for (const TRow& row : rows) {
    auto node = Translated(row.Text);
    for (size_t i = 0; i < row.Expected.size(); ++i) {
      node->Evaluate(static_cast<int32_t>(i + 1));
      EXPECT_EQ(node->GetString(), row.Expected[i]) << row.Text << " pass " << i + 1;
    }
  }
}

TEST_F(FlowTest, AccumulatorRestartsWhenResetHolds) {
  Eval("r := No");
  auto node = Translated("Accumulator(2, 10, r)");
  node->Evaluate(1);
  node->Evaluate(2);
  Eval("r := Yes");
  node->Evaluate(3);
  EXPECT_EQ(node->GetInteger(), 12);
  node->Evaluate(3);
  EXPECT_EQ(node->GetInteger(), 12);
  node->Evaluate(kForceStamp);
  EXPECT_EQ(node->GetInteger(), 12);
}

TEST_F(FlowTest, AccumulatorOfAnUntypedValueKeepsItsStart) {
  auto node = Translated("Accumulator(Iif(Yes, 2, 0), 10)");
  EXPECT_EQ(node->DataType, etAny);
  node->Evaluate(1);
  EXPECT_EQ(Shown(*node), "etInteger 12");
  node->Evaluate(2);
  EXPECT_EQ(Shown(*node), "etInteger 14");
}

TEST_F(FlowTest, AccumulatorCopyKeepsTheStartedFlag) {
  auto node = Translated("Accumulator(1, 100)");
  node->Evaluate(1);
  std::unique_ptr<TExpression> copy(node->CopySelf());
  copy->Evaluate(2);
  EXPECT_EQ(copy->GetInteger(), 102);
}

TEST_F(FlowTest, AccumulatorBeyondTheRealRangeRaises) {
  auto node = Make<TExp_Accumulator>(Real(1e4932L), Real(1e4932L));
  EXPECT_THROW(node->Evaluate(1), EOverflow);
}

TEST_F(FlowTest, PriorValueShowsTheValueOfThePreviousEvaluation) {
  Eval("p := 1");
  auto node = Translated("PriorValue(p * 10)");
  node->Evaluate(1);
  EXPECT_EQ(Shown(*node), "etInteger 0");
  Eval("p := 2");
  node->Evaluate(2);
  EXPECT_EQ(Shown(*node), "etInteger 10");
  Eval("p := 3");
  node->Evaluate(2);
  EXPECT_EQ(node->GetInteger(), 10);
  node->Evaluate(3);
  EXPECT_EQ(node->GetInteger(), 20);
}

TEST_F(FlowTest, OrderCountsCalculations) {
  auto node = Translated("Order(0)");
  for (int32_t stamp : {1, 2, 2, 3}) node->Evaluate(stamp);
  EXPECT_EQ(node->GetInteger(), 3);
  std::unique_ptr<TExpression> copy(node->CopySelf());
  copy->Evaluate(kForceStamp);
  EXPECT_EQ(copy->GetInteger(), 4);
  node->PutInteger(2147483647);
  node->Evaluate(kForceStamp);
  EXPECT_EQ(node->GetInteger(), -2147483647 - 1);
}

TEST_F(FlowTest, UnDefFuncRemovesNamesFromTheRegistry) {
  TFunctionList& registry = *ExpTranslator->Functions;
  registry.AddFunction("FlowTestProbe", TExp_Zero::StaticClass());
  ASSERT_TRUE(registry.GetFuncClass("FLOWTESTPROBE"));
  EXPECT_EQ(Eval("UnDefFunc('flowtestprobe', 'NoSuchFunctionAnywhere', 1)"), "etString ");
  EXPECT_FALSE(registry.GetFuncClass("FlowTestProbe"));
  EXPECT_EQ(Eval("FlowTestProbe(1)"), "status tsBadFunctionName");
}

TEST_F(FlowTest, MissingOperandsOfHandBuiltNodesAreErrors) {
  std::vector<std::unique_ptr<TExpression>> nodes;
  nodes.push_back(std::make_unique<TExp_Iif>());
  nodes.push_back(std::make_unique<TExp_Loop>());
  nodes.push_back(std::make_unique<TExp_Accumulator>());
  nodes.push_back(std::make_unique<TExp_PriorValue>());
  nodes.push_back(std::make_unique<TExp_Decode>());
  for (auto& node : nodes) {
    try {
      node->Evaluate(kForceStamp);
      ADD_FAILURE() << node->ClassName();
    } catch (const Exception& error) {
      EXPECT_NE(error.Message.find(Res("参数不够")), std::string::npos) << node->ClassName();
    }
  }
}

TEST_F(FlowTest, ReferenceShowsItsTargetWithoutOwningIt) {
  TNode target = Int(5);
  target->SetFormatExp(Str("%.3d").release());
  {
    TExp_Ref ref(target.get());
    EXPECT_TRUE(ref.IsConst());
    ref.Evaluate(kForceStamp);
    EXPECT_EQ(Shown(ref), "etInteger 005");
    std::unique_ptr<TExpression> copy(ref.CopySelf());
    target->PutInteger(6);
    copy->Evaluate(kForceStamp);
    EXPECT_EQ(copy->GetString(), "006");
    EXPECT_EQ(copy->GetSubExp(0), target.get());

    std::vector<std::string> names;
    ref.EnumrateProperties(
        [&](void*, const std::string& name, TPropType, bool, intptr_t, void*) {
          names.push_back(name);
          return true;
        },
        epLoad, nullptr);
    for (const std::string& name : names) EXPECT_NE(name.rfind("SubExp", 0), 0u) << name;
  }
  // Both references are gone; the target is still whole.
  EXPECT_EQ(target->GetInteger(), 6);

  auto order = Translated("Order(0)");
  TExp_Ref varying(order.get());
  EXPECT_FALSE(varying.IsConst());
  TExp_Ref empty;
  EXPECT_TRUE(empty.IsConst());
  empty.Evaluate(kForceStamp);
}

TEST(FlowRegistration, Tables) {
  EXPECT_EQ(FlowClasses().size(), 12u);
  for (const char* name : {"Iif", "Case", "Decode", "Zero", "Void", "UnDefFunc", "Do", "Loop",
                           "Accumulator", "PriorValue", "Order"})
    EXPECT_TRUE(ExpTranslator->Functions->GetFuncClass(name)) << name;
  EXPECT_FALSE(ExpTranslator->Functions->GetFuncClass("Ref"));
}
