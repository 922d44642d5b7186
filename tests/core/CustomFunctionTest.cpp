// User-defined functions: registration while translating, lazily evaluated arguments read
// against the right call, recursion and its depth limit, redefinition and removal, definitions
// whose body fails to translate, and the call's own body copy.
#include <gtest/gtest.h>
#include <pthread.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "core/Abort.h"
#include "core/CustomFunction.h"
#include "core/EntryPoints.h"
#include "core/FunctionList.h"
#include "core/Translator.h"
#include "core/Variables.h"
#include "runtime/Exception.h"
#include "runtime/Gbk.h"
#include "EngineTesting.h"

using namespace qnexp;

namespace {

std::unique_ptr<TExpression> Translated(const std::string& text) {
  std::unique_ptr<TExpression> root = TranslateExp(Utf8ToGbk(text));
  EXPECT_TRUE(root) << text << ": status " << int(ExpTranslator->Status);
  return root;
}

// "<type> <text>", "status N" for a translation failure, "raised <message>" when evaluation
// raised.
std::string Eval(const std::string& text, int32_t stamp = kForceStamp) {
  return qnexp::testing::EvalText(text, stamp);
}

std::string Evaluated(TExpression& root, int32_t stamp = kForceStamp) {
  return qnexp::testing::Outcome(root, stamp);
}

TFunctionList& Registry() { return *ExpTranslator->Functions; }

class CustomFunctionTest : public qnexp::testing::TPrivateVarListTest {
protected:
  void TearDown() override {
    TPrivateVarListTest::TearDown();
    EXPECT_EQ(ActiveCall, nullptr);
  }
};

}  // namespace

TEST_F(CustomFunctionTest, DefinitionRegistersWhileTranslating) {
  auto definition = Translated("CustomFunction('CfSq', 1, 0, CustFuncParam(1) * CustFuncParam(1))");
  ASSERT_TRUE(definition);
  // Never evaluated, already callable.
  EXPECT_TRUE(Registry().GetCustomFunction("cfsq"));
  EXPECT_EQ(definition->DataType, etBoolean);
  EXPECT_EQ(definition->GetSubExpCount(), 0);
  EXPECT_EQ(Evaluated(*definition), "etBoolean Yes");
  EXPECT_EQ(Eval("CfSq(5)"), "etInteger 25");
  // The product is typed from the parameter readings, so real arguments are rounded.
  EXPECT_EQ(Eval("CfSq(2.6)"), "etInteger 9");
  definition.reset();
  EXPECT_EQ(Eval("CfSq(7)"), "etInteger 49");
  EXPECT_EQ(Eval("CfSq(7) + 1"), "etInteger 50");

  TCustomFunction* registered = Registry().GetCustomFunction("CfSq");
  ASSERT_TRUE(registered);
  EXPECT_EQ(registered->GetFuncName(), "CfSq");
  EXPECT_EQ(registered->GetFixedParamCount(), 1);
  EXPECT_EQ(registered->GetOptionalParamCount(), 0);
  ASSERT_TRUE(registered->GetSubExp(3));
  EXPECT_EQ(registered->GetSubExpCount(), 4);
  EXPECT_EQ(registered->FixedParamCount(), 4);
}

TEST_F(CustomFunctionTest, ArgumentCountsAndArgc) {
  Eval("CustomFunction('CfArgs', 1, 2, Argc())");
  EXPECT_EQ(Eval("CfArgs(1)"), "etInteger 1");
  EXPECT_EQ(Eval("CfArgs(1, 'a', 3)"), "etInteger 3");
  EXPECT_EQ(Eval("CfArgs(1, 2, 3, 4)"), "status tsBracketNeeded");
  EXPECT_EQ(Eval("CfArgs()"), "status tsTooFewParameters");
  Eval("CustomFunction('CfNone', 0, 0, 'none')");
  EXPECT_EQ(Eval("CfNone()"), "etString none");
  EXPECT_EQ(Eval("CfNone(1)"), "status tsBracketNeeded");
  // Negative counts count as none.
  Eval("CustomFunction('CfNegative', -3, -1, 1)");
  EXPECT_EQ(Eval("CfNegative()"), "etInteger 1");
  EXPECT_EQ(Eval("CfNegative(1)"), "status tsBracketNeeded");
  EXPECT_EQ(Eval("CfUndefinedAnywhere(1)"), "status tsBadFunctionName");
}

