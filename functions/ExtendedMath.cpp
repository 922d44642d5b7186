// The x87 kernels of the extended math functions and their argument reductions.
#include "functions/ExtendedMath.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace qnexp {

#if defined(__x86_64__) && defined(__GNUC__)

using trig::kRoundingShift;
using trig::ReduceByHalfPi;
using trig::kReducibleLimit;
using trig::TReduced;

namespace {

// ln 2 = kLn2High + kLn2Low, the first with 48 significant bits.
constexpr long double kLn2High = 0xb17217f7d1cf0000p-64L;
constexpr long double kLn2Low = 0xf35793c7673007e6p-113L;
constexpr long double kLn2 = 0xb17217f7d1cf79acp-64L;
constexpr long double kLog2E = 0xb8aa3b295c17f0bcp-63L;
constexpr long double kExpLimit = 11000.0L;

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

long double ExtendedTan(long double x) { return std::tan(x); }
long double ExtendedArcTan(long double x) { return std::atan(x); }
long double ExtendedLn(long double x) { return std::log(x); }
long double ExtendedExp(long double x) { return std::exp(x); }

#endif

}  // namespace qnexp
