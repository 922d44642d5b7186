// Sine and cosine of long doubles: the argument reduced by pi/2, then the series. Inline, so
// that the nodes of the language's functions compute them in registers: a call would pass the
// 80-bit argument and result through memory, which costs as much as a third of the work.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>

namespace qnexp {

#if defined(__x86_64__) && defined(__GNUC__)

namespace trig {

// pi/2 = kHalfPi1 + kHalfPi2 + kHalfPi3: the first two parts have 40 significant bits, so
// that their products with a quadrant number below 2^24 are exact.
constexpr long double kHalfPi1 = 0xc90fdaa221000000p-63L;
constexpr long double kHalfPi2 = 0xd18469898d000000p-104L;
constexpr long double kHalfPi3 = -0xeba3f91f1976b7eep-146L;
constexpr long double kTwoOverPi = 0xa2f9836e4e44152ap-64L;
// Arguments below this use the reduction above (the quadrant number stays below 2^24).
constexpr long double kReducibleLimit = 2.6e7L;

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
inline long double SineInQuadrant(long double r, unsigned quadrant) {
  switch (quadrant & 3) {
    case 0: return SeriesSin(r);
    case 1: return SeriesCos(r);
    case 2: return -SeriesSin(r);
    default: return -SeriesCos(r);
  }
}

}  // namespace trig

inline long double ExtendedSin(long double x) {
  if (!(std::fabs(x) < trig::kReducibleLimit)) return std::sin(x);
  trig::TReduced reduced = trig::ReduceByHalfPi(x);
  return trig::SineInQuadrant(reduced.Remainder, reduced.Quadrant);
}

// cos x = sin(x + pi/2): one quadrant further.
inline long double ExtendedCos(long double x) {
  if (!(std::fabs(x) < trig::kReducibleLimit)) return std::cos(x);
  trig::TReduced reduced = trig::ReduceByHalfPi(x);
  return trig::SineInQuadrant(reduced.Remainder, reduced.Quadrant + 1);
}

#else

inline long double ExtendedSin(long double x) { return std::sin(x); }
inline long double ExtendedCos(long double x) { return std::cos(x); }

#endif

}  // namespace qnexp
