// Moving values between double and the 80-bit extended format with integer operations. On
// current processors an 80-bit load or store of the floating-point unit costs several times
// a 64-bit one, and a load of bytes written by integer stores cannot take them from the store
// queue; values that are exactly doubles (every value a host passes as a double) need neither.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

namespace qnexp {

// The 80-bit layout: a 64-bit significand with an explicit integer bit, then 15 bits of
// exponent biased by 16383 and the sign.
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

// Reads slot as a double when that is exact (a normal double, or zero); false otherwise,
// and the caller reads the extended value itself.
inline bool LoadExtendedAsDouble(const long double& slot, double& d) {
  uint64_t significand;
  uint16_t signExponent;
  const auto* bytes = reinterpret_cast<const unsigned char*>(&slot);
  std::memcpy(&significand, bytes, 8);
  std::memcpy(&signExponent, bytes + 8, 2);
  uint64_t sign = signExponent >> 15;
  int exponent = (signExponent & 0x7FFF) - kExtendedBias + kDoubleBias;
  if ((significand & 0x7FF) != 0 || !(significand >> 63) || exponent <= 0 || exponent >= 0x7FF) {
    if (significand != 0 || (signExponent & 0x7FFF) != 0) return false;
    d = sign ? -0.0 : 0.0;
    return true;
  }
  uint64_t bits = (sign << 63) | (static_cast<uint64_t>(exponent) << 52) |
                  ((significand >> 11) & ((uint64_t{1} << 52) - 1));
  d = std::bit_cast<double>(bits);
  return true;
}

// The extended value of slot, read through a double when that is exact.
inline long double LoadExtended(const long double& slot) {
  double d;
  if (LoadExtendedAsDouble(slot, d)) [[likely]]
    return d;
  return slot;
}

}  // namespace qnexp
