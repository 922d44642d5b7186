// Tests of the number conversions, checked division, hex and binary digits, boolean words and
// version ordering.
#include "support/NumConv.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "runtime/Exception.h"
#include "runtime/Format.h"
#include "runtime/Gbk.h"
#include "support/BoolWords.h"

namespace qnexp {
namespace {

struct TIntCase {
  const char* Text;
  int32_t Value;
};

class StrToIntValid : public ::testing::TestWithParam<TIntCase> {};

TEST_P(StrToIntValid, Reads) { EXPECT_EQ(StrToInt(GetParam().Text), GetParam().Value); }

INSTANTIATE_TEST_SUITE_P(
    Texts, StrToIntValid,
    ::testing::Values(TIntCase{"", 0}, TIntCase{"0", 0}, TIntCase{"42", 42}, TIntCase{"+42", 42},
                      TIntCase{"-42", -42}, TIntCase{"007", 7}, TIntCase{"2147483647", INT32_MAX},
                      TIntCase{"-2147483648", INT32_MIN}, TIntCase{"$1F", 31}, TIntCase{"$ff", 255},
                      TIntCase{"-$10", -16}, TIntCase{"$FFFFFFFF", -1},
                      TIntCase{"$80000000", INT32_MIN}, TIntCase{"$000000001", 1},
                      TIntCase{"0x1F", 31}, TIntCase{"0X1f", 31}, TIntCase{"-0x10", -16},
                      TIntCase{"0xFFFFFFFF", -1}));

class StrToIntInvalid : public ::testing::TestWithParam<const char*> {};

TEST_P(StrToIntInvalid, RaisesWithTheOriginalText) {
  std::string text = GetParam();
  try {
    StrToInt(text);
    FAIL() << "no error for " << text;
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message, "'" + text + "' is not a valid integer value");
  }
}

INSTANTIATE_TEST_SUITE_P(Texts, StrToIntInvalid,
                         ::testing::Values("+", "-", "abc", " 1", "1 ", "1.5", "--5", "2147483648",
                                           "-2147483649", "99999999999", "$", "$G", "$100000000",
                                           "0x", "0x1G", "x1F", "1e3", "\xB0"));

TEST(StrToNum, TakesTheLongestLeadingNumber) {
  struct {
    const char* Text;
    long double Value;
  } cases[] = {{"", 0},   {"abc", 0},    {"  12abc", 12}, {"-3.5x", -3.5L}, {"+.5", 0.5L},
               {"5.", 5}, {"1e3", 1000}, {"1e", 1},       {"1e+", 1},       {"2E-2z", 0.02L},
               {".", 0},  {"-", 0},      {"1.5.2", 1.5L}, {" - 1", 0},      {"1e-99999", 0}};
  for (const auto& c : cases) EXPECT_EQ(StrToNum(c.Text), c.Value) << c.Text;
}

TEST(StrToNum, OverflowRaises) { EXPECT_THROW(StrToNum("1e99999"), EOverflow); }

// Short decimals are read by one exact division; every bit must be what the full conversion
// (StrToFloat) gives, the sign of zero included, on both sides of the shortcut's limits (19
// digits, 27 after the point).
TEST(StrToNum, ShortDecimalsRoundAsTheFullConversion) {
  std::mt19937 random(99);
  auto same = [](const std::string& text) {
    long double fast = StrToNum(text);
    long double full = StrToFloat(text);
    return std::memcmp(&fast, &full, 10) == 0;
  };
  for (const char* text : {"0.1", "-0.0", "0.0", "9999999999999999999", "18446744073709551615",
                           "1.8446744073709551615", "0.000000000000000000000000001",
                           "0.0000000000000000000000000001", "123456789.123456789", "+.3",
                           "2.5", "0000000000000000000000.5", "7."})
    EXPECT_TRUE(same(text)) << text;
  for (int i = 0; i < 20000; ++i) {
    std::string text = random() % 4 == 0 ? "-" : "";
    int digits = 1 + static_cast<int>(random() % 24);
    int point = static_cast<int>(random() % (digits + 1));
    for (int d = 0; d < digits; ++d) {
      if (d == point) text += '.';
      text += static_cast<char>('0' + random() % 10);
    }
    ASSERT_TRUE(same(text)) << text;
  }
}

TEST(NumToStr, FixedNotationRightAligned) {
  struct {
    long double Value;
    int Width;
    int Decimals;
    const char* Text;
  } cases[] = {{3.14159L, 0, 2, "3.14"}, {3.14159L, 8, 2, "    3.14"},
               {-2.5L, 6, 1, "  -2.5"},  {12345.678L, 3, 1, "12345.7"},
               {7, 5, 0, "    7"},       {7.6L, 0, -3, "8"},
               {1, -5, 2, "1.00"}};
  for (const auto& c : cases) EXPECT_EQ(NumToStr(c.Value, c.Width, c.Decimals), c.Text);
  EXPECT_EQ(NumToStr(1, 1 << 30, 0).size(), static_cast<size_t>(MaxNumToStrWidth));
}

TEST(rRound, RoundsTiesToEvenAtAnyPlace) {
  struct {
    long double Value;
    int Places;
    long double Result;
  } cases[] = {{2.5L, 0, 2},     {3.5L, 0, 4},       {-2.5L, 0, -2},     {-3.5L, 0, -4},
               {1.25L, 1, 1.2L}, {1.375L, 2, 1.38L}, {1250, -2, 1200},   {1350, -2, 1400},
               {1251, -2, 1300}, {0.4L, 0, 0},       {123.456L, 0, 123}, {1e300L, -5000, 0},
               {1, 6000, 1},     {1e25L, 2, 1e25L}};
  for (const auto& c : cases)
    EXPECT_EQ(rRound(c.Value, c.Places), c.Result)
        << static_cast<double>(c.Value) << " " << c.Places;
  EXPECT_TRUE(std::isnan(rRound(std::numeric_limits<long double>::quiet_NaN(), 2)));
  EXPECT_THROW(rRound(std::numeric_limits<long double>::max(), -4931), EOverflow);
}

TEST(iDiv, TruncatesTowardZero) {
  EXPECT_EQ(iDiv(7, -2), -3);
  EXPECT_EQ(iDiv(-7, 2), -3);
  EXPECT_EQ(iDiv(INT32_MIN, 1), INT32_MIN);
  EXPECT_EQ(iMod(7, -2), 1);
  EXPECT_EQ(iMod(-7, 2), -1);
  EXPECT_EQ(iMod(INT32_MIN, -1), 0);
}

TEST(iDiv, DivisionErrorsCarryTheirMessages) {
  try {
    iDiv(5, 0);
    FAIL();
  } catch (const EDivByZero& e) {
    EXPECT_EQ(e.Message, Res("被0除iDiv(5,0)"));
  }
  try {
    iMod(-12, 0);
    FAIL();
  } catch (const EDivByZero& e) {
    EXPECT_EQ(e.Message, Res("被0除iMod(-12,0)"));
  }
  try {
    iDiv(INT32_MIN, -1);
    FAIL();
  } catch (const EIntOverflow& e) {
    EXPECT_EQ(e.Message, "Integer overflow");
  }
}

TEST(fDiv, DividesOrRaisesBeforeDividing) {
  EXPECT_EQ(fDiv(1, 4), 0.25L);
  EXPECT_EQ(fDiv(-9, 0.5L), -18);
  EXPECT_EQ(fDiv(3, 1e-18L), 3 / 1e-18L);
  try {
    fDiv(1, 1e-20L);
    FAIL();
  } catch (const EZeroDivide& e) {
    EXPECT_EQ(e.Message, Res("被0除fDiv(1.00,0.00)"));
  }
  EXPECT_THROW(fDiv(1, 0), EZeroDivide);
  EXPECT_THROW(fDiv(1, -1e-19L), EZeroDivide);
  try {
    fDiv(-1e4932L, 0.5L);
    FAIL();
  } catch (const EOverflow& e) {
    std::string text = e.Message;
    std::string head = Res("浮点数上溢fDiv(-1");
    ASSERT_GT(text.size(), head.size() + 4932);
    EXPECT_EQ(text.substr(0, head.size()), head);
    EXPECT_EQ(text.substr(text.size() - 9), ".00,0.50)");
  }
  EXPECT_NO_THROW(fDiv(1e4930L, 2));
}

TEST(HexAndBinary, DigitsOfFixedWidth) {
  EXPECT_EQ(hexb(0x0A), "0A");
  EXPECT_EQ(hexW(0xBEEF), "BEEF");
  EXPECT_EQ(hexI(0x12345678), "5678");
  EXPECT_EQ(hexI(-1), "FFFF");
  EXPECT_EQ(hexL(0x1A2B), "00001A2B");
  EXPECT_EQ(hexL(static_cast<uint32_t>(-2)), "FFFFFFFE");
  EXPECT_EQ(HexStr(0), "0");
  EXPECT_EQ(HexStr(0x00F0), "F0");
  EXPECT_EQ(ByteToBinStr(5), "00000101");
  EXPECT_EQ(WordToBinStr(0x8001), "1000000000000001");
  EXPECT_EQ(IntToBinStr(0), "0");
  EXPECT_EQ(IntToBinStr(6), "110");
  EXPECT_EQ(IntToBinStr(0x80000000u), "1" + std::string(31, '0'));
}

TEST(HexAndBinary, ReadingSkipsOtherCharacters) {
  EXPECT_EQ(HexStrToInt(""), 0);
  EXPECT_EQ(HexStrToInt("1F"), 31);
  EXPECT_EQ(HexStrToInt("$1-f z"), 31);
  EXPECT_EQ(HexStrToInt("FFFFFFFF"), -1);
  EXPECT_EQ(HexStrToInt("123456789"), 0x23456789);
  EXPECT_EQ(BinStrToInt("101"), 5);
  EXPECT_EQ(BinStrToInt("1x1"), 5);
  EXPECT_EQ(BinStrToInt(""), 0);
  EXPECT_EQ(BinStrToInt("1" + std::string(31, '0')), INT32_MIN);
}

TEST(HexAndBinary, BytesToHexStr) {
  const unsigned char bytes[] = {0x00, 0xAB, 0x7F};
  EXPECT_EQ(BytesToHexStr(bytes, 3, "0x", ", "), "0x00, 0xAB, 0x7F");
  EXPECT_EQ(BytesToHexStr(bytes, 2, "", ""), "00AB");
  EXPECT_EQ(BytesToHexStr(bytes, 0, "0x", ","), "");
  EXPECT_EQ(BytesToHexStr(bytes, -1, "0x", ","), "");
  EXPECT_EQ(BytesToHexStr(nullptr, 4, "0x", ","), "");
}

class BoolWordsTest : public ::testing::Test {
protected:
  void TearDown() override {
    SetBoolStrs("No", "Yes");
    SetBoolChars('N', 'Y');
  }
};

TEST_F(BoolWordsTest, DefaultsAndStrToBool) {
  EXPECT_EQ(BoolStrs()[0], "No");
  EXPECT_EQ(BoolStrs()[1], "Yes");
  EXPECT_EQ(BoolChars()[0], 'N');
  EXPECT_EQ(BoolChars()[1], 'Y');
  struct {
    const char* Text;
    bool Default;
    bool Result;
  } cases[] = {{"YES", false, true}, {"y", false, true}, {"no", true, false},  {"N", true, false},
               {"", true, true},     {"", false, false}, {"Ye", false, false}, {"1", true, true}};
  for (const auto& c : cases) EXPECT_EQ(StrToBool(c.Text, c.Default), c.Result) << c.Text;
}

TEST_F(BoolWordsTest, SettersReplaceAndCut) {
  SetBoolStrs("Falsch1234567", Res("是的是的是的"));
  EXPECT_EQ(BoolStrs()[0], "Falsch1234");
  // Ten bytes hold five two-byte characters; the sixth is dropped whole.
  EXPECT_EQ(BoolStrs()[1], Res("是的是的是"));
  EXPECT_FALSE(StrToBool("falsch1234", true));
  EXPECT_TRUE(StrToBool(Res("是的是的是"), false));
  SetBoolStrs("ab", Res("一二三四五x"));
  EXPECT_EQ(BoolStrs()[1], Res("一二三四五"));
  SetBoolStrs("abcdefghi", "abcdefghi" + Res("是"));
  EXPECT_EQ(BoolStrs()[1], "abcdefghi");
  SetBoolChars('F', 'T');
  EXPECT_TRUE(StrToBool("t", false));
  EXPECT_FALSE(StrToBool("f", true));
  EXPECT_TRUE(StrToBool("Y", true));  // the old letter is now just a text
  EXPECT_FALSE(StrToBool("Y", false));
}

TEST(CompareVersion, FieldByField) {
  struct {
    const char* A;
    const char* B;
    int Result;
  } cases[] = {{"1.10", "1.9", 1}, {"1.2", "1.2.0", 0}, {"1.a", "1.b", -1},   {"", "", 0},
               {"2", "10", -1},    {"1.2.3", "1.2", 1}, {"1.2", "1.2.1", -1}, {"a", "b", -1},
               {"1.01", "1.1", 0}, {"1.b", "1.10", -1}, {"$10", "15", 1},     {"1..2", "1.0.2", 0}};
  for (const auto& c : cases) {
    EXPECT_EQ(CompareVersion(c.A, c.B), c.Result) << c.A << " vs " << c.B;
    EXPECT_EQ(CompareVersion(c.B, c.A), -c.Result) << c.B << " vs " << c.A;
  }
}

}  // namespace
}  // namespace qnexp
