// The arithmetic operators and functions: typing rules, calculations per type, division
// fallbacks, the power clamp, wrap-around, Min/Max, and the translation-time checks.
#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstring>
#include <functional>
#include <string>

#include "HandTree.h"
#include "functions/Arithmetic.h"
#include "runtime/DateTime.h"
#include "runtime/Exception.h"
#include "runtime/Gbk.h"

using namespace qnexp;
using namespace handtree;

namespace {

struct TTypeRow {
  TExpDataType Left;
  TExpDataType Right;
  TExpDataType Result;
};

template <class T>
TExpDataType ResultTypeOf(TExpDataType left, TExpDataType right) {
  T node;
  node.PutSubExp(0, Constant(left).release());
  node.PutSubExp(1, Constant(right).release());
  EXPECT_TRUE(node.TransOverOK());
  return node.DataType;
}

std::string Describe(const TTypeRow& row) {
  return std::string(ExpDataTypeName(row.Left)) + " with " + ExpDataTypeName(row.Right);
}

// The node after one forced evaluation.
double March5th() { return EncodeDate(2024, 3, 5) + EncodeTime(14, 7, 9, 0); }

}  // namespace

TEST(ArithmeticTyping, AdditionRule) {
  const TTypeRow rows[] = {
      {etString, etInteger, etString},     {etInteger, etString, etString},
      {etChar, etInteger, etChar},         {etInteger, etChar, etInteger},
      {etChar, etChar, etString},          {etChar, etString, etString},
      {etString, etChar, etString},        {etDateTime, etDateTime, etString},
      {etString, etDateTime, etString},    {etDateTime, etInteger, etDateTime},
      {etInteger, etDateTime, etDateTime}, {etReal, etDateTime, etDateTime},
      {etDateTime, etReal, etDateTime},    {etChar, etReal, etReal},
      {etInteger, etReal, etReal},         {etReal, etInteger, etReal},
      {etBoolean, etInteger, etBoolean},   {etBoolean, etString, etBoolean},
      {etInteger, etBoolean, etInteger},   {etInteger, etAny, etInteger},
      {etAny, etInteger, etAny},           {etInt64, etReal, etInt64},
      {etInteger, etInt64, etInteger},
  };
  for (const TTypeRow& row : rows)
    EXPECT_EQ(ResultTypeOf<TExp_Add>(row.Left, row.Right), row.Result) << Describe(row);
}

TEST(ArithmeticTyping, NumericRuleAndPower) {
  const TTypeRow rows[] = {
      {etInteger, etInteger, etInteger},   {etInteger, etReal, etReal},
      {etReal, etInteger, etReal},         {etInteger, etDateTime, etDateTime},
      {etDateTime, etReal, etDateTime},    {etReal, etDateTime, etReal},
      {etDateTime, etInteger, etDateTime}, {etAny, etInteger, etAny},
      {etInteger, etAny, etAny},           {etReal, etAny, etReal},
  };
  for (const TTypeRow& row : rows) {
    EXPECT_EQ(ResultTypeOf<TExp_Sub>(row.Left, row.Right), row.Result) << Describe(row);
    EXPECT_EQ(ResultTypeOf<TExp_Div>(row.Left, row.Right), row.Result) << Describe(row);
    EXPECT_EQ(ResultTypeOf<TExp_Power>(row.Left, row.Right), etReal) << Describe(row);
  }
}

TEST(ArithmeticTyping, FunctionResultTypes) {
  EXPECT_EQ(Make<TExp_RealDiv>(Int(7), Int(2))->DataType, etReal);
  EXPECT_EQ(Make<TExp_IntDiv>(Real(7), Real(2))->DataType, etInteger);
  EXPECT_EQ(Make<TExp_Mod>(Real(7), Real(2))->DataType, etInteger);
  EXPECT_EQ(Make<TExp_Neg>(Real(1))->DataType, etReal);
  EXPECT_EQ(Make<TExp_Abs>(Date(1))->DataType, etDateTime);
  EXPECT_EQ(Make<TExp_Neg>(Int(1))->DataType, etInteger);
}

