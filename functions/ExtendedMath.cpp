// The x87 kernels of the extended math functions and their argument reductions.
#include "functions/ExtendedMath.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace qnexp {

#if defined(__x86_64__) && defined(__GNUC__)

namespace {

// pi/2 = kHalfPi1 + kHalfPi2 + kHalfPi3: the first two parts have 40 significant bits, so
// that their products with a quadrant number below 2^24 are exact.
constexpr long double kHalfPi1 = 0xc90fdaa221000000p-63L;
constexpr long double kHalfPi2 = 0xd18469898d000000p-104L;
constexpr long double kHalfPi3 = -0xeba3f91f1976b7eep-146L;
constexpr long double kTwoOverPi = 0xa2f9836e4e44152ap-64L;
// Arguments below this use the reduction above (the quadrant number stays below 2^24).
constexpr long double kReducibleLimit = 2.6e7L;

// ln 2 = kLn2High + kLn2Low, the first with 48 significant bits.
constexpr long double kLn2High = 0xb17217f7d1cf0000p-64L;
constexpr long double kLn2Low = 0xf35793c7673007e6p-113L;
constexpr long double kLn2 = 0xb17217f7d1cf79acp-64L;
constexpr long double kLog2E = 0xb8aa3b295c17f0bcp-63L;
constexpr long double kExpLimit = 11000.0L;

// Adding and subtracting 1.5 * 2^63 rounds to an integer (below 2^62 in magnitude), and the
// sum's significand then holds that integer in its low bits.
constexpr long double kRoundingShift = 0x1.8p63L;

struct TReduced {
  long double Remainder;  // |Remainder| <= pi/4 (a little more at the rounding edges)
  unsigned Quadrant;      // the multiple of pi/2 taken off, modulo 4
};

inline TReduced ReduceByHalfPi(long double x) {
  long double shifted = x * kTwoOverPi + kRoundingShift;
  uint64_t bits;
  std::memcpy(&bits, &shifted, sizeof bits);
  long double k = shifted - kRoundingShift;
  long double r = (x - k * kHalfPi1) - k * kHalfPi2;
  r -= k * kHalfPi3;
  return {r, static_cast<unsigned>(bits & 3)};
}

inline long double Fptan(long double r) {
  long double one, tangent;
  asm("fptan" : "=t"(one), "=u"(tangent) : "0"(r));
  return tangent;
}

// y * log2(x), and y * log2(1 + x) for |x| < 1 - sqrt(2)/2.
inline long double Fyl2x(long double x, long double y) {
  long double r;
  asm("fyl2x" : "=t"(r) : "0"(x), "u"(y) : "st(1)");
  return r;
}

inline long double Fyl2xp1(long double x, long double y) {
  long double r;
  asm("fyl2xp1" : "=t"(r) : "0"(x), "u"(y) : "st(1)");
  return r;
}

// atan(y / x) with the quadrant of (x, y).
inline long double Fpatan(long double y, long double x) {
  long double r;
  asm("fpatan" : "=t"(r) : "0"(x), "u"(y) : "st(1)");
  return r;
}

// 2^x - 1 for |x| <= 1.
inline long double F2xm1(long double x) {
  asm("f2xm1" : "+t"(x));
  return x;
}

// x * 2^n for an integral n.
inline long double Fscale(long double x, long double n) {
  long double r;
  asm("fscale" : "=t"(r) : "0"(x), "u"(n));
  return r;
}

}  // namespace

// n! in long double: exact up to 25!, whose odd part still fits the 64-bit significand.
constexpr long double Factorial(int n) {
  long double f = 1;
  for (int i = 2; i <= n; ++i) f *= i;
  return f;
}

