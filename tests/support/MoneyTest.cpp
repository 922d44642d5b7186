// The amount formatter: every directive, the numeral styles, unit compression, single
// positions, the text amount form, templates and hostile format texts.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "runtime/Exception.h"
#include "runtime/Gbk.h"
#include "support/Money.h"

using namespace qnexp;

namespace {

struct TRealCase {
  long double Amount;
  const char* Format;
  const char* Expected;  // UTF-8
};

class RealAmounts : public ::testing::TestWithParam<TRealCase> {};

TEST_P(RealAmounts, Formats) {
  const TRealCase& c = GetParam();
  EXPECT_EQ(FormatMoney(c.Amount, Utf8ToGbk(c.Format)), Utf8ToGbk(c.Expected)) << c.Format;
}

INSTANTIATE_TEST_SUITE_P(
    Compressed, RealAmounts,
    ::testing::Values(TRealCase{1234.56L, "@3&&~", "壹仟贰佰叁拾肆圆伍角陆分"},
                      TRealCase{1005, "@3&&~", "壹仟零伍圆整"},
                      TRealCase{100000, "@3&&~", "壹拾万圆整"},
                      TRealCase{0.5L, "@3&&", "伍角"},
                      TRealCase{10.5L, "@3&&~", "壹拾圆伍角整"},
                      TRealCase{100010, "@3&&~", "壹拾万零壹拾圆整"},
                      TRealCase{1200000000, "@3&&~", "壹拾贰亿圆整"},
                      TRealCase{0.05L, "@3&&", "零伍分"},
                      TRealCase{100.1L, "@3&&~", "壹佰圆壹角整"},
                      TRealCase{0, "@3&&~", "整"},
                      TRealCase{100200300, "@3&&~", "壹亿零贰拾万零叁佰圆整"},
                      TRealCase{10000000000000000.0L, "@3&&", "壹兆圆"},
                      TRealCase{1234.5L, "@2&&.", "一千二百三十四点五○"},
                      TRealCase{1000.05L, "@3&&.", "壹仟点零伍"}));

INSTANTIATE_TEST_SUITE_P(
    Plain, RealAmounts,
    ::testing::Values(TRealCase{1005, "@3&", "壹仟零佰零拾伍圆零角零分"},
                      TRealCase{1234.5L, "#,", "1,234.50"},
                      TRealCase{1234567.5L, "#,4'_'", "123_4567.50"},
                      TRealCase{1234.5L, "$#", "￥1234.50"},
                      TRealCase{1234.5L, "$'US$'#", "US$1234.50"},
                      TRealCase{1234.5L, "@1#", "１２３４。５０"},
                      TRealCase{1234.5L, "@2&.", "一千二百三十四点五○"},
                      TRealCase{1234.5L, "@7#", "1234.50"},
                      TRealCase{1234.56L, "^2@3&", "贰佰"},
                      TRealCase{1234.56L, "^-2@3&", "陆分"},
                      TRealCase{1234.56L, "^9@3&", ""},
                      TRealCase{12.5L, "#.0", "13."},
                      TRealCase{-12.5L, "#.0", "-13."},
                      TRealCase{0.125L, "#", "0.13"},
                      TRealCase{7, "Total: #.2 yuan", "Total: 7.00 yuan"},
                      TRealCase{7, "#6.1", "0007.0"},
                      TRealCase{7, "#'*'6.1", "***7.0"},
                      TRealCase{7, "'#'#.0' ok'", "'#'7.' ok'"},
                      TRealCase{12, "&'|'.#.0", "1|2."},
                      TRealCase{12, "&''#.0", "12"},
                      TRealCase{3.5L, "@3&.'元'", "叁元伍零"},
                      TRealCase{5, "#~", "5.00整"},
                      TRealCase{5.5L, "#.1~'/'", "5.5"},
                      TRealCase{5, "#.0~'/'", "5./"},
                      TRealCase{1234, "@1#,", "１，２３４。００"}));

// The sign is no digit: it takes no position, unit or group and goes in front.
INSTANTIATE_TEST_SUITE_P(
    Negative, RealAmounts,
    ::testing::Values(TRealCase{-50.2L, "@3&&~", "负伍拾圆贰角整"},
                      TRealCase{-50.2L, "@3&~", "负伍拾零圆贰角零分整"},
                      TRealCase{-50.2L, "@2&&", "负五十元二角"},
                      TRealCase{-1234.56L, "^2@3&", "负贰佰"},
                      TRealCase{-50.2L, "^2@3&", "负"},
                      TRealCase{-123456, "#,", "-123,456.00"},
                      TRealCase{-5, "#6", "-05.00"},
                      TRealCase{-7, "$#.0", "-￥7."},
                      TRealCase{-7, "@1#.0", "－７。"}));

TEST(Money, TextAmountsAreCutNotRounded) {
  struct {
    const char* amount;
    const char* format;
    const char* expected;
  } cases[] = {
      {"12.5", "#.0", "12."}, {"12.56", "#.1", "12.5"}, {"12", "#.2", "12.00"},
      {"12", "#.0", "12."},   {"12.", "#.2", "12.00"},  {"12.5", "#.3", "12.500"},
      {"12.50", "#", "12.50"}, {"", "#.0", "0."},       {"abc", "#", "abc.00"},
      {"-50.2", "@3&&~", "负伍拾圆贰角整"}, {"+5", "@3&&", "正伍圆"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FormatMoney(std::string(c.amount), Utf8ToGbk(c.format)), Utf8ToGbk(c.expected))
        << c.amount;
}

TEST(Money, HeldTextAndParameters) {
  TRenMinBi formatter("#'x'8.3", 2.5L);
  EXPECT_EQ(formatter.GetMoneyText(), "   2.500");
  EXPECT_EQ(formatter.GetMoney(), 2.5L);
  EXPECT_EQ(formatter.FillText, "x");
  EXPECT_EQ(formatter.GetFmtStr(), "%s");
  formatter.SetMoneyStr("not a number");
  EXPECT_EQ(formatter.GetMoney(), 0);
  formatter.InitFormatParam();
  EXPECT_EQ(formatter.Decimals, 2);
  EXPECT_EQ(formatter.Width, 1);
  EXPECT_TRUE(formatter.PointShown);
  EXPECT_EQ(formatter.GetFmtStr(), "");
  formatter.SetFmtStr("a#b&&c");
  EXPECT_EQ(formatter.GetFmtStr(), "a%sbc");
  EXPECT_TRUE(formatter.CompressedUnits);
  EXPECT_FALSE(formatter.PointShown);
}

TEST(Money, NonFiniteAndHugeAmounts) {
  // Held as text without a point, so the shown point follows them.
  EXPECT_EQ(FormatMoney(std::numeric_limits<long double>::infinity(), "#"), "INF.");
  EXPECT_EQ(FormatMoney(-std::numeric_limits<long double>::infinity(), "#"), "-INF.");
  EXPECT_EQ(FormatMoney(std::nanl(""), "#"), "NAN.");
  std::string big = FormatMoney(1e300L, "@3&&~");
  EXPECT_FALSE(big.empty());
  EXPECT_EQ(FormatMoney(-0.001L, "#"), "0.00");
}

TEST(Money, WidthAndDecimalsAreBounded) {
  EXPECT_EQ(FormatMoney(1, "#100000.0").size(), static_cast<size_t>(kMaxMoneyWidth) + 1);
  EXPECT_EQ(FormatMoney(1, "#.99999").size(), static_cast<size_t>(kMaxMoneyDecimals) + 2);
  EXPECT_EQ(FormatMoney(1, "#.-5"), "1.");
}

TEST(Money, StrayPercentRaisesFormatError) {
  try {
    FormatMoney(7, "#%");
    ADD_FAILURE() << "no error";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message, "Format '%s%' invalid or incompatible with argument");
  }
  // A "%" right before the amount must not swallow it.
  for (const char* format : {"100%", "%#", "#%d", "a%%%#"})
    EXPECT_THROW(FormatMoney(7, format), EConvertError) << format;
  EXPECT_EQ(FormatMoney(7, "#.0%%"), "7.%");
}

// Whatever the format or amount text, the formatter finishes without touching memory it does
// not own (the sanitizer build checks) and raises nothing but its format error.
TEST(Money, ArbitraryInputNeverCrashes) {
  const std::string alphabet = "#$&,@^~.'\"-+0123456789%ab \xB0\xA1\x7E";
  std::mt19937 random(12345);
  for (int round = 0; round < 3000; ++round) {
    std::string format, amount;
    int length = static_cast<int>(random() % 16);
    for (int i = 0; i < length; ++i) format += alphabet[random() % alphabet.size()];
    length = static_cast<int>(random() % 12);
    for (int i = 0; i < length; ++i) amount += alphabet[random() % alphabet.size()];
    try {
      FormatMoney(amount, format);
      FormatMoney(static_cast<long double>(static_cast<int>(random())) / 7, format);
    } catch (const EConvertError&) {
    }
  }
}

}  // namespace