TEST(ArithmeticTyping, MinMaxRule) {
  const TTypeRow rows[] = {
      {etInteger, etInteger, etInteger}, {etInteger, etReal, etReal},
      {etReal, etInteger, etReal},       {etDateTime, etInteger, etDateTime},
      {etAny, etReal, etAny},            {etChar, etChar, etChar},
      {etChar, etString, etString},      {etString, etChar, etString},
      {etString, etString, etString},    {etString, etInteger, etString},
      {etInteger, etString, etInteger},  {etBoolean, etBoolean, etBoolean},
      {etInt64, etInteger, etInt64},
  };
  for (const TTypeRow& row : rows) {
    EXPECT_EQ(MinMaxResultType(row.Left, row.Right), row.Result) << Describe(row);
    EXPECT_EQ(ResultTypeOf<TExp_Min>(row.Left, row.Right), row.Result) << Describe(row);
    EXPECT_EQ(ResultTypeOf<TExp_Max>(row.Left, row.Right), row.Result) << Describe(row);
  }
}

TEST(ArithmeticTranslation, NumericOperandsOnly) {
  for (const TNumericRow& row : kNumericRows) {
    const char* name = ExpDataTypeName(row.Type);
    EXPECT_EQ(Accepts<TExp_Sub>(row.Type, 0), row.Accepted) << "- " << name;
    EXPECT_EQ(Accepts<TExp_Mul>(row.Type, 1), row.Accepted) << "* " << name;
    EXPECT_EQ(Accepts<TExp_Div>(row.Type, 0), row.Accepted) << "/ " << name;
    EXPECT_EQ(Accepts<TExp_Power>(row.Type, 1), row.Accepted) << "^ " << name;
    EXPECT_EQ(Accepts<TExp_Neg>(row.Type), row.Accepted) << "Neg " << name;
    EXPECT_EQ(Accepts<TExp_Abs>(row.Type), row.Accepted) << "Abs " << name;
    // Addition, the named two-argument functions and Mod take anything.
    EXPECT_TRUE(Accepts<TExp_Add>(row.Type, 1)) << "+ " << name;
    EXPECT_TRUE(Accepts<TExp_Mod>(row.Type, 0)) << "Mod " << name;
  }
  TExp_Sub sub;
  EXPECT_FALSE(sub.SetSubExp(0, nullptr));
  TExp_Add add;
  EXPECT_FALSE(add.SetSubExp(0, nullptr));
}

TEST(ArithmeticTranslation, ParameterCounts) {
  struct TRow {
    TFunction* Node;
    int Fixed;
    int Optional;
  };
  TExp_Neg neg;
  TExp_Abs abs;
  TExp_Min min;
  TExp_Max max;
  TExp_RealDiv realDiv;
  TExp_IntDiv intDiv;
  TExp_Mod mod;
  const TRow rows[] = {{&neg, 1, 0},     {&abs, 1, 0},    {&min, 2, 0}, {&max, 2, 0},
                       {&realDiv, 2, 1}, {&intDiv, 2, 1}, {&mod, 2, 0}};
  for (const TRow& row : rows) {
    EXPECT_EQ(row.Node->FixedParamCount(), row.Fixed) << row.Node->ClassName();
    EXPECT_EQ(row.Node->OptionalParamCount(), row.Optional) << row.Node->ClassName();
  }
}