TEST_F(CustomFunctionTest, ArgumentsAreEvaluatedOnlyWhenRead) {
  Eval("CustomFunction('CfSecond', 2, 0, CustFuncParam(2))");
  Eval("s := 0");
  EXPECT_EQ(Eval("CfSecond(s := 1, 'b')"), "etChar b");
  EXPECT_EQ(Eval("s"), "etInteger 0");
  // Read twice in one pass with a stamp: computed once.
  Eval("CustomFunction('CfTwice', 1, 0, CustFuncParam(1) + CustFuncParam(1))");
  Eval("t := 0");
  EXPECT_EQ(Eval("CfTwice(t := t + 1)", 5), "etInteger 2");
  EXPECT_EQ(Eval("t"), "etInteger 1");
}

TEST_F(CustomFunctionTest, ParameterTakesTheTypeOfItsArgument) {
  Eval("CustomFunction('CfSame', 1, 0, CustFuncParam(1))");
  EXPECT_EQ(Eval("CfSame('text')"), "etString text");
  EXPECT_EQ(Eval("CfSame(1.25)"), "etReal 1.25");
  EXPECT_EQ(Eval("CfSame(Yes)"), "etBoolean Yes");
  EXPECT_EQ(Translated("CustFuncParam(1)")->DataType, etInteger);
}

TEST_F(CustomFunctionTest, RecursionReadsEachArgumentAgainstItsCaller) {
  Eval("CustomFunction('CfFact', 1, 0, Iif(CustFuncParam(1) <= 1, 1, "
       "CustFuncParam(1) * CfFact(CustFuncParam(1) - 1)))");
  EXPECT_EQ(Eval("CfFact(1)"), "etInteger 1");
  EXPECT_EQ(Eval("CfFact(5)"), "etInteger 120");
  EXPECT_EQ(Eval("CfFact(10)"), "etInteger 3628800");
  EXPECT_EQ(Eval("CfFact(10)", 3), "etInteger 3628800");
  auto call = Translated("CfFact(6)");
  EXPECT_EQ(Evaluated(*call, 11), "etInteger 720");
  EXPECT_EQ(Evaluated(*call, 12), "etInteger 720");

  // An argument that reads a parameter reads the parameters of the call it is written in.
  Eval("CustomFunction('CfInc', 1, 0, CustFuncParam(1) + 1)");
  Eval("CustomFunction('CfOuter', 2, 0, CfInc(CustFuncParam(2)) * 10 + Argc())");
  EXPECT_EQ(Eval("CfOuter(100, 4)"), "etInteger 52");
}

TEST_F(CustomFunctionTest, EndlessRecursionStopsAtTheDepthLimit) {
  Eval("CustomFunction('CfForever', 0, 0, CfForever())");
  std::string expected = "raised 自定义函数CfForever调用太深(超过" + std::to_string(kMaxCallDepth) + "层)";
  EXPECT_EQ(Eval("CfForever()"), expected);
  // A recursion that ends just below the limit still works.
  Eval("CustomFunction('CfDown', 1, 0, Iif(CustFuncParam(1) <= 0, 0, 1 + CfDown(CustFuncParam(1) - 1)))");
  EXPECT_EQ(Eval("CfDown(" + std::to_string(kMaxCallDepth - 1) + ")"),
            "etInteger " + std::to_string(kMaxCallDepth - 1));
  EXPECT_EQ(Eval("CfDown(" + std::to_string(kMaxCallDepth) + ")").substr(0, 6), "raised");
}

namespace {

struct TThreadRun {
  TExpression* Root;
  std::string Result;
};

void* EvaluateInThread(void* param) {
  auto* run = static_cast<TThreadRun*>(param);
  run->Result = Evaluated(*run->Root);
  return nullptr;
}

}  // namespace

