// Tests of the benchmark's text generator, its shape measurement, the engine bindings and the
// growing macros: a benchmark over texts that fail to translate, over engines that compute
// different values, or over expansions of another size than named, would measure nothing.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "bench/BenchText.h"
#include "bench/EvalBench.h"
#include "bench/FloorBench.h"
#include "bench/MacroBench.h"
#include "core/EntryPoints.h"
#include "core/Translator.h"
#include "core/Variables.h"
#include "runtime/Gbk.h"

namespace qnexp {
namespace {

TEST(BenchTextTest, SameSeedSameTextOtherSeedOtherText) {
  EXPECT_EQ(GenerateBenchText(5000), GenerateBenchText(5000));
  EXPECT_NE(GenerateBenchText(5000), GenerateBenchText(5000, kBenchTextSeed + 1));
}

TEST(BenchTextTest, TinyTargetStillGivesOneTerm) {
  std::string text = GenerateBenchText(0);
  ASSERT_FALSE(text.empty());
  EXPECT_EQ(text.front(), '(');
  EXPECT_EQ(text.back(), ')');
}

class BenchTextSizeTest : public testing::TestWithParam<size_t> {};

TEST_P(BenchTextSizeTest, SizeIsCloseToTheTarget) {
  size_t target = GetParam();
  size_t size = GenerateBenchText(target).size();
  EXPECT_GE(size, target * 97 / 100);
  EXPECT_LE(size, target * 103 / 100 + 300);
}

TEST_P(BenchTextSizeTest, TranslatesWithinTheLimits) {
  std::string text = GenerateBenchText(GetParam());
  TBenchTextShape shape = MeasureBenchText(text);
  EXPECT_LT(shape.MaxDepth, 40);
  EXPECT_LE(shape.LongestChain, kBenchTextMaxTermOperators + kBenchTextFanOut);
  TEngineBinding binding(text);
  EXPECT_EQ(GbkToUtf8Lenient(binding.Error()), "");
}

INSTANTIATE_TEST_SUITE_P(Sizes, BenchTextSizeTest,
                         testing::Values(size_t{1'000}, size_t{10'000}, size_t{100'000},
                                         size_t{1'000'000}));

TEST(BenchTextTest, EvaluatesToANumberWithoutError) {
  TEngineBinding binding(GenerateBenchText(10'000));
  ASSERT_EQ(binding.Error(), "");
  TBenchValues values;
  ResetBenchValues(values);
  long double result = binding.Evaluate(values);
  EXPECT_FALSE(binding.EvaluationFailed());
  EXPECT_FALSE(std::isnan(result));
}

// The sizes are only comparable when each has the same mix of tokens per byte.
TEST(BenchTextTest, EverySizeHasTheSameMix) {
  std::string small = GenerateBenchText(10'000);
  std::string large = GenerateBenchText(1'000'000);
  TBenchTextShape a = MeasureBenchText(small);
  TBenchTextShape b = MeasureBenchText(large);
  auto perKilobyte = [](size_t count, const std::string& text) {
    return 1000.0 * static_cast<double>(count) / static_cast<double>(text.size());
  };
  struct TKind {
    const char* Name;
    size_t Small, Large;
  } kinds[] = {{"calls", a.Calls, b.Calls},
               {"comparisons", a.Comparisons, b.Comparisons},
               {"strings", a.Strings, b.Strings},
               {"comments", a.Comments, b.Comments},
               {"variables", a.Variables, b.Variables}};
  for (const TKind& kind : kinds) {
    SCOPED_TRACE(kind.Name);
    ASSERT_GT(kind.Small, 0u);
    double ratio = perKilobyte(kind.Large, large) / perKilobyte(kind.Small, small);
    EXPECT_GT(ratio, 0.8);
    EXPECT_LT(ratio, 1.25);
  }
}

struct TShapeCase {
  const char* Text;
  int MaxDepth;
  int LongestChain;
  size_t Calls, Comparisons, Strings, Comments, Variables;
  friend void PrintTo(const TShapeCase& c, std::ostream* out) { *out << c.Text; }
};

class BenchTextShapeTest : public testing::TestWithParam<TShapeCase> {};

TEST_P(BenchTextShapeTest, MeasuresAsTheTranslatorReads) {
  const TShapeCase& c = GetParam();
  TBenchTextShape shape = MeasureBenchText(c.Text);
  EXPECT_EQ(shape.MaxDepth, c.MaxDepth);
  EXPECT_EQ(shape.LongestChain, c.LongestChain);
  EXPECT_EQ(shape.Calls, c.Calls);
  EXPECT_EQ(shape.Comparisons, c.Comparisons);
  EXPECT_EQ(shape.Strings, c.Strings);
  EXPECT_EQ(shape.Comments, c.Comments);
  EXPECT_EQ(shape.Variables, c.Variables);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, BenchTextShapeTest,
    testing::Values(
        TShapeCase{"a+b*c-d", 0, 3, 0, 0, 0, 0, 4},
        TShapeCase{"(a+(b*(c)))", 3, 1, 0, 0, 0, 0, 3},
        TShapeCase{"Min(a+b+c, d+e)", 1, 2, 1, 0, 0, 0, 5},
        // Brackets, operators and names inside quotes and comments do not count.
        TShapeCase{"'(a+b' + \"c)\" + 'It''s'", 0, 2, 0, 0, 3, 0, 0},
        TShapeCase{"a {x+(y {nested)} '}' z} + b", 0, 1, 0, 0, 0, 1, 2},
        TShapeCase{"a // (b+c\n+ d", 0, 1, 0, 0, 0, 1, 2},
        TShapeCase{"(a <> b) + (c >= 1) + (d = e)", 1, 2, 0, 3, 0, 0, 5},
        // Names that only contain a variable's letter, and numbers with an exponent.
        TShapeCase{"abc + 1e3 + Maxi(f)", 1, 2, 0, 0, 0, 0, 1},
        TShapeCase{"((a)", 2, 0, 0, 0, 0, 0, 1}));

struct TUseCase {
  const char* Text;
  int Index;
  bool Uses;
};

class UsesBenchVariableTest : public testing::TestWithParam<TUseCase> {};

TEST_P(UsesBenchVariableTest, FindsOnlyWholeNames) {
  const TUseCase& c = GetParam();
  EXPECT_EQ(UsesBenchVariable(c.Text, c.Index), c.Uses) << c.Text << " #" << c.Index;
}

INSTANTIATE_TEST_SUITE_P(Texts, UsesBenchVariableTest,
                         testing::Values(TUseCase{"a+b*c", 0, true}, TUseCase{"a+b*c", 2, true},
                                         TUseCase{"a+b*c", 3, false},
                                         TUseCase{"1e3+f", 4, false},
                                         TUseCase{"1e3+f", 5, true}, TUseCase{"abc", 0, false},
                                         TUseCase{"A*2", 0, true}, TUseCase{"x.d", 3, false},
                                         TUseCase{"a", 6, false}, TUseCase{"a", -1, false}));

class EvalAgreementTest : public testing::TestWithParam<const char*> {};

// Both engines see every change of the values, and compute the same results from them.
TEST_P(EvalAgreementTest, EnginesComputeTheSameValues) {
  const char* text = GetParam();
  TEngineBinding engine(text);
  ASSERT_EQ(engine.Error(), "");
  TBenchValues values;
  ResetBenchValues(values);
  TMuparserBinding muparser(text, values);
  ASSERT_EQ(muparser.Error(), "");
  double previous = NAN;
  for (int round = 0; round < 50; ++round) {
    for (double& value : values) value += 0.125;
    double ours = static_cast<double>(engine.Evaluate(values));
    double theirs = muparser.Evaluate();
    ASSERT_FALSE(engine.EvaluationFailed());
    ASSERT_NEAR(ours, theirs, 1e-9 * std::max(1.0, std::abs(theirs))) << "round " << round;
    EXPECT_NE(ours, previous);
    previous = ours;
  }
}

INSTANTIATE_TEST_SUITE_P(Expressions, EvalAgreementTest,
                         testing::ValuesIn(BenchEvalExpressions().begin(),
                                           BenchEvalExpressions().end()));

TEST(EvalBindingTest, BadTextsReportTheirErrors) {
  TEngineBinding engine("a+");
  EXPECT_EQ(engine.Error().rfind(ExpTranslator->StatusMsg(), 0), 0u) << engine.Error();
  EXPECT_NE(engine.Error(), "");
  EXPECT_NE(TEngineBinding("").Error(), "");
  TBenchValues values;
  ResetBenchValues(values);
  EXPECT_NE(TMuparserBinding("a+", values).Error(), "");
}

TEST(EvalBindingTest, ReplacesAVariableOfAnotherType) {
  GetVarList()->SetVarExp("b", CreateStrExp("text").release());
  DefineBenchVariables();
  TExpression* b = GetVarList()->GetVarExp("b");
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->DataType, etReal);
  TEngineBinding engine("b*2");
  ASSERT_EQ(engine.Error(), "");
  TBenchValues values;
  ResetBenchValues(values);
  EXPECT_DOUBLE_EQ(static_cast<double>(engine.Evaluate(values)), values[1] * 2);
}

// The hand-coded bound must do what the engine does, node for node, or it bounds nothing.
TEST(FloorBindingTest, EveryNodeLeavesTheTreeAsTheEngineDoes) {
  TFloorBinding floor;
  ASSERT_EQ(floor.Error(), "");
  TEngineBinding engine(kFloorExpression);
  ASSERT_EQ(engine.Error(), "");
  TBenchValues values;
  ResetBenchValues(values);
  for (int round = 0; round < 3; ++round) {
    for (double& value : values) value += 0.37;
    long double expected = engine.Evaluate(values);
    // The engine's tree is walked with the forcing stamp; the floor's as the protocol says.
    std::unique_ptr<TExpression> walked(floor.Root().CopySelf());
    walked->Evaluate(kForceStamp);
    EXPECT_EQ(floor.EvaluateEveryNode(values), expected);
    EXPECT_EQ(floor.EvaluateRootOnly(values), expected);
    floor.EvaluateEveryNode(values);
    std::vector<TExpression*> ours = {&floor.Root()}, theirs = {walked.get()};
    for (size_t i = 0; i < ours.size(); ++i) {
      TExpression* a = ours[i];
      TExpression* b = theirs[i];
      EXPECT_EQ(a->DataType, b->DataType) << i;
      EXPECT_EQ(a->SyncFlag, b->SyncFlag) << i;
      EXPECT_EQ(a->GetString(), b->GetString()) << i;
      EXPECT_EQ(a->GetReal(), b->GetReal()) << i;
      for (int slot = 0; slot < 3; ++slot) {
        ASSERT_EQ(a->BaseSlot(slot) == nullptr, b->BaseSlot(slot) == nullptr);
        if (a->BaseSlot(slot)) {
          ours.push_back(a->BaseSlot(slot));
          theirs.push_back(b->BaseSlot(slot));
        }
      }
    }
    EXPECT_EQ(ours.size(), 8u);  // the root, the product, three references, three names
  }
}

TEST(MacroBenchTest, GrowingMacroProducesTheNamedSizeEveryTime) {
  for (size_t bytes : {size_t{1000}, size_t{100000}}) {
    TGrowingMacros macros(bytes);
    EXPECT_EQ(macros.Expand(), std::string(bytes, 'x'));
    EXPECT_EQ(macros.Expand().size(), bytes);
  }
}

TEST(MacroBenchTest, SelfReferringMacroRunsIntoEachLimit) {
  EXPECT_EQ(ExpandSelfReferringMacro(100), Res("宏替换次数太多(超过100000次)"));
  EXPECT_EQ(ExpandSelfReferringMacro(1000), Res("宏展开后的文本太长(超过67108864字节)"));
}

}  // namespace
}  // namespace qnexp