TEST(ArithmeticCalculation, ValuesByType) {
  const double day = March5th();
  const TValueRow rows[] = {
      {"7/2", [] { return Make<TExp_Div>(Int(7), Int(2)); }, etInteger, "3"},
      {"-7/2", [] { return Make<TExp_Div>(Int(-7), Int(2)); }, etInteger, "-3"},
      {"7.0/2", [] { return Make<TExp_Div>(Real(7), Int(2)); }, etReal, "3.5"},
      {"RealDiv(7,2)", [] { return Make<TExp_RealDiv>(Int(7), Int(2)); }, etReal, "3.5"},
      {"1/0", [] { return Make<TExp_Div>(Int(1), Int(0)); }, etInteger, "0"},
      {"1.0/0", [] { return Make<TExp_Div>(Real(1), Int(0)); }, etReal, "0"},
      {"1.0/1E-20", [] { return Make<TExp_Div>(Real(1), Real(1e-20L)); }, etReal, "0"},
      {"1E4932/0.5", [] { return Make<TExp_Div>(Real(1e4932L), Real(0.5)); }, etReal, "0"},
      {"1E4931/0.5", [] { return Make<TExp_Div>(Real(1e4931L), Real(0.5)); }, etReal, "2E4931"},
      {"MinInt/-1", [] { return Make<TExp_Div>(Int(INT32_MIN), Int(-1)); }, etInteger, "0"},
      {"RealDiv(1,0,-1)", [] { return Make<TExp_RealDiv>(Int(1), Int(0), Int(-1)); }, etReal,
       "-1"},
      {"RealDiv(1,0)", [] { return Make<TExp_RealDiv>(Int(1), Int(0)); }, etReal, "0"},
      {"IntDiv(5,0)", [] { return Make<TExp_IntDiv>(Int(5), Int(0)); }, etInteger, "0"},
      {"IntDiv(5,0,9)", [] { return Make<TExp_IntDiv>(Int(5), Int(0), Int(9)); }, etInteger,
       "9"},
      {"IntDiv(-7,2)", [] { return Make<TExp_IntDiv>(Int(-7), Int(2)); }, etInteger, "-3"},
      {"IntDiv(7.6,2)", [] { return Make<TExp_IntDiv>(Real(7.6L), Int(2)); }, etInteger, "4"},
      {"IntDiv(MinInt,-1,5)", [] { return Make<TExp_IntDiv>(Int(INT32_MIN), Int(-1), Int(5)); },
       etInteger, "5"},
      {"Mod(7,0)", [] { return Make<TExp_Mod>(Int(7), Int(0)); }, etInteger, "7"},
      {"Mod(-7,2)", [] { return Make<TExp_Mod>(Int(-7), Int(2)); }, etInteger, "-1"},
      {"Mod(7,-2)", [] { return Make<TExp_Mod>(Int(7), Int(-2)); }, etInteger, "1"},
      {"'ab'+1", [] { return Make<TExp_Add>(Str("ab"), Int(1)); }, etString, "ab1"},
      {"1+'ab'", [] { return Make<TExp_Add>(Int(1), Str("ab")); }, etString, "1ab"},
      {"'a'+1", [] { return Make<TExp_Add>(Chr('a'), Int(1)); }, etChar, "b"},
      {"1+'a'", [] { return Make<TExp_Add>(Int(1), Chr('a')); }, etInteger, "98"},
      {"'a'+'b'", [] { return Make<TExp_Add>(Chr('a'), Chr('b')); }, etString, "ab"},
      {"char wraps", [] { return Make<TExp_Add>(Chr('\xFF'), Int(2)); }, etChar, "\x01"},
      {"'x'+1.5", [] { return Make<TExp_Add>(Str("x"), Real(1.5)); }, etString, "x1.5"},
      {"No+No", [] { return Make<TExp_Add>(Bool(false), Bool(false)); }, etBoolean, "No"},
      {"No+Yes", [] { return Make<TExp_Add>(Bool(false), Bool(true)); }, etBoolean, "Yes"},
      {"1+Yes", [] { return Make<TExp_Add>(Int(1), Bool(true)); }, etInteger, "2"},
      {"1+2.5", [] { return Make<TExp_Add>(Int(1), Real(2.5)); }, etReal, "3.5"},
      {"10-2.6", [] { return Make<TExp_Sub>(Int(10), Real(2.6)); }, etReal, "7.4"},
      {"Mod(6.5,4) rounds half to even", [] { return Make<TExp_Mod>(Real(6.5), Int(4)); },
       etInteger, "2"},
      {"date+1", [day] { return Make<TExp_Add>(Date(day), Int(1)); }, etDateTime,
       "2024.03.06 14:07:09"},
      {"1+date", [day] { return Make<TExp_Add>(Int(1), Date(day)); }, etDateTime,
       "2024.03.06 14:07:09"},
      {"date+date", [day] { return Make<TExp_Add>(Date(day), Date(day)); }, etString,
       "2024.03.05 14:07:092024.03.05 14:07:09"},
      {"date-0.5", [day] { return Make<TExp_Sub>(Date(day), Real(0.5)); }, etDateTime,
       "2024.03.05 02:07:09"},
      {"max+1 wraps", [] { return Make<TExp_Add>(Int(INT32_MAX), Int(1)); }, etInteger,
       "-2147483648"},
      {"min-1 wraps", [] { return Make<TExp_Sub>(Int(INT32_MIN), Int(1)); }, etInteger,
       "2147483647"},
      {"65536*65536 wraps", [] { return Make<TExp_Mul>(Int(65536), Int(65536)); }, etInteger,
       "0"},
      {"46341*46341 wraps", [] { return Make<TExp_Mul>(Int(46341), Int(46341)); }, etInteger,
       "-2147479015"},
      {"2.5*4", [] { return Make<TExp_Mul>(Real(2.5), Int(4)); }, etReal, "10"},
      {"2^10", [] { return Make<TExp_Power>(Int(2), Int(10)); }, etReal, "1024"},
      {"(-2)^3", [] { return Make<TExp_Power>(Int(-2), Int(3)); }, etReal, "-8"},
      {"(-2)^2", [] { return Make<TExp_Power>(Int(-2), Int(2)); }, etReal, "4"},
      {"(-2)^-1", [] { return Make<TExp_Power>(Int(-2), Int(-1)); }, etReal, "-0.5"},
      {"4^0.5", [] { return Make<TExp_Power>(Int(4), Real(0.5)); }, etReal, "2"},
      {"7^0", [] { return Make<TExp_Power>(Int(7), Int(0)); }, etReal, "1"},
      {"10^5000", [] { return Make<TExp_Power>(Int(10), Int(5000)); }, etReal, "1.1E4932"},
      {"0.1^5000", [] { return Make<TExp_Power>(Real(0.1L), Int(5000)); }, etReal, "1.1E4932"},
      {"10^-5000", [] { return Make<TExp_Power>(Int(10), Int(-5000)); }, etReal, "1.1E4932"},
      {"(-10)^5001", [] { return Make<TExp_Power>(Int(-10), Int(5001)); }, etReal, "-1.1E4932"},
      {"1.5^30000", [] { return Make<TExp_Power>(Real(1.5), Int(30000)); }, etReal, "1.1E4932"},
      {"Neg(5)", [] { return Make<TExp_Neg>(Int(5)); }, etInteger, "-5"},
      {"Neg(MinInt)", [] { return Make<TExp_Neg>(Int(INT32_MIN)); }, etInteger, "-2147483648"},
      {"Neg(2.5)", [] { return Make<TExp_Neg>(Real(2.5)); }, etReal, "-2.5"},
      {"Abs(-2.5)", [] { return Make<TExp_Abs>(Real(-2.5)); }, etReal, "2.5"},
      {"Abs(-7)", [] { return Make<TExp_Abs>(Int(-7)); }, etInteger, "7"},
      {"Abs(MinInt)", [] { return Make<TExp_Abs>(Int(INT32_MIN)); }, etInteger, "-2147483648"},
      {"Neg(date)", [] { return Make<TExp_Neg>(Date(-1.5)); }, etDateTime,
       "1899.12.31 12:00:00"},
  };
  ExpectValues(rows);
}

