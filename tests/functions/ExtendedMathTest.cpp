// The x87 math kernels against the C library's long double functions: 15 significant digits
// over wide ranges of arguments, special values included, and through the language.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "EngineTesting.h"
#include "functions/ArithmeticRules.h"
#include "functions/ExtendedMath.h"

namespace qnexp::testing {
namespace {

using TKernel = long double (*)(long double);

struct TMathCase {
  const char* Name;
  TKernel Ours;
  TKernel Library;
};

long double LibrarySin(long double x) { return std::sin(x); }
long double LibraryCos(long double x) { return std::cos(x); }
long double LibraryTan(long double x) { return std::tan(x); }
long double LibraryArcTan(long double x) { return std::atan(x); }
long double LibraryLn(long double x) { return std::log(x); }
long double LibraryExp(long double x) { return std::exp(x); }

const TMathCase kCases[] = {
    {"sin", ExtendedSin, LibrarySin},          {"cos", ExtendedCos, LibraryCos},
    {"tan", ExtendedTan, LibraryTan},          {"arctan", ExtendedArcTan, LibraryArcTan},
    {"ln", ExtendedLn, LibraryLn},             {"exp", ExtendedExp, LibraryExp},
};

// Same NaN-ness, same infinity, or a relative difference below 1E-15.
::testing::AssertionResult Agrees(const TMathCase& c, long double x) {
  long double ours = c.Ours(x);
  long double theirs = c.Library(x);
  bool same = (std::isnan(ours) && std::isnan(theirs)) || ours == theirs ||
              std::fabs(ours - theirs) <= 1e-15L * std::fabs(theirs);
  if (same) return ::testing::AssertionSuccess();
  char text[160];
  std::snprintf(text, sizeof text, "%s(%.21Lg): ours %.21Lg, library %.21Lg", c.Name, x, ours,
                theirs);
  return ::testing::AssertionFailure() << text;
}

constexpr long double kPi = 3.14159265358979323846264338327950288L;

TEST(ExtendedMath, SpecialValuesAgreeWithTheLibrary) {
  const long double inf = std::numeric_limits<long double>::infinity();
  const long double nan = std::numeric_limits<long double>::quiet_NaN();
  const long double denormal = std::numeric_limits<long double>::denorm_min();
  std::vector<long double> values = {
      0.0L, -0.0L, 1.0L, -1.0L, 0.5L, 2.0L, 1e-20L, -1e-300L, denormal, 1e-4930L,
      kPi, -kPi, kPi / 2, kPi / 4, 3 * kPi / 2, 2 * kPi, 100 * kPi, 1e6L * kPi, 710.0L,
      -710.0L, 11000.0L, -11000.0L, 11356.0L, 11357.0L, -11400.0L, 2.5e7L, 2.7e7L, 1e8L, 1e19L,
      1e300L, 1e4000L, std::nextafter(1.0L, 2.0L), std::nextafter(1.0L, 0.0L), 1 + 1e-10L,
      1 - 1e-10L, 1.29L, 0.71L, inf, -inf, nan};
  for (const TMathCase& c : kCases)
    for (long double x : values) EXPECT_TRUE(Agrees(c, x));
}

// Arguments spread over every magnitude each function takes, both signs.
TEST(ExtendedMath, WideRangesAgreeWithTheLibrary) {
  std::mt19937_64 random(7);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  struct TRange {
    const char* Name;
    double LowExponent, HighExponent;  // of ten
  };
  const TRange ranges[] = {{"sin", -30, 7.4}, {"cos", -30, 7.4}, {"tan", -30, 7.4},
                           {"arctan", -300, 300}, {"ln", -4900, 4900}, {"exp", -20, 4.05}};
  for (const TRange& range : ranges) {
    const TMathCase* c = nullptr;
    for (const TMathCase& candidate : kCases)
      if (std::string(candidate.Name) == range.Name) c = &candidate;
    ASSERT_NE(c, nullptr);
    for (int i = 0; i < 20000; ++i) {
      long double exponent =
          range.LowExponent + (range.HighExponent - range.LowExponent) * unit(random);
      long double x = std::pow(10.0L, exponent) * (1 + unit(random) * 1e-3L);
      if (std::string(range.Name) != "ln" && (random() & 1)) x = -x;
      EXPECT_TRUE(Agrees(*c, x));
    }
  }
}

// Sine and cosine sum their series: a wrong term would still give 15 digits near 0, so away
// from the zeros they must stay within a few units of the last place of the library's.
TEST(ExtendedMath, SineAndCosineSeriesKeepTheLastPlaces) {
  std::mt19937_64 random(13);
  std::uniform_real_distribution<double> spread(-1e4, 1e4);
  const long double unitInLastPlace = std::ldexp(1.0L, -63);
  for (int i = 0; i < 100000; ++i) {
    long double x = spread(random) * (1 + std::ldexp(static_cast<long double>(random() >> 40), -30));
    if (i % 4 == 0) x = std::ldexp(x, -20);  // small arguments, where the first terms rule
    long double pairs[2][2] = {{ExtendedSin(x), std::sin(x)}, {ExtendedCos(x), std::cos(x)}};
    for (auto& pair : pairs) {
      if (std::fabs(pair[1]) < 1e-3L) continue;  // near a zero the reduction's error shows
      EXPECT_LE(std::fabs(pair[0] - pair[1]), 3 * unitInLastPlace * std::fabs(pair[1]))
          << static_cast<double>(x);
    }
  }
}

// Powers with non-integral exponents go through the logarithm and the exponential.
TEST(ExtendedMath, PowersAgreeWithTheLibrary) {
  std::mt19937_64 random(11);
  std::uniform_real_distribution<double> base(1e-3, 1e3), exponent(-50, 50);
  for (int i = 0; i < 20000; ++i) {
    long double x = base(random), y = exponent(random);
    long double ours = RealPower(x, y), theirs = std::pow(x, y);
    EXPECT_LE(std::fabs(ours - theirs), 1e-15L * theirs) << x << " ^ " << y;
  }
}

TEST(ExtendedMath, LanguageFunctionsUseTheKernelsAndKeepTheirErrors) {
  struct TRow {
    const char* Text;
    const char* Outcome;
  };
  const TRow rows[] = {
      {"sin(0)", "etReal 0"},
      {"sin(Pi()/2)", "etReal 1"},
      {"cos(Pi())", "etReal -1"},
      {"ArcTan(1)*4", "etReal 3.14159265358979"},
      {"ln(1)", "etReal 0"},
      {"ln(0)", "raised Floating point division by zero"},
      {"ln(-1)", "raised Invalid floating point operation"},
      {"2^0.5", "etReal 1.4142135623731"},
  };
  for (const TRow& row : rows) EXPECT_EQ(EvalText(row.Text), row.Outcome) << row.Text;
}

}  // namespace
}  // namespace qnexp::testing
