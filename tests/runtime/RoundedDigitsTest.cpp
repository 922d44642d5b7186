// The fast rounding to significant digits against the C library's correctly rounded printing.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "runtime/Format.h"
#include "runtime/RoundedDigits.h"

namespace qnexp {
namespace {

// The digits and decimal exponent printf gives for magnitude at digits significant digits.
void PrintedDigits(long double magnitude, int digits, uint64_t& significand, int& exponent) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*Le", digits - 1, magnitude);
  std::string digitsOnly;
  char* e = text;
  for (; *e != 'e'; ++e)
    if (*e != '.') digitsOnly += *e;
  significand = std::strtoull(digitsOnly.c_str(), nullptr, 10);
  exponent = std::atoi(e + 1);
}

TEST(RoundedDigits, AgreesWithPrintfWheneverItDecides) {
  std::mt19937_64 random(3);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  int decided = 0, tried = 0;
  for (int i = 0; i < 200000; ++i) {
    long double magnitude = std::pow(10.0L, -16 + 60 * unit(random)) * (1 + unit(random));
    // Some values sit on or next to a halfway point of the last digit.
    if (i % 4 == 0) magnitude = std::round(magnitude * 1e3L) / 1e3L + 0.0005L;
    int digits = 1 + static_cast<int>(random() % 15);
    uint64_t significand = 0, expected = 0;
    int exponent = 0, expectedExponent = 0;
    ++tried;
    if (!TryRoundedDigits(magnitude, digits, significand, exponent)) continue;
    ++decided;
    PrintedDigits(magnitude, digits, expected, expectedExponent);
    ASSERT_EQ(significand, expected) << static_cast<double>(magnitude) << " " << digits;
    ASSERT_EQ(exponent, expectedExponent) << static_cast<double>(magnitude) << " " << digits;
  }
  // Outside its range and near halfway points it leaves the work to printing.
  EXPECT_GT(decided, tried / 2);
}

// Exact ties and values a hair beside them, where the product's rounding decides: sums of
// binary fractions whose last decimal digit falls just past the rounding place.
TEST(RoundedDigits, DecidesTiesAndNearTiesAsPrintfDoes) {
  uint64_t significand, expected;
  int exponent, expectedExponent;
  int decided = 0;
  for (int k = 1; k < 40000; k += 7) {
    for (long double magnitude : {1234.5678L + k * 1.0009765625L, k * 0.125L, k * 0.0009765625L,
                                  1e9L + k * 0.5L + 0.25L, std::nextafter(k * 0.125L, 0.0L),
                                  std::nextafter(k * 0.125L, 1e9L)}) {
      for (int digits : {1, 2, 3, 6, 9, 12, 14, 15}) {
        if (!TryRoundedDigits(magnitude, digits, significand, exponent)) continue;
        ++decided;
        PrintedDigits(magnitude, digits, expected, expectedExponent);
        ASSERT_EQ(significand, expected) << static_cast<double>(magnitude) << " " << digits;
        ASSERT_EQ(exponent, expectedExponent) << static_cast<double>(magnitude) << " " << digits;
      }
    }
  }
  EXPECT_GT(decided, 40000);
  EXPECT_TRUE(TryRoundedDigits(2.5L, 1, significand, exponent));
  EXPECT_EQ(significand, 2u);
  EXPECT_TRUE(TryRoundedDigits(0.125L, 2, significand, exponent));
  EXPECT_EQ(significand, 12u);
  EXPECT_TRUE(TryRoundedDigits(0.375L, 2, significand, exponent));
  EXPECT_EQ(significand, 38u);
}

TEST(RoundedDigits, RefusesWhatItCannotDecide) {
  uint64_t significand;
  int exponent;
  EXPECT_FALSE(TryRoundedDigits(2.5e15L, 1, significand, exponent));  // a tie above 1E15
  EXPECT_FALSE(TryRoundedDigits(1e-20L, 15, significand, exponent));  // out of range
  EXPECT_FALSE(TryRoundedDigits(1e50L, 15, significand, exponent));
  EXPECT_FALSE(TryRoundedDigits(0, 15, significand, exponent));
  EXPECT_TRUE(TryRoundedDigits(0.1L, 15, significand, exponent));
  EXPECT_EQ(significand, 100000000000000u);
  EXPECT_EQ(exponent, -1);
}

// The general format through both paths: the same texts as before the fast path.
TEST(RoundedDigits, GeneralFormatTexts) {
  struct TRow {
    long double Value;
    const char* Text;
  };
  const TRow rows[] = {
      {1.5L, "1.5"},           {0.1L, "0.1"},
      {1.0L / 3, "0.333333333333333"}, {2.0L / 3, "0.666666666666667"},
      {123456789012345.0L, "123456789012345"}, {1234567890123456.0L, "1.23456789012346E15"},
      {999999999999999.9L, "1E15"}, {0.00001L, "0.00001"},
      {0.000001L, "1E-6"},     {-2.5e-7L, "-2.5E-7"},
      {1e300L, "1E300"},       {-0.0L, "0"},
      {100.0L, "100"},         {0.5L, "0.5"},
  };
  for (const TRow& row : rows) EXPECT_EQ(FloatToStr(row.Value), row.Text);
  // Fewer digits, where rounding carries or leaves a single digit.
  EXPECT_EQ(Format("%.2g", {99.7L}), "1E2");
  EXPECT_EQ(Format("%.1g", {0.05L}), "0.05");
  EXPECT_EQ(Format("%.7g", {-123.4567891L}), "-123.4568");
  EXPECT_EQ(Format("%.9g", {987654321.4L}), "987654321");
}

}  // namespace
}  // namespace qnexp