TEST(ArithmeticCalculation, PowerOfTwoIsExactEnough) {
  auto power = Make<TExp_Power>(Int(2), Int(10));
  EXPECT_NEAR(static_cast<double>(Evaluated(*power).GetReal()), 1024.0, 1e-12);
  EXPECT_EQ(power->GetInteger(), 1024);
}

// Integral exponents are multiplied out, so results that have few digits are exact and compare
// equal to their literal; through logarithms 2 ^ 10 = 1024 was false.
TEST(ArithmeticCalculation, IntegralExponentsAreExact) {
  struct TRow {
    long double Base, Exponent, Expected;
  };
  const TRow rows[] = {
      {2, 10, 1024},        {3, 3, 27},         {-2, 3, -8},        {-2, 2, 4},
      {10, -2, 0.01L},      {2, -1, 0.5},       {-2, -3, -0.125},   {1.5L, 2, 2.25L},
      {1.1L, 2, 1.1L * 1.1L}, {7, 0, 1},        {-7, 0, 1},         {2, 63, 9223372036854775808.0L},
      {10, 18, 1e18L},      {0.5L, 20, 1.0L / 1048576},
  };
  for (const TRow& row : rows) {
    EXPECT_EQ(RealPower(row.Base, row.Exponent), row.Expected)
        << static_cast<double>(row.Base) << " ^ " << static_cast<double>(row.Exponent);
  }
  // Non-integral exponents keep the logarithmic rule; its sign rule as well.
  EXPECT_NEAR(static_cast<double>(RealPower(2, 0.5L)), std::sqrt(2.0), 1e-15);
  EXPECT_NEAR(static_cast<double>(RealPower(-8, 1.0L / 3)), -2.0, 1e-15);
}

