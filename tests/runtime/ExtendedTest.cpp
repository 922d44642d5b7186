// Doubles stored into 80-bit slots with integer operations: the bytes must be exactly those
// the floating-point unit writes.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "core/Expression.h"
#include "runtime/Extended.h"

using namespace qnexp;

namespace {

// The 10 significant bytes of an extended value.
bool SameBytes(const long double& a, const long double& b) { return std::memcmp(&a, &b, 10) == 0; }

}  // namespace

TEST(Extended, StoreWritesWhatTheFpuWrites) {
  const double special[] = {0.0, -0.0, 1.0, -1.0, 0.1, 1.5, 3.125, 1e300, -1e-300,
                            DBL_MAX, -DBL_MAX, DBL_MIN, DBL_TRUE_MIN, -DBL_TRUE_MIN,
                            std::numeric_limits<double>::infinity(),
                            -std::numeric_limits<double>::infinity(), 4.9e-310};
  for (double d : special) {
    long double expected = d;
    long double stored = 7;
    StoreDoubleAsExtended(d, stored);
    EXPECT_TRUE(SameBytes(stored, expected)) << d;
  }
  std::mt19937_64 random(20261207);
  for (int i = 0; i < 100000; ++i) {
    uint64_t bits = random();
    double d;
    std::memcpy(&d, &bits, 8);
    if (std::isnan(d)) continue;
    long double expected = d;
    long double stored = 0;
    StoreDoubleAsExtended(d, stored);
    ASSERT_TRUE(SameBytes(stored, expected)) << d;
  }
  long double nan = 0;
  StoreDoubleAsExtended(std::numeric_limits<double>::quiet_NaN(), nan);
  EXPECT_TRUE(std::isnan(nan));
}

// A double passed to PutReal takes the integer path into a real node and the usual conversion
// into nodes of other types.
TEST(Extended, PutRealOfDouble) {
  TExpression real;
  real.DataType = etReal;
  real.PutReal(0.1);
  EXPECT_EQ(real.GetReal(), static_cast<long double>(0.1));
  real.PutReal(1.0L / 3);
  EXPECT_EQ(real.GetReal(), 1.0L / 3);
  TExpression integer;
  integer.DataType = etInteger;
  integer.PutReal(2.75);
  EXPECT_EQ(integer.GetInteger(), 3);  // rounded, as for every real put into an integer
  TExpression text;
  text.DataType = etString;
  text.PutReal(2.5);
  EXPECT_EQ(text.GetString(), "2.5");
}
