// Tests of variant conversions, their errors, type names and arrays.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <utility>

#include "runtime/DateTime.h"
#include "runtime/Exception.h"
#include "runtime/Variant.h"

namespace qnexp {
namespace {

template <class E, class F>
std::string MessageOf(F action) {
  try {
    action();
  } catch (const E& e) {
    return e.Message;
  }
  return "(no error)";
}

const double NaN = std::numeric_limits<double>::quiet_NaN();

struct TIntegerCase {
  TVariant Value;
  int32_t Integer;
};

class VariantAsInteger : public testing::TestWithParam<TIntegerCase> {};

TEST_P(VariantAsInteger, Converts) { EXPECT_EQ(GetParam().Value.AsInteger(), GetParam().Integer); }

INSTANTIATE_TEST_SUITE_P(Kinds, VariantAsInteger, testing::Values(
    TIntegerCase{TVariant(2.5), 2},
    TIntegerCase{TVariant(3.5), 4},
    TIntegerCase{TVariant(-2.5), -2},
    TIntegerCase{TVariant(-3.5), -4},
    TIntegerCase{TVariant(2.4999), 2},
    TIntegerCase{TVariant(-0.6), -1},
    TIntegerCase{TVariant::FromSingle(1.5f), 2},
    TIntegerCase{TVariant::FromDate(1.5), 2},
    TIntegerCase{TVariant::FromCurrency(25000), 2},
    TIntegerCase{TVariant::FromCurrency(35000), 4},
    TIntegerCase{TVariant::FromCurrency(-25001), -3},
    TIntegerCase{TVariant::FromCurrency(-25000), -2},
    TIntegerCase{TVariant(true), -1},
    TIntegerCase{TVariant(false), 0},
    TIntegerCase{TVariant(), 0},
    TIntegerCase{TVariant::FromSmallint(-3), -3},
    TIntegerCase{TVariant::FromByte(200), 200},
    TIntegerCase{TVariant(int64_t{5000000000}), 705032704},
    TIntegerCase{TVariant("12"), 12},
    TIntegerCase{TVariant(" -7"), -7},
    TIntegerCase{TVariant("+7"), 7},
    TIntegerCase{TVariant("$FF"), 255},
    TIntegerCase{TVariant("0x10"), 16},
    TIntegerCase{TVariant("-$10"), -16},
    TIntegerCase{TVariant("$FFFFFFFF"), -1},
    TIntegerCase{TVariant("2147483647"), 2147483647},
    TIntegerCase{TVariant("-2147483648"), INT32_MIN},
    TIntegerCase{TVariant::FromOleStr("5"), 5}));

struct TErrorCase {
  std::function<void()> Action;
  const char* Message;
};

class VariantCastErrors : public testing::TestWithParam<TErrorCase> {};

TEST_P(VariantCastErrors, RaiseVariantError) {
  EXPECT_EQ(MessageOf<EVariantError>(GetParam().Action), GetParam().Message);
}

INSTANTIATE_TEST_SUITE_P(Conversions, VariantCastErrors, testing::Values(
    TErrorCase{[] { TVariant::Null().AsInteger(); },
               "Could not convert variant of type (Null) into type (Integer)"},
    TErrorCase{[] { TVariant::Null().AsInt64(); },
               "Could not convert variant of type (Null) into type (Int64)"},
    TErrorCase{[] { TVariant::Null().AsReal(); },
               "Could not convert variant of type (Null) into type (Double)"},
    TErrorCase{[] { TVariant::Null().AsBoolean(); },
               "Could not convert variant of type (Null) into type (Boolean)"},
    TErrorCase{[] { TVariant::Null().AsString(); },
               "Could not convert variant of type (Null) into type (String)"},
    TErrorCase{[] { TVariant::Null().AsCurrencyScaled(); },
               "Could not convert variant of type (Null) into type (Currency)"},
    TErrorCase{[] { TVariant(1e10).AsInteger(); },
               "Could not convert variant of type (Double) into type (Integer)"},
    TErrorCase{[] { TVariant(NaN).AsInteger(); },
               "Could not convert variant of type (Double) into type (Integer)"},
    TErrorCase{[] { TVariant(1e19).AsInt64(); },
               "Could not convert variant of type (Double) into type (Int64)"},
    TErrorCase{[] { TVariant::FromCurrency(INT64_MAX).AsInteger(); },
               "Could not convert variant of type (Currency) into type (Integer)"},
    TErrorCase{[] { TVariant(int64_t{INT64_MAX}).AsCurrencyScaled(); },
               "Could not convert variant of type (Int64) into type (Currency)"},
    TErrorCase{[] { TVariant("yes").AsBoolean(); },
               "Could not convert variant of type (String) into type (Boolean)"},
    TErrorCase{[] { TVariant::FromOleStr("maybe").AsBoolean(); },
               "Could not convert variant of type (OleStr) into type (Boolean)"},
    TErrorCase{[] { TVariant::Array(0, 1).AsInteger(); },
               "Could not convert variant of type (Array Variant) into type (Integer)"},
    TErrorCase{[] { TVariant::Array(0, 1, varInteger).AsString(); },
               "Could not convert variant of type (Array Integer) into type (String)"}));

INSTANTIATE_TEST_SUITE_P(Arrays, VariantCastErrors, testing::Values(
    TErrorCase{[] { TVariant::Array(1, 3).Element(0); }, "Variant or safe array index out of bounds"},
    TErrorCase{[] { TVariant::Array(1, 3).Element(4); }, "Variant or safe array index out of bounds"},
    TErrorCase{[] {
                 const TVariant empty = TVariant::Array(0, -1);
                 empty.Element(0);
               },
               "Variant or safe array index out of bounds"},
    TErrorCase{[] { TVariant::ArrayOf({{0, 1}, {0, 2}}).Element(0); },
               "Variant or safe array index out of bounds"},
    TErrorCase{[] { TVariant(1).Element(0); }, "Variant is not an array"},
    TErrorCase{[] {
                 const TVariant text("a");
                 text.ArrayData();
               },
               "Variant is not an array"},
    TErrorCase{[] { TVariant::Array(0, -2); }, "Error creating variant or safe array"},
    TErrorCase{[] { TVariant::Array(0, INT32_MAX); }, "Error creating variant or safe array"},
    TErrorCase{[] { TVariant::Array(INT32_MIN, INT32_MAX); }, "Error creating variant or safe array"},
    TErrorCase{[] { TVariant::ArrayOf({{0, 9999}, {0, 9999}}); },
               "Error creating variant or safe array"},
    TErrorCase{[] { TVariant::ArrayOf({}); }, "Error creating variant or safe array"}));

TEST(VariantConversions, TextThatIsNotANumberRaisesConvertError) {
  const std::pair<TVariant, const char*> integerCases[] = {
      {TVariant("12.5"), "'12.5' is not a valid integer value"},
      {TVariant(""), "'' is not a valid integer value"},
      {TVariant("12 "), "'12 ' is not a valid integer value"},
      {TVariant("2147483648"), "'2147483648' is not a valid integer value"},
      {TVariant("$100000000"), "'$100000000' is not a valid integer value"},
      {TVariant("$"), "'$' is not a valid integer value"},
  };
  for (const auto& c : integerCases)
    EXPECT_EQ(MessageOf<EConvertError>([&] { c.first.AsInteger(); }), c.second);
  EXPECT_EQ(MessageOf<EConvertError>([] { TVariant("9223372036854775808").AsInt64(); }),
            "'9223372036854775808' is not a valid integer value");
  EXPECT_EQ(MessageOf<EConvertError>([] { TVariant("abc").AsReal(); }),
            "'abc' is not a valid floating point value");
}

TEST(VariantConversions, Int64AndCurrency) {
  EXPECT_EQ(TVariant(1e10).AsInt64(), 10000000000);
  EXPECT_EQ(TVariant("9223372036854775807").AsInt64(), INT64_MAX);
  EXPECT_EQ(TVariant("-9223372036854775808").AsInt64(), INT64_MIN);
  EXPECT_EQ(TVariant("$FFFFFFFFFFFFFFFF").AsInt64(), -1);
  EXPECT_EQ(TVariant(true).AsInt64(), -1);
  EXPECT_EQ(TVariant::FromCurrency(-15000).AsInt64(), -2);
  EXPECT_EQ(TVariant(1.23456).AsCurrencyScaled(), 12346);
  EXPECT_EQ(TVariant(3).AsCurrencyScaled(), 30000);
  EXPECT_EQ(TVariant(true).AsCurrencyScaled(), -10000);
  EXPECT_EQ(TVariant("2.5").AsCurrencyScaled(), 25000);
}

TEST(VariantConversions, Reals) {
  EXPECT_EQ(TVariant(3).AsReal(), 3);
  EXPECT_EQ(TVariant(true).AsDouble(), -1);
  EXPECT_EQ(TVariant::FromCurrency(12345).AsReal(), 1.2345L);
  EXPECT_EQ(TVariant(" 1.5").AsDouble(), 1.5);
  EXPECT_EQ(TVariant::FromDate(45000.25).AsDouble(), 45000.25);
  EXPECT_EQ(TVariant("1e400").AsReal(), 1e400L);
  EXPECT_EQ(MessageOf<EOverflow>([] { TVariant("1e400").AsDouble(); }), "Floating point overflow");
}

TEST(VariantConversions, Booleans) {
  const std::pair<TVariant, bool> cases[] = {
      {TVariant("true"), true},   {TVariant("FALSE"), false}, {TVariant("0"), false},
      {TVariant("2.5"), true},    {TVariant(0), false},       {TVariant(-1), true},
      {TVariant(0.0), false},     {TVariant(0.5), true},      {TVariant(), false},
      {TVariant::FromCurrency(1), true}, {TVariant(true), true},
  };
  for (const auto& [value, expected] : cases) EXPECT_EQ(value.AsBoolean(), expected) << value.AsString();
}

TEST(VariantConversions, Texts) {
  const std::pair<TVariant, const char*> cases[] = {
      {TVariant(42), "42"},
      {TVariant(int64_t{-5}), "-5"},
      {TVariant(1.5), "1.5"},
      {TVariant(1e20), "1E20"},
      {TVariant(true), "True"},
      {TVariant(false), "False"},
      {TVariant(), ""},
      {TVariant::FromCurrency(12345), "1.2345"},
      {TVariant::FromCurrency(-10000), "-1"},
      {TVariant::FromCurrency(15000), "1.5"},
      {TVariant::FromCurrency(INT64_MIN), "-922337203685477.5808"},
      {TVariant::FromSingle(0.5f), "0.5"},
      {TVariant::FromByte(255), "255"},
      {TVariant("abc"), "abc"},
  };
  for (const auto& [value, expected] : cases) EXPECT_EQ(value.AsString(), expected);
  double date = EncodeDate(2024, 3, 5) + EncodeTime(14, 7, 9, 0);
  EXPECT_EQ(TVariant::FromDate(date).AsString(), DateTimeToStr(date));
}

TEST(VariantTypeName, SpellsClassicNames) {
  const std::pair<uint16_t, const char*> cases[] = {
      {varEmpty, "Empty"},
      {varNull, "Null"},
      {varSmallint, "Smallint"},
      {varInteger, "Integer"},
      {varSingle, "Single"},
      {varDouble, "Double"},
      {varCurrency, "Currency"},
      {varDate, "Date"},
      {varOleStr, "OleStr"},
      {varBoolean, "Boolean"},
      {varVariant, "Variant"},
      {varByte, "Byte"},
      {varInt64, "Int64"},
      {varString, "String"},
      {varArray | varVariant, "Array Variant"},
      {varArray | varInteger, "Array Integer"},
      {varByRef | varInteger, "ByRef Integer"},
      {15, "$000F"},
      {0x123, "$0123"},
  };
  for (const auto& [type, name] : cases) EXPECT_EQ(TVariant::TypeName(type), name);
}

TEST(VariantArrays, TypedElementsStartAtZero) {
  TVariant a = TVariant::Array(1, 3, varInteger);
  EXPECT_EQ(a.VType(), varArray | varInteger);
  EXPECT_TRUE(a.IsArray());
  EXPECT_EQ(a.ArrayData().Elements.size(), 3u);
  EXPECT_EQ(a.Element(1).VType(), varInteger);
  EXPECT_EQ(a.Element(3).AsInteger(), 0);
  EXPECT_EQ(TVariant::Array(0, 0, varString).Element(0).VType(), varString);
  EXPECT_TRUE(TVariant::Array(0, 0).Element(0).IsEmpty());
  EXPECT_EQ(TVariant::Array(0, -1).ArrayData().Elements.size(), 0u);
  TVariant grid = TVariant::ArrayOf({{0, 1}, {1, 3}}, varDouble);
  EXPECT_EQ(grid.ArrayData().Elements.size(), 6u);
  EXPECT_EQ(grid.ArrayData().Bounds[1], std::make_pair(1, 3));
}

TEST(VariantArrays, CopiesShareUntilWritten) {
  TVariant a = TVariant::Array(0, 1);
  a.Element(0) = TVariant(5);
  TVariant b = a;
  EXPECT_EQ(&std::as_const(a).ArrayData(), &std::as_const(b).ArrayData());
  b.Element(0) = TVariant(7);
  EXPECT_EQ(a.Element(0).AsInteger(), 5);
  EXPECT_EQ(b.Element(0).AsInteger(), 7);
  EXPECT_NE(&std::as_const(a).ArrayData(), &std::as_const(b).ArrayData());
}

TEST(VariantEquality, ComparesTypeAndValue) {
  EXPECT_EQ(TVariant(1), TVariant(1));
  EXPECT_FALSE(TVariant(1) == TVariant(int64_t{1}));
  EXPECT_FALSE(TVariant(1) == TVariant(2));
  EXPECT_EQ(TVariant("a"), TVariant(std::string("a")));
  EXPECT_FALSE(TVariant("a") == TVariant::FromOleStr("a"));
  EXPECT_EQ(TVariant::Null(), TVariant::Null());
  EXPECT_FALSE(TVariant() == TVariant::Null());
  EXPECT_FALSE(TVariant(NaN) == TVariant(NaN));

  TVariant a = TVariant::Array(0, 1);
  TVariant b = TVariant::Array(0, 1);
  a.Element(1) = TVariant("x");
  b.Element(1) = TVariant("x");
  EXPECT_EQ(a, b);
  b.Element(0) = TVariant(0);
  EXPECT_FALSE(a == b);
  EXPECT_FALSE(TVariant::Array(0, 1) == TVariant::Array(1, 2));
}

}  // namespace
}  // namespace qnexp