// The sine and cosine of a reduced |r| <= pi/4 by their series, to r^21 and r^22: the first term
// left out is below a tenth of the last place. Over this range the series are within a unit of
// the last place of the C library's long double functions. The terms are summed in pairs
// (Estrin's scheme), not one after the other: the evaluation waits on about half as many
// dependent operations, which makes it a third faster than fsin and fcos.
inline long double SeriesSin(long double r) {
  if (r == 0) return r;  // keeps the sign of -0
  long double z = r * r, z2 = z * z, z4 = z2 * z2;
  long double q0 = -1 / Factorial(3) + z * (1 / Factorial(5));
  long double q1 = -1 / Factorial(7) + z * (1 / Factorial(9));
  long double q2 = -1 / Factorial(11) + z * (1 / Factorial(13));
  long double q3 = -1 / Factorial(15) + z * (1 / Factorial(17));
  long double q4 = -1 / Factorial(19) + z * (1 / Factorial(21));
  long double p = (q0 + z2 * q1) + z4 * ((q2 + z2 * q3) + z4 * q4);
  return r + (r * z) * p;
}

inline long double SeriesCos(long double r) {
  long double z = r * r, z2 = z * z, z4 = z2 * z2;
  long double q0 = 1 / Factorial(4) - z * (1 / Factorial(6));
  long double q1 = 1 / Factorial(8) - z * (1 / Factorial(10));
  long double q2 = 1 / Factorial(12) - z * (1 / Factorial(14));
  long double q3 = 1 / Factorial(16) - z * (1 / Factorial(18));
  long double q4 = 1 / Factorial(20) - z * (1 / Factorial(22));
  long double p = (q0 + z2 * q1) + z4 * ((q2 + z2 * q3) + z4 * q4);
  // 1 - z/2 + z^2 p, with the rounding error of 1 - z/2 added back.
  long double half = z * 0.5L;
  long double head = 1 - half;
  return head + (((1 - head) - half) + z2 * p);
}

// The sine of quadrant * pi/2 + r, for a reduced r.
static long double SineInQuadrant(long double r, unsigned quadrant) {
  switch (quadrant & 3) {
    case 0: return SeriesSin(r);
    case 1: return SeriesCos(r);
    case 2: return -SeriesSin(r);
    default: return -SeriesCos(r);
  }
}

long double ExtendedSin(long double x) {
  if (!(std::fabs(x) < kReducibleLimit)) return std::sin(x);
  TReduced reduced = ReduceByHalfPi(x);
  return SineInQuadrant(reduced.Remainder, reduced.Quadrant);
}

// cos x = sin(x + pi/2): one quadrant further.
long double ExtendedCos(long double x) {
  if (!(std::fabs(x) < kReducibleLimit)) return std::cos(x);
  TReduced reduced = ReduceByHalfPi(x);
  return SineInQuadrant(reduced.Remainder, reduced.Quadrant + 1);
}

long double ExtendedTan(long double x) {
  if (!(std::fabs(x) < kReducibleLimit)) return std::tan(x);
  TReduced reduced = ReduceByHalfPi(x);
  long double t = Fptan(reduced.Remainder);
  return reduced.Quadrant & 1 ? -1 / t : t;
}

long double ExtendedArcTan(long double x) { return Fpatan(x, 1.0L); }

long double ExtendedLn(long double x) {
  if (!(x > 0)) return std::log(x);
  // Near 1 the logarithm of 1 + (x - 1) keeps the digits that x - 1 (exact there) has.
  long double fraction = x - 1;
  if (std::fabs(fraction) < 0.29L) return Fyl2xp1(fraction, kLn2);
  return Fyl2x(x, kLn2);
}

long double ExtendedExp(long double x) {
  if (!(std::fabs(x) < kExpLimit)) return std::exp(x);
  // x = n ln 2 + r with |r| <= ln2 / 2, so e^x = 2^n * 2^(r log2 e).
  long double n = (x * kLog2E + kRoundingShift) - kRoundingShift;
  long double r = (x - n * kLn2High) - n * kLn2Low;
  return Fscale(F2xm1(r * kLog2E) + 1, n);
}

#else

long double ExtendedSin(long double x) { return std::sin(x); }
long double ExtendedCos(long double x) { return std::cos(x); }
long double ExtendedTan(long double x) { return std::tan(x); }
long double ExtendedArcTan(long double x) { return std::atan(x); }
long double ExtendedLn(long double x) { return std::log(x); }
long double ExtendedExp(long double x) { return std::exp(x); }

#endif

}  // namespace qnexp