// Near either end of the range the multiplication hands over to the logarithmic rule, whose
// clamp decides; far beyond the multiplied range as well.
TEST(ArithmeticCalculation, IntegralExponentsKeepTheClamp) {
  const long double kHuge = 1.1E4932L;
  EXPECT_EQ(RealPower(10, 5000), kHuge);
  EXPECT_EQ(RealPower(10, -5000), kHuge);
  EXPECT_EQ(RealPower(-10, 5001), -kHuge);
  EXPECT_EQ(RealPower(2, 16400), kHuge);
  EXPECT_EQ(RealPower(0.5L, 16500), kHuge);
  EXPECT_EQ(RealPower(1.0001L, 1e9L), kHuge);
  // Within the range but past the multiplied exponents: the logarithmic value.
  long double viaLogarithms = RealPower(1.000001L, 4e6L);
  EXPECT_NEAR(static_cast<double>(viaLogarithms), std::exp(4e6 * std::log1p(1e-6)), 1e-6);
  EXPECT_THROW(RealPower(0, 2), EZeroDivide);
  EXPECT_THROW(RealPower(0, -3), EZeroDivide);
  EXPECT_THROW(RealPower(NAN, 2), EInvalidOp);
}

// An integer exponent skips the test of integrality; the value must be RealPower's to the bit,
// errors included, on both sides of every hand-over.
TEST(ArithmeticCalculation, IntegerExponentsGiveRealPowersValues) {
  const long double bases[] = {2, -2, 10, -10, 0.5L, 1.1L, -1.000001L, 1e300L, 1e-300L, 7.25L,
                               1, -1, 0, LDBL_MAX, NAN, 1e2455L, -1e-2455L};
  const int32_t exponents[] = {0, 1, -1, 2, 3, -3, 17, 63, 5000, -5000, 16400, 1 << 20,
                               (1 << 20) + 1, -(1 << 20) - 1, INT32_MAX, INT32_MIN};
  for (long double base : bases)
    for (int32_t n : exponents) {
      std::string ours, theirs;
      long double a = 0, b = 0;
      try { a = IntegerPower(base, n); } catch (const Exception& e) { ours = e.Message; }
      try { b = RealPower(base, n); } catch (const Exception& e) { theirs = e.Message; }
      EXPECT_EQ(ours, theirs) << static_cast<double>(base) << " ^ " << n;
      EXPECT_EQ(std::memcmp(&a, &b, 10), 0) << static_cast<double>(base) << " ^ " << n;
    }
}

TEST(ArithmeticCalculation, CheckedRealRaisesForNonFiniteResults) {
  EXPECT_EQ(CheckedReal(1.5L), 1.5L);
  EXPECT_EQ(CheckedReal(-0.0L), 0.0L);
  EXPECT_EQ(CheckedReal(LDBL_MAX), LDBL_MAX);
  EXPECT_THROW(CheckedReal(HUGE_VALL), EOverflow);
  EXPECT_THROW(CheckedReal(-HUGE_VALL), EOverflow);
  EXPECT_THROW(CheckedReal(NAN), EInvalidOp);
}