TEST_F(CustomFunctionTest, RecursionInASmallStackStopsBeforeItOverflows) {
  // Every level evaluates a chain of additions, so the depth limit alone would come too late.
  Eval("CustomFunction('CfHeavy', 0, 0, 1+(1+(1+(1+(1+(1+(1+(1+(1+(1+(1+(1+(1+(1+(1+(1+("
       "1+(1+(1+(1+(CfHeavy()))))))))))))))))))))))");
  auto root = Translated("CfHeavy()");
  TThreadRun run{root.get(), ""};
  pthread_attr_t attributes;
  pthread_attr_init(&attributes);
  pthread_attr_setstacksize(&attributes, 1024 * 1024);
  pthread_t thread;
  ASSERT_EQ(pthread_create(&thread, &attributes, EvaluateInThread, &run), 0);
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attributes);
  EXPECT_EQ(run.Result.rfind("raised 自定义函数CfHeavy调用太深(超过", 0), 0u) << run.Result;
  EXPECT_EQ(run.Result.find("超过1000层"), std::string::npos);
}

TEST_F(CustomFunctionTest, ParametersOutsideACall) {
  EXPECT_EQ(Eval("Argc()"), "etInteger 0");
  EXPECT_EQ(Eval("CustFuncParam(1)"),
            "raised 表达式(TExp_CustFuncParam)计算错误：不在自定义函数的调用中");
  Eval("CustomFunction('CfThird', 0, 3, CustFuncParam(3))");
  EXPECT_EQ(Eval("CfThird(1)"), "raised List index out of bounds (2)");
  EXPECT_EQ(Eval("CfThird()"), "raised List index out of bounds (2)");
  Eval("CustomFunction('CfZeroth', 0, 3, CustFuncParam(0))");
  EXPECT_EQ(Eval("CfZeroth(1)"), "raised List index out of bounds (-1)");
  Eval("CustomFunction('CfLowest', 0, 1, CustFuncParam(-2147483647 - 1))");
  EXPECT_EQ(Eval("CfLowest(1)"), "raised List index out of bounds (-2147483649)");
}

TEST_F(CustomFunctionTest, RedefinitionReachesExistingCalls) {
  Eval("CustomFunction('CfVersion', 0, 0, 1)");
  auto call = Translated("CfVersion()");
  EXPECT_EQ(Evaluated(*call), "etInteger 1");
  Eval("CustomFunction('CfVersion', 0, 0, 'two')");
  EXPECT_EQ(Evaluated(*call), "etString two");
  // The definition freed meanwhile is never mistaken for the next one.
  for (int i = 3; i < 20; ++i) {
    Eval("UnDefFunc('CfVersion')");
    EXPECT_EQ(Evaluated(*call), "raised 自定义函数CfVersion没有定义");
    Eval("CustomFunction('CfVersion', 0, 0, " + std::to_string(i) + ")");
    EXPECT_EQ(Evaluated(*call), "etInteger " + std::to_string(i));
  }
  // Definitions replaced while the call was not evaluated are freed, and a new one may take the
  // place in memory of the one the call copied its body from.
  for (int i = 20; i < 40; ++i) Eval("CustomFunction('CfVersion', 0, 0, " + std::to_string(i) + ")");
  EXPECT_EQ(Evaluated(*call), "etInteger 39");
}

TEST_F(CustomFunctionTest, RemovedFunctionIsAnEvaluationError) {
  Eval("CustomFunction('CfGone', 0, 0, 5)");
  auto call = Translated("CfGone()");
  EXPECT_EQ(Evaluated(*call), "etInteger 5");
  EXPECT_EQ(Eval("UnDefFunc('CfGone')"), "etString ");
  EXPECT_EQ(Evaluated(*call), "raised 自定义函数CfGone没有定义");
  EXPECT_EQ(Eval("CfGone()"), "status tsBadFunctionName");
  // A function removing itself while it runs finishes the running call.
  Eval("CustomFunction('CfSelfRemoving', 0, 0, Do(UnDefFunc('CfSelfRemoving')))");
  EXPECT_EQ(Eval("CfSelfRemoving()"), "etBoolean Yes");
  EXPECT_EQ(Eval("CfSelfRemoving()"), "status tsBadFunctionName");
}

