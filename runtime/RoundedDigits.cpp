// Rounding to significant digits by one multiplication with an exact power of ten; near a
// halfway point, by the product's exact rounding error.
#include "runtime/RoundedDigits.h"

#include <cmath>
#include <cstring>

namespace qnexp {

namespace {

// 10^n is exact in long double up to n = 27 (5^27 < 2^64).
constexpr int kExactPowers = 27;

struct TPowers {
  long double Real[kExactPowers + 1];
  uint64_t Whole[16];
};

constexpr TPowers MakePowers() {
  TPowers powers{};
  long double real = 1;
  uint64_t whole = 1;
  for (int i = 0; i <= kExactPowers; ++i, real *= 10) powers.Real[i] = real;
  for (int i = 0; i < 16; ++i, whole *= 10) powers.Whole[i] = whole;
  return powers;
}

constexpr TPowers kPowers = MakePowers();

// Adding and subtracting 1.5 * 2^63 rounds to the nearest integer, which the sum's significand
// then holds in its low bits: no conversion through the x87 control word, which is slow.
constexpr long double kRoundingShift = 0x1.8p63L;
constexpr uint64_t kShiftBits = 0xC000000000000000u;

// How far from a halfway point the scaled value must be: the product is within 2^-64 of it
// relatively, below 10^15 < 2^50, so within 2^-14 absolutely; this leaves a wide margin.
constexpr long double kUndecidable = 1.0L / 1024;

// The rounding error of the product p = a * b exactly (Dekker's product over Veltkamp halves of
// the 64-bit significands): a * b == p + error. No overflow or underflow at the magnitudes used.
long double ProductError(long double a, long double b, long double p) {
  auto split = [](long double x, long double& high, long double& low) {
    long double c = x * 4294967297.0L;  // 2^32 + 1
    high = c - (c - x);
    low = x - high;
  };
  long double ah, al, bh, bl;
  split(a, ah, al);
  split(b, bh, bl);
  return ((ah * bh - p) + ah * bl + al * bh) + al * bl;
}

// whole is scaled rounded to the nearest integer and fraction = scaled - whole, near +-0.5;
// the exact value is scaled + error. Moves whole to where the exact value rounds (ties to even,
// as printing rounds). The sign of a rounded sum is the sign of the exact sum, so the
// comparisons are exact; fraction -+ 0.5 is exact too.
void RoundExactly(long double fraction, long double error, uint64_t& whole) {
  if (fraction > 0) {
    long double beyond = (fraction - 0.5L) + error;
    if (beyond > 0 || (beyond == 0 && whole % 2 == 1)) ++whole;
  } else {
    long double beyond = (fraction + 0.5L) + error;
    if (beyond < 0 || (beyond == 0 && whole % 2 == 1)) --whole;
  }
}

}  // namespace

bool TryRoundedDigits(long double magnitude, int digits, uint64_t& significand, int& exponent) {
  if (digits < 1 || digits > 15 || !(magnitude > 0)) return false;
  // The binary exponent from the 80-bit layout: magnitude lies in [2^binary, 2^(binary+1)).
  uint16_t signExponent;
  std::memcpy(&signExponent, reinterpret_cast<const char*>(&magnitude) + 8, 2);
  int binary = (signExponent & 0x7FFF) - 16383;
  if (binary < -60 || binary > 150) return false;
  // floor(binary * log10(2)): floor(log10(magnitude)) or one less.
  int decimal = (binary * 78913) >> 18;
  const long double low = kPowers.Real[digits - 1];
  const long double high = kPowers.Real[digits];
  for (int attempt = 0; attempt < 3; ++attempt) {
    int shift = digits - 1 - decimal;
    if (shift > kExactPowers || shift < -kExactPowers) return false;
    long double scaled = shift >= 0 ? magnitude * kPowers.Real[shift]
                                    : magnitude / kPowers.Real[-shift];
    if (scaled >= high) {
      ++decimal;
      continue;
    }
    if (scaled < low) {
      --decimal;
      continue;
    }
    long double shifted = scaled + kRoundingShift;
    long double fraction = scaled - (shifted - kRoundingShift);
    uint64_t bits;
    std::memcpy(&bits, &shifted, sizeof bits);
    uint64_t whole = bits - kShiftBits;
    if (std::fabs(std::fabs(fraction) - 0.5L) < kUndecidable) {
      // Near a halfway point the product's own rounding decides: a product's error is known
      // exactly, a quotient's is not.
      if (shift < 0) return false;
      RoundExactly(fraction, ProductError(magnitude, kPowers.Real[shift], scaled), whole);
    }
    if (whole == kPowers.Whole[digits]) {
      // Rounding carried into a new digit.
      whole = kPowers.Whole[digits - 1];
      ++decimal;
    }
    significand = whole;
    exponent = decimal;
    return true;
  }
  return false;
}

}  // namespace qnexp
