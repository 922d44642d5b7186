// Tests of Format's directives and errors, the float text helpers and the decimal number reader.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "runtime/Exception.h"
#include "runtime/Format.h"
#include "runtime/Gbk.h"

namespace qnexp {
namespace {

constexpr long double Inf = std::numeric_limits<long double>::infinity();
constexpr long double NaN = std::numeric_limits<long double>::quiet_NaN();

struct TFormatCase {
  const char* Format;
  std::vector<TFormatArg> Args;
  const char* Expected;  // UTF-8
};

class FormatDirectives : public testing::TestWithParam<TFormatCase> {};

TEST_P(FormatDirectives, PrintsExpectedText) {
  const TFormatCase& c = GetParam();
  EXPECT_EQ(FormatArgs(c.Format, c.Args.data(), c.Args.size()), Utf8ToGbk(c.Expected))
      << "format " << c.Format;
}

INSTANTIATE_TEST_SUITE_P(Integers, FormatDirectives, testing::Values(
    TFormatCase{"%d", {42}, "42"},
    TFormatCase{"%d", {-42}, "-42"},
    TFormatCase{"%5d", {42}, "   42"},
    TFormatCase{"%-5d|", {42}, "42   |"},
    TFormatCase{"%.5d", {-42}, "-00042"},
    TFormatCase{"%8.5d", {-42}, "  -00042"},
    TFormatCase{"%.0d", {0}, "0"},
    TFormatCase{"%D", {7}, "7"},
    TFormatCase{"%d", {INT32_MIN}, "-2147483648"},
    TFormatCase{"%d", {INT64_MIN}, "-9223372036854775808"},
    TFormatCase{"%d", {uint8_t{200}}, "200"},
    TFormatCase{"%d", {int16_t{-5}}, "-5"},
    TFormatCase{"%d", {size_t{7}}, "7"},
    TFormatCase{"%d", {4000000000u}, "4000000000"},
    TFormatCase{"%u", {-1}, "4294967295"},
    TFormatCase{"%u", {int64_t{-1}}, "18446744073709551615"},
    TFormatCase{"%u", {UINT64_MAX}, "18446744073709551615"},
    TFormatCase{"%.3u", {5}, "005"},
    TFormatCase{"%x", {255}, "FF"},
    TFormatCase{"%.4x", {255}, "00FF"},
    TFormatCase{"%x", {-1}, "FFFFFFFF"},
    TFormatCase{"%x", {int64_t{-1}}, "FFFFFFFFFFFFFFFF"},
    TFormatCase{"%6x|%-6X|", {0xABC, 0xABC}, "   ABC|ABC   |"}));

INSTANTIATE_TEST_SUITE_P(StarsAndIndices, FormatDirectives, testing::Values(
    TFormatCase{"%*d", {6, 42}, "    42"},
    TFormatCase{"%-*d|", {4, 7}, "7   |"},
    TFormatCase{"%.*d", {3, 7}, "007"},
    TFormatCase{"%*.*f", {int64_t{7}, 1, 2.26}, "    2.3"},
    TFormatCase{"%*d", {-3, 7}, "7"},
    TFormatCase{"%.*f", {-1, 1.5}, "1.50"},
    TFormatCase{"%1:s %0:s", {"a", "b"}, "b a"},
    TFormatCase{"%1:s %s %0:s", {"a", "b", "c"}, "b c a"},
    TFormatCase{"%s %0:s", {"x"}, "x x"},
    TFormatCase{"%1:-4s|", {"a", "b"}, "b   |"},
    TFormatCase{"%1:5d", {0, 9}, "    9"}));

INSTANTIATE_TEST_SUITE_P(TextsAndPointers, FormatDirectives, testing::Values(
    TFormatCase{"%s", {"abc"}, "abc"},
    TFormatCase{"%5s", {"abc"}, "  abc"},
    TFormatCase{"%-5s|", {"abc"}, "abc  |"},
    TFormatCase{"%.2s", {"abc"}, "ab"},
    TFormatCase{"%.9s", {"abc"}, "abc"},
    TFormatCase{"[%s]", {""}, "[]"},
    TFormatCase{"%s", {'c'}, "c"},
    TFormatCase{"%3s", {'c'}, "  c"},
    TFormatCase{"%s", {std::string_view("view")}, "view"},
    TFormatCase{"%s", {static_cast<const char*>(nullptr)}, ""},
    TFormatCase{"%.3s", {Res("中文")}, "中"},
    TFormatCase{"%.4s", {Res("中文")}, "中文"},
    TFormatCase{"%p", {reinterpret_cast<const void*>(0x1234ABC)}, "0000000001234ABC"},
    TFormatCase{"%p", {nullptr}, "0000000000000000"},
    TFormatCase{"100%%", {}, "100%"},
    TFormatCase{"%%d", {}, "%d"},
    TFormatCase{"", {}, ""}));

INSTANTIATE_TEST_SUITE_P(FixedAndMoney, FormatDirectives, testing::Values(
    TFormatCase{"%f", {1.0}, "1.00"},
    TFormatCase{"%.3f", {3.14159}, "3.142"},
    TFormatCase{"%5.2f", {3.14159}, " 3.14"},
    TFormatCase{"%.0f", {2.75}, "3"},
    TFormatCase{"%f", {1234567.891}, "1234567.89"},
    TFormatCase{"%.2f", {-0.001}, "-0.00"},
    TFormatCase{"%.2f", {-0.0}, "0.00"},
    TFormatCase{"%.30f", {0.5}, "0.500000000000000000"},
    TFormatCase{"%f", {2.5f}, "2.50"},
    TFormatCase{"%n", {1234567.891}, "1,234,567.89"},
    TFormatCase{"%n", {-1234.5}, "-1,234.50"},
    TFormatCase{"%n", {123456.0}, "123,456.00"},
    TFormatCase{"%.0n", {999.0}, "999"},
    TFormatCase{"%.0n", {1000.0}, "1,000"},
    TFormatCase{"%n", {0.5}, "0.50"},
    TFormatCase{"%m", {1234.5}, "￥1,234.50"},
    TFormatCase{"%m", {-1234.5}, "￥-1,234.50"},
    TFormatCase{"%.0m", {5.0}, "￥5"},
    TFormatCase{"%9.1m|", {1.26L}, "    ￥1.3|"}));

INSTANTIATE_TEST_SUITE_P(Scientific, FormatDirectives, testing::Values(
    TFormatCase{"%e", {1000.0}, "1.00000000000000E+003"},
    TFormatCase{"%.3e", {-12345.678}, "-1.23E+004"},
    TFormatCase{"%.1e", {1000.0}, "1E+003"},
    TFormatCase{"%e", {0.0}, "0.00000000000000E+000"},
    TFormatCase{"%e", {-0.0}, "0.00000000000000E+000"},
    TFormatCase{"%.2e", {1e-300}, "1.0E-300"},
    TFormatCase{"%.3e", {1.5e4000L}, "1.50E+4000"},
    TFormatCase{"%E", {0.5}, "5.00000000000000E-001"}));

INSTANTIATE_TEST_SUITE_P(General, FormatDirectives, testing::Values(
    TFormatCase{"%g", {1e20}, "1E20"},
    TFormatCase{"%g", {1.5e-7}, "1.5E-7"},
    TFormatCase{"%g", {-2.5e-10}, "-2.5E-10"},
    TFormatCase{"%g", {0.1}, "0.1"},
    TFormatCase{"%g", {1.0 / 3}, "0.333333333333333"},
    TFormatCase{"%g", {100.0}, "100"},
    TFormatCase{"%g", {123.456}, "123.456"},
    TFormatCase{"%g", {-7.0}, "-7"},
    TFormatCase{"%g", {123456789012345.0}, "123456789012345"},
    TFormatCase{"%g", {1e15}, "1E15"},
    TFormatCase{"%g", {999999999999999.9}, "1E15"},
    TFormatCase{"%g", {0.00001}, "0.00001"},
    TFormatCase{"%g", {0.0000123}, "0.0000123"},
    TFormatCase{"%g", {0.0000099}, "9.9E-6"},
    TFormatCase{"%g", {0.0}, "0"},
    TFormatCase{"%g", {-0.0}, "0"},
    TFormatCase{"%.3g", {1234.0}, "1.23E3"},
    TFormatCase{"%.3g", {123.0}, "123"},
    TFormatCase{"%.3g", {0.00012345}, "0.000123"},
    TFormatCase{"%.0g", {1.0 / 3}, "0.333333333333333"},
    TFormatCase{"%.30g", {1.0L / 3}, "0.333333333333333333"},
    TFormatCase{"%8g|", {1.5}, "     1.5|"},
    TFormatCase{"%-8G|", {1.5}, "1.5     |"}));

INSTANTIATE_TEST_SUITE_P(NonFinite, FormatDirectives, testing::Values(
    TFormatCase{"%f", {Inf}, "INF"},
    TFormatCase{"%e", {-Inf}, "-INF"},
    TFormatCase{"%g", {NaN}, "NAN"},
    TFormatCase{"%m", {NaN}, "NAN"},
    TFormatCase{"%n", {Inf}, "INF"},
    TFormatCase{"%6.1f|", {-Inf}, "  -INF|"}));

struct TFormatErrorCase {
  const char* Format;
  std::vector<TFormatArg> Args;
  const char* Message;
};

class FormatErrors : public testing::TestWithParam<TFormatErrorCase> {};

TEST_P(FormatErrors, RaiseConvertErrorWithWholeFormat) {
  const TFormatErrorCase& c = GetParam();
  try {
    FormatArgs(c.Format, c.Args.data(), c.Args.size());
    FAIL() << "no error for " << c.Format;
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message, c.Message);
  }
}

INSTANTIATE_TEST_SUITE_P(Mismatches, FormatErrors, testing::Values(
    TFormatErrorCase{"%d", {1.5}, "Format '%d' invalid or incompatible with argument"},
    TFormatErrorCase{"x=%d y=%f", {1, 2}, "Format 'x=%d y=%f' invalid or incompatible with argument"},
    TFormatErrorCase{"%s", {1}, "Format '%s' invalid or incompatible with argument"},
    TFormatErrorCase{"%s", {1.0}, "Format '%s' invalid or incompatible with argument"},
    TFormatErrorCase{"%d", {true}, "Format '%d' invalid or incompatible with argument"},
    TFormatErrorCase{"%s", {false}, "Format '%s' invalid or incompatible with argument"},
    TFormatErrorCase{"%g", {true}, "Format '%g' invalid or incompatible with argument"},
    TFormatErrorCase{"%x", {'a'}, "Format '%x' invalid or incompatible with argument"},
    TFormatErrorCase{"%p", {1}, "Format '%p' invalid or incompatible with argument"},
    TFormatErrorCase{"%d", {nullptr}, "Format '%d' invalid or incompatible with argument"},
    TFormatErrorCase{"%*d", {1.5, 2}, "Format '%*d' invalid or incompatible with argument"}));

INSTANTIATE_TEST_SUITE_P(Malformed, FormatErrors, testing::Values(
    TFormatErrorCase{"%z", {1}, "Format '%z' invalid or incompatible with argument"},
    TFormatErrorCase{"abc %", {}, "Format 'abc %' invalid or incompatible with argument"},
    TFormatErrorCase{"%5", {1}, "Format '%5' invalid or incompatible with argument"},
    TFormatErrorCase{"%-", {1}, "Format '%-' invalid or incompatible with argument"},
    TFormatErrorCase{"%1:", {1}, "Format '%1:' invalid or incompatible with argument"},
    TFormatErrorCase{"%.", {1}, "Format '%.' invalid or incompatible with argument"},
    TFormatErrorCase{"%:d", {1}, "Format '%:d' invalid or incompatible with argument"},
    TFormatErrorCase{"%5-d", {1}, "Format '%5-d' invalid or incompatible with argument"},
    TFormatErrorCase{"%1000001d", {1}, "Format '%1000001d' invalid or incompatible with argument"},
    TFormatErrorCase{"%99999999999999999999999d", {1},
                     "Format '%99999999999999999999999d' invalid or incompatible with argument"},
    TFormatErrorCase{"%.*d", {2000000, 1}, "Format '%.*d' invalid or incompatible with argument"}));

INSTANTIATE_TEST_SUITE_P(MissingArguments, FormatErrors, testing::Values(
    TFormatErrorCase{"%d", {}, "No argument for format '%d'"},
    TFormatErrorCase{"%d %d", {1}, "No argument for format '%d %d'"},
    TFormatErrorCase{"%3:d", {1}, "No argument for format '%3:d'"},
    TFormatErrorCase{"%*d", {5}, "No argument for format '%*d'"},
    TFormatErrorCase{"%99999999999:d", {5}, "No argument for format '%99999999999:d'"}));

TEST(FormatArgKinds, EveryArgumentTypeSelectsOneKind) {
  using K = TFormatArg;
  std::string text = "t";
  int value = 0;
  const std::vector<std::pair<TFormatArg, K::TKind>> cases = {
      {TFormatArg(1), K::fkInteger},
      {TFormatArg(int16_t{1}), K::fkInteger},
      {TFormatArg(uint8_t{1}), K::fkInteger},
      {TFormatArg(1u), K::fkInt64},
      {TFormatArg(1L), K::fkInt64},
      {TFormatArg(1UL), K::fkInt64},
      {TFormatArg(size_t{1}), K::fkInt64},
      {TFormatArg(1LL), K::fkInt64},
      {TFormatArg(1ULL), K::fkInt64},
      {TFormatArg(int64_t{1}), K::fkInt64},
      {TFormatArg('c'), K::fkChar},
      {TFormatArg(true), K::fkBoolean},
      {TFormatArg(1.0f), K::fkReal},
      {TFormatArg(1.0), K::fkReal},
      {TFormatArg(1.0L), K::fkReal},
      {TFormatArg("x"), K::fkString},
      {TFormatArg(text), K::fkString},
      {TFormatArg(std::string_view(text)), K::fkString},
      {TFormatArg(&value), K::fkPointer},
      {TFormatArg(static_cast<void*>(&value)), K::fkPointer},
  };
  for (size_t i = 0; i < cases.size(); ++i) EXPECT_EQ(cases[i].first.Kind, cases[i].second) << i;
}

TEST(FloatText, GeneralAndFixedHelpers) {
  EXPECT_EQ(FloatToStr(1e20L), "1E20");
  EXPECT_EQ(FloatToStr(0.1L), "0.1");
  EXPECT_EQ(FloatToStr(-Inf), "-INF");
  EXPECT_EQ(FloatToStrF(1234.5678L, 2), "1234.57");
  EXPECT_EQ(FloatToStrF(1.0L, -3), "1");
  EXPECT_EQ(FloatToStrF(1.0L, 30), "1.000000000000000000");
  EXPECT_EQ(FloatToStrF(-0.0L, 1), "0.0");
}

TEST(FloatText, HugeFixedValueIsPrintedInFull) {
  std::string text = Format("%.1f", {1e300});
  ASSERT_EQ(text.size(), 303u);
  EXPECT_EQ(text.substr(0, 2), "10");
  EXPECT_EQ(text.substr(301), ".0");
}

struct TFloatCase {
  const char* Text;
  bool Valid;
  long double Value;
};

class FloatReader : public testing::TestWithParam<TFloatCase> {};

TEST_P(FloatReader, AcceptsOnlyPlainDecimalNumbers) {
  const TFloatCase& c = GetParam();
  long double value = 12345;
  ASSERT_EQ(TryStrToFloat(c.Text, value), c.Valid) << "text '" << c.Text << "'";
  EXPECT_EQ(value, c.Valid ? c.Value : 12345) << "text '" << c.Text << "'";
}

INSTANTIATE_TEST_SUITE_P(Texts, FloatReader, testing::Values(
    TFloatCase{"1.5", true, 1.5L},
    TFloatCase{"  1.5  ", true, 1.5L},
    TFloatCase{"\t7\t", true, 7},
    TFloatCase{"-2", true, -2},
    TFloatCase{"+.5", true, 0.5L},
    TFloatCase{"5.", true, 5},
    TFloatCase{"0.1", true, 0.1L},
    TFloatCase{"1e3", true, 1000},
    TFloatCase{"1E-2", true, 0.01L},
    TFloatCase{"-1.25e+2", true, -125},
    TFloatCase{"1e-5000", true, 0},
    TFloatCase{"1e4000", true, 1e4000L},
    TFloatCase{"", false, 0},
    TFloatCase{"   ", false, 0},
    TFloatCase{".", false, 0},
    TFloatCase{"-", false, 0},
    TFloatCase{"e5", false, 0},
    TFloatCase{"1e", false, 0},
    TFloatCase{"1e+", false, 0},
    TFloatCase{"1,000", false, 0},
    TFloatCase{"INF", false, 0},
    TFloatCase{"NAN", false, 0},
    TFloatCase{"0x10", false, 0},
    TFloatCase{"1 2", false, 0},
    TFloatCase{"- 5", false, 0},
    TFloatCase{"12abc", false, 0},
    TFloatCase{"1e5000", false, 0},
    TFloatCase{"-1e5000", false, 0}));

TEST(FloatReader, StrToFloatRaisesWithTheText) {
  EXPECT_EQ(StrToFloat(" 2.5"), 2.5L);
  try {
    StrToFloat("1.2.3");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message, "'1.2.3' is not a valid floating point value");
  }
}

TEST(FloatReader, TextEndingInsideTwoByteCharacterIsRejected) {
  long double value = 0;
  EXPECT_FALSE(TryStrToFloat(std::string_view("1\xB0", 2), value));
  EXPECT_FALSE(TryStrToFloat(std::string_view("1\0", 2), value));
}

}  // namespace
}  // namespace qnexp