TEST_F(CustomFunctionTest, FailedBodyLeavesTheRegistryAsItWas) {
  EXPECT_EQ(Eval("CustomFunction('CfBroken', 0, 0, CfBroken() + )"), "status tsBadOperand");
  EXPECT_FALSE(Registry().GetFuncClass("CfBroken"));

  Eval("CustomFunction('CfKept', 0, 0, 'old')");
  EXPECT_EQ(Eval("CustomFunction('CfKept', 0, 0, 1 +)"), "status tsBadOperand");
  EXPECT_EQ(Eval("CfKept()"), "etString old");

  const TClassInfo* builtin = Registry().GetFuncClass("Odd");
  ASSERT_TRUE(builtin);
  int place = Registry().IndexOf("Odd");
  EXPECT_EQ(Eval("CustomFunction('Odd', 1, 0, 1 +)"), "status tsBadOperand");
  EXPECT_EQ(Registry().GetFuncClass("Odd"), builtin);
  EXPECT_EQ(Registry().IndexOf("Odd"), place);
  EXPECT_EQ(Eval("Odd(3)"), "etBoolean Yes");

  EXPECT_EQ(Eval("CustomFunction('', 0, 0, 1)"), "status tsTypeMismatch");
  EXPECT_FALSE(Registry().GetFuncClass(""));
}

TEST_F(CustomFunctionTest, EveryCallEvaluatesItsOwnBodyCopy) {
  Eval("CustomFunction('CfCount', 0, 0, Order(0))");
  auto both = Translated("CfCount() * 100 + CfCount()");
  EXPECT_EQ(Evaluated(*both), "etInteger 101");
  EXPECT_EQ(Evaluated(*both), "etInteger 202");
  auto other = Translated("CfCount()");
  EXPECT_EQ(Evaluated(*other), "etInteger 1");

  auto* call = ObjectAs<TExp_CustFuncRef>(other.get());
  ASSERT_TRUE(call);
  EXPECT_EQ(call->FuncName, "CfCount");
  std::unique_ptr<TExpression> copy(call->CopySelf());
  auto* copiedCall = ObjectAs<TExp_CustFuncRef>(copy.get());
  ASSERT_TRUE(copiedCall);
  EXPECT_FALSE(copiedCall->GetBody());
  EXPECT_EQ(copiedCall->FuncName, "CfCount");
  EXPECT_EQ(Evaluated(*copy), "etInteger 1");
  EXPECT_TRUE(call->GetBody());
}

TEST_F(CustomFunctionTest, ErrorsInsideABodyPropagateAndRestoreTheActiveCall) {
  Eval("CustomFunction('CfFails', 1, 0, Case(No, CustFuncParam(1)))");
  EXPECT_EQ(Eval("CfFails(1)"), "raised 函数没有匹配的返回值");
  EXPECT_EQ(ActiveCall, nullptr);
  auto call = Translated("CfFails(1)");
  EXPECT_THROW(call->Evaluate(kForceStamp), Exception);
  EXPECT_EQ(ActiveCall, nullptr);
}

TEST_F(CustomFunctionTest, AbortStopsARecursion) {
  Eval("CustomFunction('CfAborting', 0, 0, Do(CfAborting()))");
  RequestAbort();
  EXPECT_EQ(Eval("CfAborting()"), "raised Operation aborted");
  ClearAbort();
}

TEST_F(CustomFunctionTest, DefinitionNodesCopyWithoutRegistering) {
  TCustomFunction* registered = nullptr;
  Eval("CustomFunction('CfCopied', 0, 0, 'x')");
  registered = Registry().GetCustomFunction("CfCopied");
  ASSERT_TRUE(registered);
  std::unique_ptr<TExpression> copy(registered->CopySelf());
  EXPECT_EQ(Registry().GetCustomFunction("CfCopied"), registered);
  ASSERT_TRUE(copy->GetSubExp(3));
  EXPECT_EQ(copy->GetSubExp(3)->GetString(), "x");
  EXPECT_EQ(copy->GetSubExp(0)->GetString(), "CfCopied");
}

TEST_F(CustomFunctionTest, CallsPersistTheirName) {
  Eval("CustomFunction('CfNamed', 0, 1, 1)");
  auto call = Translated("CfNamed(2)");
  std::vector<std::string> names;
  call->EnumrateProperties(
      [&](void*, const std::string& name, TPropType, bool, intptr_t, void*) {
        names.push_back(name);
        return true;
      },
      epStore, nullptr);
  ASSERT_FALSE(names.empty());
  EXPECT_EQ(names.back(), "FuncName");
  EXPECT_NE(std::find(names.begin(), names.end(), "SubExp0"), names.end());
}