// Boolean, character and text nodes of - * / exist only when an etAny node takes such a left
// operand's type at evaluation; the translator never builds them from typed operands.
TEST(ArithmeticCalculation, TypesReachedThroughAny) {
  struct TRow {
    const char* Label;
    std::function<TNode()> Build;
    TExpDataType Type;
    std::string Text;
  };
  auto unchecked = [](TExpression* node, TNode left, TNode right) {
    node->DataType = etAny;
    node->Value.StrValue = "kept";
    node->PutSubExp(0, left.release());
    node->PutSubExp(1, right.release());
    return TNode(node);
  };
  const TRow rows[] = {
      {"Yes-Yes", [&] { return unchecked(new TExp_Sub, Bool(true), Bool(true)); }, etBoolean, "No"},
      {"Yes-No", [&] { return unchecked(new TExp_Sub, Bool(true), Bool(false)); }, etBoolean, "Yes"},
      {"Yes*No", [&] { return unchecked(new TExp_Mul, Bool(true), Bool(false)); }, etBoolean, "No"},
      {"Yes*Yes", [&] { return unchecked(new TExp_Mul, Bool(true), Bool(true)); }, etBoolean, "Yes"},
      {"'c'-1", [&] { return unchecked(new TExp_Sub, Chr('c'), Int(1)); }, etChar, "b"},
      {"'\\0'-1", [&] { return unchecked(new TExp_Sub, Chr('\0'), Int(1)); }, etChar, "\xFF"},
      {"'!'*2", [&] { return unchecked(new TExp_Mul, Chr('!'), Int(2)); }, etChar, "B"},
      {"'abc'-1 keeps", [&] { return unchecked(new TExp_Sub, Str("abc"), Int(1)); }, etString,
       "kept"},
      {"'abc'*1 keeps", [&] { return unchecked(new TExp_Mul, Str("abc"), Int(1)); }, etString,
       "kept"},
      {"'abc'/1 keeps", [&] { return unchecked(new TExp_Div, Str("abc"), Int(1)); }, etString,
       "kept"},
      {"any+1", [&] { return unchecked(new TExp_Add, Int(41), Int(1)); }, etInteger, "42"},
  };
  for (const TRow& row : rows) {
    TNode node = row.Build();
    Evaluated(*node);
    EXPECT_EQ(node->DataType, row.Type) << row.Label;
    EXPECT_EQ(node->GetString(), row.Text) << row.Label;
  }
}

TEST(ArithmeticCalculation, CellsWithoutCalculationKeepTheValue) {
  auto dateTimes = Make<TExp_Mul>(Date(10), Int(2));
  dateTimes->PutDateTime(3);
  EXPECT_EQ(Evaluated(*dateTimes).GetDateTime(), 3);

  auto quotient = Make<TExp_Div>(Date(10), Int(2));
  quotient->PutDateTime(3);
  EXPECT_EQ(Evaluated(*quotient).GetDateTime(), 3);

  auto wide = Make<TExp_Add>(Int64(5), Int(1));
  ASSERT_EQ(wide->DataType, etInt64);
  wide->PutInt64(77);
  EXPECT_EQ(Evaluated(*wide).GetInt64(), 77);

  auto flags = Make<TExp_Min>(Bool(true), Bool(false));
  flags->PutBoolean(true);
  EXPECT_TRUE(Evaluated(*flags).GetBoolean());
}

TEST(ArithmeticCalculation, AnyOperandFixesTheTypeAtFirstEvaluation) {
  TNode variable = Any();
  TExpression* slot = variable.get();
  auto sum = Make<TExp_Add>(std::move(variable), Int(2));
  ASSERT_EQ(sum->DataType, etAny);
  slot->DataType = etReal;
  slot->PutReal(0.5);
  EXPECT_EQ(Evaluated(*sum).DataType, etReal);
  EXPECT_EQ(sum->GetString(), "2.5");
  // The type stays, even when the operand changes its own later.
  slot->DataType = etString;
  slot->PutString("x");
  EXPECT_EQ(Evaluated(*sum).DataType, etReal);

  TNode argument = Any();
  TExpression* argumentSlot = argument.get();
  auto negated = Make<TExp_Neg>(std::move(argument));
  argumentSlot->DataType = etInteger;
  argumentSlot->PutInteger(9);
  EXPECT_EQ(Evaluated(*negated).DataType, etInteger);
  EXPECT_EQ(negated->GetInteger(), -9);
}

