// The mathematical, rounding and random functions: the checked failures that replace NaN and
// infinity, halves to even whatever the FPU rounding mode, the 64-bit bounds of Round and
// Trunc, and the repeatable process-wide generator.
#include <gtest/gtest.h>

#include <cfenv>
#include <climits>
#include <cmath>
#include <functional>
#include <memory>
#include <string>

#include "HandTree.h"
#include "functions/Math.h"
#include "runtime/Exception.h"
#include "support/Random.h"

using namespace qnexp;
using namespace handtree;

namespace {

long double RealOf(TExpression& node) {
  node.Evaluate(kForceStamp);
  return node.GetReal();
}

constexpr long double kTwo63 = 9223372036854775808.0L;

}  // namespace

TEST(MathTranslation, NumericArgumentsOnly) {
  for (const TNumericRow& row : kNumericRows) {
    const char* name = ExpDataTypeName(row.Type);
    EXPECT_EQ(Accepts<TExp_Sqrt>(row.Type), row.Accepted) << "Sqrt " << name;
    EXPECT_EQ(Accepts<TExp_Round>(row.Type), row.Accepted) << "Round " << name;
    EXPECT_EQ(Accepts<TExp_Trunc>(row.Type), row.Accepted) << "Trunc " << name;
    EXPECT_EQ(Accepts<TExp_Random>(row.Type), row.Accepted) << "Random " << name;
    EXPECT_TRUE(Accepts<TExp_rRound>(row.Type, 1)) << "rRound " << name;
  }
  EXPECT_EQ(Make<TExp_Sin>(Int(1))->DataType, etReal);
  EXPECT_EQ(Make<TExp_Trunc>(Real(1))->DataType, etInteger);
  EXPECT_EQ(Make<TExp_rRound>(Str("1"), Str("2"))->DataType, etReal);
  TExp_Pi pi;
  EXPECT_TRUE(pi.TransOverOK());
  EXPECT_EQ(pi.DataType, etReal);
  EXPECT_FALSE(pi.IsConst());
  EXPECT_EQ(RealOf(pi), 3.1415926535897932385L);
}

TEST(MathFailures, RaisedInsteadOfNaNOrInfinity) {
  struct TRow {
    const char* Name;
    std::function<std::unique_ptr<TExpression>()> Build;
    const char* Message;
  };
  const TRow rows[] = {
      {"Ln(0)", [] { return Make<TExp_Ln>(Int(0)); }, "Floating point division by zero"},
      {"Ln(-1)", [] { return Make<TExp_Ln>(Real(-1e-30)); }, "Invalid floating point operation"},
      {"Sqrt(-tiny)", [] { return Make<TExp_Sqrt>(Real(-1e-4000L)); },
       "Invalid floating point operation"},
      {"Sqr(big)", [] { return Make<TExp_Sqr>(Real(1e3000L)); }, "Floating point overflow"},
      {"Trunc(2^63)", [] { return Make<TExp_Trunc>(Real(kTwo63)); },
       "Invalid floating point operation"},
      {"Trunc(-2^63-)", [] { return Make<TExp_Trunc>(Real(-kTwo63 - 2)); },
       "Invalid floating point operation"},
  };
  for (const TRow& row : rows) {
    auto node = row.Build();
    try {
      node->Evaluate(kForceStamp);
      ADD_FAILURE() << row.Name << ": no error";
    } catch (const EMathError& error) {
      EXPECT_EQ(error.Message, row.Message) << row.Name;
    }
  }
  EXPECT_EQ(RealOf(*Make<TExp_Sqrt>(Real(-0.0L))), 0);
  EXPECT_EQ(RealOf(*Make<TExp_Frac>(Real(-1.25))), -0.25L);
  EXPECT_EQ(RealOf(*Make<TExp_Int>(Real(-2.7))), -2);
}

