// Storing a double into an 80-bit extended slot with integer operations: on current processors
// an 80-bit store of the floating-point unit costs several times a 64-bit one, and every double
// converts exactly.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

namespace qnexp {

// The 80-bit layout: a 64-bit significand with an explicit integer bit, then 15 bits of
// exponent biased by 16383 and the sign. A double has 52 bits of fraction and 11 of exponent
// biased by 1023.
inline constexpr int kExtendedBias = 16383;
inline constexpr int kDoubleBias = 1023;

// Stores d into slot exactly, as slot = d would.
inline void StoreDoubleAsExtended(double d, long double& slot) {
  uint64_t bits = std::bit_cast<uint64_t>(d);
  uint64_t exponent = (bits >> 52) & 0x7FF;
  if (exponent == 0 || exponent == 0x7FF) {
    // Zero, subnormal, infinite, NaN: rare enough for the general conversion.
    slot = d;
    return;
  }
  uint64_t significand = (bits << 11) | (uint64_t{1} << 63);
  auto signExponent =
      static_cast<uint16_t>(((bits >> 63) << 15) | (exponent - kDoubleBias + kExtendedBias));
  auto* bytes = reinterpret_cast<unsigned char*>(&slot);
  std::memcpy(bytes, &significand, 8);
  std::memcpy(bytes + 8, &signExponent, 2);
}

}  // namespace qnexp