TEST(ArithmeticCalculation, RaisedErrors) {
  auto zeroBase = Make<TExp_Power>(Int(0), Int(2));
  try {
    zeroBase->Evaluate(kForceStamp);
    FAIL() << "0^2 did not raise";
  } catch (const EZeroDivide& error) {
    EXPECT_EQ(error.Message, "Floating point division by zero");
  }

  auto modulo = Make<TExp_Mod>(Int(INT32_MIN), Int(-1));
  try {
    modulo->Evaluate(kForceStamp);
    FAIL() << "Mod(-2147483648, -1) did not raise";
  } catch (const EIntOverflow& error) {
    EXPECT_EQ(error.Message, "Integer overflow");
  }

  auto product = Make<TExp_Mul>(Real(1e4000L), Real(1e4000L));
  EXPECT_THROW(product->Evaluate(kForceStamp), EOverflow);
  auto sum = Make<TExp_Add>(Real(-1.1e4932L), Real(-1.1e4932L));
  EXPECT_THROW(sum->Evaluate(kForceStamp), EOverflow);
  auto difference = Make<TExp_Sub>(Real(1.1e4932L), Real(-1.1e4932L));
  EXPECT_THROW(difference->Evaluate(kForceStamp), EOverflow);
  auto later = Make<TExp_Add>(Date(1e308), Real(1e308));
  EXPECT_THROW(later->Evaluate(kForceStamp), EOverflow);
}

TEST(ArithmeticCalculation, MissingOperandIsAnEvaluationError) {
  TExp_Add sum;
  sum.PutSubExp(0, Int(1).release());
  try {
    sum.Evaluate(kForceStamp);
    FAIL() << "no error";
  } catch (const Exception& error) {
    EXPECT_EQ(error.Message, Utf8ToGbk("表达式(TExp_Add)计算错误：参数不够"));
  }
  TExp_Neg negation;
  EXPECT_THROW(negation.Evaluate(kForceStamp), Exception);
  TExp_Power power;
  power.PutSubExp(1, Int(1).release());
  EXPECT_THROW(power.Evaluate(kForceStamp), Exception);
}

TEST(ArithmeticCalculation, OptionalArgumentIsEvaluatedEveryTime) {
  TCounted* fallback = nullptr;
  auto quotient = Make<TExp_IntDiv>(
      Int(9), Int(3), Counted(etInteger, [](TExpression& n) { n.PutInteger(-1); }, &fallback));
  EXPECT_EQ(Evaluated(*quotient).GetInteger(), 3);
  EXPECT_EQ(Evaluated(*quotient).GetInteger(), 3);
  EXPECT_EQ(fallback->Evaluations, 2);
}

TEST(ArithmeticDivision, RealDivisionThresholds) {
  struct TRow {
    long double X, Y;
    bool Succeeds;
  };
  const TRow rows[] = {
      {1, 1e-19L, false},         {1, -1e-19L, false},       {0, 0, false},
      {1, 1.0001e-19L, true},     {1e4932L, 0.5L, false},    {1e4931L, 0.5L, true},
      {-1e4932L, 0.5L, false},    {1e4932L, 2, true},        {1, NAN, false},
      {NAN, 1, false},            {7, 2, true},
  };
  for (const TRow& row : rows) {
    long double quotient = -123;
    bool ok = TryRealDivide(row.X, row.Y, quotient);
    EXPECT_EQ(ok, row.Succeeds) << static_cast<double>(row.X) << " / " << static_cast<double>(row.Y);
    if (ok)
      EXPECT_EQ(quotient, row.X / row.Y);
    else
      EXPECT_EQ(quotient, -123);
  }
}