TEST(MathRounding, HalvesToEvenWithin64Bits) {
  struct TRow {
    long double Value;
    int32_t Rounded, Truncated;
  };
  const TRow rows[] = {
      {2.5, 2, 2},   {3.5, 4, 3},     {-2.5, -2, -2}, {-3.5, -4, -3},
      {0.5, 0, 0},   {-0.5, 0, 0},    {2.7, 3, 2},    {-2.7, -3, -2},
      {4294967298.9L, 3, 2},          {-2147483649.0L, 2147483647, 2147483647},
      {-kTwo63, 0, 0},                {kTwo63 - 1, -1, -1},
  };
  for (const TRow& row : rows) {
    EXPECT_EQ(Integer(*Make<TExp_Round>(Real(row.Value))), row.Rounded) << (double)row.Value;
    EXPECT_EQ(Integer(*Make<TExp_Trunc>(Real(row.Value))), row.Truncated) << (double)row.Value;
  }
  // Beyond 64 bits Round gives its marker value, also when rounding is what leaves the range.
  EXPECT_EQ(Integer(*Make<TExp_Round>(Real(1e30))), 2147483647);
  EXPECT_EQ(Integer(*Make<TExp_Round>(Real(kTwo63 - 0.5L))), 2147483647);
  EXPECT_EQ(Integer(*Make<TExp_Round>(Real(-kTwo63 - 2))), 2147483647);
}

TEST(MathRounding, IndependentOfTheFpuRoundingMode) {
  int saved = std::fegetround();
  std::fesetround(FE_UPWARD);
  int32_t round = Integer(*Make<TExp_Round>(Real(2.5)));
  long double rounded = RealOf(*Make<TExp_rRound>(Real(0.125), Int(2)));
  std::fesetround(FE_DOWNWARD);
  int32_t roundDown = Integer(*Make<TExp_Round>(Real(3.5)));
  std::fesetround(saved);
  EXPECT_EQ(round, 2);
  EXPECT_EQ(roundDown, 4);
  EXPECT_NEAR((double)rounded, 0.12, 1e-15);
}

TEST(MathRounding, DecimalPlaces) {
  EXPECT_NEAR((double)RealOf(*Make<TExp_rRound>(Real(3.14159L), Int(2))), 3.14, 1e-15);
  EXPECT_EQ(RealOf(*Make<TExp_rRound>(Int(1234), Int(-2))), 1200);
  EXPECT_EQ(RealOf(*Make<TExp_rRound>(Real(1e30L), Int(2))), 1e30L);
  EXPECT_EQ(RealOf(*Make<TExp_rRound>(Int(5), Int(INT_MIN))), 0);
  EXPECT_EQ(RealOf(*Make<TExp_rRound>(Real(2.5), Int(INT_MAX))), 2.5L);
}

TEST(MathRandom, StaysBelowTheBoundAndRepeatsAfterReseeding) {
  RandomSeed(12345);
  auto node = Make<TExp_Random>(Int(1000));
  int32_t first[20];
  for (int32_t& r : first) {
    r = Integer(*node);
    EXPECT_GE(r, 0);
    EXPECT_LT(r, 1000);
  }
  RandomSeed(12345);
  for (int32_t r : first) EXPECT_EQ(Integer(*node), r);
  bool varied = false;
  for (int32_t r : first) varied = varied || r != first[0];
  EXPECT_TRUE(varied);
}

TEST(MathRandom, BoundsOfOneOrLessGiveZeroWithoutDrawing) {
  RandomSeed(7);
  uint32_t expected = (RandomBits(), RandomBits());
  RandomSeed(7);
  RandomBits();
  for (int32_t bound : {0, -1, INT_MIN}) EXPECT_EQ(Integer(*Make<TExp_Random>(Int(bound))), 0);
  EXPECT_EQ(RandomBits(), expected);
  for (int i = 0; i < 100; ++i) {
    EXPECT_EQ(RandomInt(1), 0);
    int32_t wide = RandomInt(INT_MAX);
    EXPECT_GE(wide, 0);
    EXPECT_LT(wide, INT_MAX);
  }
  Randomize();
}
