// The value rules of the arithmetic operators. The frequent ones are inline: the calling
// convention passes 80-bit arguments through memory, and a store and reload of an 80-bit value
// costs more than the arithmetic itself.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>

#include "runtime/Exception.h"

namespace qnexp {

// 32-bit arithmetic that wraps: done on the unsigned representation, where overflow is
// defined, and converted back (modular since C++20).
inline int32_t WrapAdd(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}
inline int32_t WrapSub(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}
inline int32_t WrapMul(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}
inline int32_t WrapNeg(int32_t a) { return static_cast<int32_t>(0u - static_cast<uint32_t>(a)); }

// The integer quotient truncated toward zero; a zero divisor and -2147483648 / -1 give 0.
inline int32_t IntQuotientOrZero(int32_t a, int32_t b) {
  bool fails = b == 0 || (a == INT32_MIN && b == -1);
  return fails ? 0 : a / b;
}

// Raises what the hardware would trap on (an infinity is an overflow, a NaN an invalid
// operation); a finite result passes through.
[[noreturn]] void RaiseNonFinite(long double r);
inline long double CheckedReal(long double r) {
  // r - r is 0 exactly for finite r: a test without a constant from memory.
  if (r - r == 0) [[likely]]
    return r;
  RaiseNonFinite(r);
}

// The real division shared by / and RealDiv: false (and quotient untouched) when |y| <= 1E-19,
// or when |y| < 1 and |y| * 1.1E4932 <= |x|; otherwise quotient = x / y and true. A NaN
// operand fails as well.
inline bool TryRealDivide(long double x, long double y, long double& quotient) {
  constexpr long double kTiny = 1E-19L;
  constexpr long double kHuge = 1.1E4932L;
  if (std::isnan(x) || std::isnan(y)) return false;
  long double divisor = std::fabs(y);
  if (divisor <= kTiny) return false;
  if (divisor < 1 && divisor * kHuge <= std::fabs(x)) return false;
  quotient = x / y;
  return true;
}

// x / y for a real node: the quotient, or 0 when the division fails.
inline long double RealQuotientOrZero(long double x, long double y) {
  long double quotient = 0;
  if (!TryRealDivide(x, y, quotient)) quotient = 0;
  return quotient;
}

// x ^ y by the rule of logarithms: e^(y * ln|x|) in extended precision, the magnitude clamped
// to 1.1E4932 when y * ln|x| reaches ln(1.1E4932) in absolute value (so results too small to
// represent clamp as well), negated when x < 0 and y is not an even integer. A zero base
// raises EZeroDivide (the logarithm of 0), a NaN operand or ln|x| = 0 with an infinite
// exponent EInvalidOp.
long double PowerByLogarithms(long double x, long double y);

// Integral exponents up to this magnitude are multiplied out by RealPower.
inline constexpr int64_t kLargestMultipliedExponent = int64_t{1} << 20;

// |x| ^ n for n >= 1 by repeated squaring.
inline long double MagnitudePower(long double x, uint64_t n) {
  long double base = std::fabs(x);
  long double result = 1;
  while (true) {
    if (n & 1) result *= base;
    n >>= 1;
    if (!n) return result;
    base *= base;
  }
}

// Whether a multiplied-out power of this magnitude lies far from the edges of the range, where
// the clamp of the rule of logarithms may apply. False for NaN.
inline bool FarFromClamp(long double magnitude) {
  return magnitude >= 1E-4900L && magnitude <= 1E4900L;
}

// x ^ n for x != 0 and |n| <= kLargestMultipliedExponent, multiplied out: false when the result
// is not FarFromClamp.
inline bool MultipliedPower(long double x, int64_t n, long double& result) {
  long double magnitude = 1;
  if (n != 0) {
    magnitude = MagnitudePower(x, static_cast<uint64_t>(n < 0 ? -n : n));
    if (n < 0) magnitude = 1 / magnitude;
  }
  // A NaN base fails here too and meets its error on the general path.
  if (!FarFromClamp(magnitude)) return false;
  result = x < 0 && (n & 1) ? -magnitude : magnitude;
  return true;
}

// x ^ y: the rule of logarithms, except that an integral exponent whose result lies well
// inside the range is multiplied out, where the clamp cannot apply and the product is exact
// wherever the result has few enough digits: 2 ^ 10 is exactly 1024, 10 ^ -2 exactly 0.01.
inline long double RealPower(long double x, long double y) {
  if (x != 0 && std::fabs(y) <= kLargestMultipliedExponent) {
    // Adding and subtracting 1.5 * 2^63 rounds y to an integer, which the sum's significand
    // holds in its low bits: y is integral when that gives it back (never for NaN, which fails
    // the test above). Cheaper than a conversion, which switches the x87 rounding mode.
    long double shifted = y + 0x1.8p63L;
    if (shifted - 0x1.8p63L == y) {
      uint64_t bits;
      std::memcpy(&bits, &shifted, sizeof bits);
      long double result;
      if (MultipliedPower(x, static_cast<int64_t>(bits - 0xC000000000000000u), result))
        return result;
    }
  }
  return PowerByLogarithms(x, y);
}

// RealPower(x, n) for an exponent known to be an integer (of an integer node), without the
// test of integrality.
inline long double IntegerPower(long double x, int32_t n) {
  long double result;
  // The square, the most common power, as MultipliedPower computes it, without its loop.
  if (n == 2 && x != 0) {
    result = x * x;
    if (FarFromClamp(result)) return result;
  }
  if (x != 0 && n >= -kLargestMultipliedExponent && n <= kLargestMultipliedExponent &&
      MultipliedPower(x, n, result))
    return result;
  return PowerByLogarithms(x, n);
}

}  // namespace qnexp