TEST(ArithmeticMinMax, ValuesAndTies) {
  const TValueRow rows[] = {
      {"Min(2,5)", [] { return Make<TExp_Min>(Int(2), Int(5)); }, etInteger, "2"},
      {"Max(2,5)", [] { return Make<TExp_Max>(Int(2), Int(5)); }, etInteger, "5"},
      {"Min(5,2)", [] { return Make<TExp_Min>(Int(5), Int(2)); }, etInteger, "2"},
      {"Max(5,2)", [] { return Make<TExp_Max>(Int(5), Int(2)); }, etInteger, "5"},
      {"Min(3,3)", [] { return Make<TExp_Min>(Int(3), Int(3)); }, etInteger, "3"},
      {"Min(2.5,1.5)", [] { return Make<TExp_Min>(Real(2.5), Real(1.5)); }, etReal, "1.5"},
      {"Max(1,2.5)", [] { return Make<TExp_Max>(Int(1), Real(2.5)); }, etReal, "2.5"},
      {"Min('b','a')", [] { return Make<TExp_Min>(Str("b"), Str("a")); }, etString, "a"},
      {"Min('B','a')", [] { return Make<TExp_Min>(Str("B"), Str("a")); }, etString, "B"},
      {"Max('B','a')", [] { return Make<TExp_Max>(Str("B"), Str("a")); }, etString, "a"},
      {"Min('ab','a')", [] { return Make<TExp_Min>(Str("ab"), Str("a")); }, etString, "a"},
      {"Max high byte", [] { return Make<TExp_Max>(Str("z"), Str("\xB0\xA1")); }, etString,
       "\xB0\xA1"},
      {"Min('x','b')", [] { return Make<TExp_Min>(Chr('x'), Chr('b')); }, etChar, "b"},
      {"Max('x',5)", [] { return Make<TExp_Max>(Chr('x'), Int(5)); }, etChar, "x"},
      {"Min('10','9')", [] { return Make<TExp_Min>(Str("10"), Str("9")); }, etString, "10"},
      {"Min(10,'9')", [] { return Make<TExp_Min>(Int(10), Str("9")); }, etInteger, "9"},
      {"Max dates", [] { return Make<TExp_Max>(Date(45000.25), Date(45000.5)); }, etDateTime,
       "2023.03.15 12:00:00"},
  };
  ExpectValues(rows);
}

// Values that compare equal but can be told apart show which argument a tie yields.
TEST(ArithmeticMinMax, TiesYieldTheSecondArgument) {
  auto min = Make<TExp_Min>(Real(0.0L), Real(-0.0L));
  EXPECT_TRUE(std::signbit(Evaluated(*min).GetReal()));
  auto max = Make<TExp_Max>(Real(0.0L), Real(-0.0L));
  EXPECT_TRUE(std::signbit(Evaluated(*max).GetReal()));
  auto minSwapped = Make<TExp_Min>(Real(-0.0L), Real(0.0L));
  EXPECT_FALSE(std::signbit(Evaluated(*minSwapped).GetReal()));
  auto maxSwapped = Make<TExp_Max>(Real(-0.0L), Real(0.0L));
  EXPECT_FALSE(std::signbit(Evaluated(*maxSwapped).GetReal()));
}

TEST(ArithmeticStructure, FunctionsAreNeverConstantOperatorsAre) {
  EXPECT_FALSE(Make<TExp_Abs>(Int(1))->IsConst());
  EXPECT_FALSE(Make<TExp_Min>(Int(1), Int(2))->IsConst());
  EXPECT_TRUE(Make<TExp_Add>(Int(1), Int(2))->IsConst());
  EXPECT_TRUE(Make<TExp_Power>(Int(1), Make<TExp_Sub>(Int(3), Int(2)))->IsConst());
  EXPECT_FALSE(Make<TExp_Add>(Int(1), Make<TExp_Abs>(Int(2)))->IsConst());
}

TEST(ArithmeticStructure, SubExpCountCountsAGap) {
  TExp_Mod mod;
  mod.PutSubExp(1, Int(3).release());
  EXPECT_EQ(mod.GetSubExpCount(), 2);
  TExp_RealDiv division;
  EXPECT_EQ(division.GetSubExpCount(), 0);
  division.PutSubExp(2, Int(3).release());
  EXPECT_EQ(division.GetSubExpCount(), 3);
}

TEST(ArithmeticStructure, CopyEvaluatesLikeTheSource) {
  auto tree = Make<TExp_Add>(Make<TExp_Mul>(Int(6), Int(7)), Make<TExp_RealDiv>(Int(1), Int(0), Int(8)));
  std::unique_ptr<TExpression> copy(tree->CopySelf());
  tree.reset();
  EXPECT_EQ(Evaluated(*copy).GetString(), "50");
}

TEST(ArithmeticRegistration, Tables) {
  int operators = 0;
  for (const TClassInfo* cls : ArithmeticClasses()) {
    ASSERT_NE(cls->Create, nullptr);
    std::unique_ptr<TObject> made(cls->Create());
    EXPECT_EQ(made->ClassName(), cls->Name);
    EXPECT_TRUE(made->InheritsFrom(TExpression::StaticClass()));
    if (!made->InheritsFrom(TFunction::StaticClass())) ++operators;
  }
  EXPECT_EQ(operators, 6);  // + - * / ^ and their shared base
}
