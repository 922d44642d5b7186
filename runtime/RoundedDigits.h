// Rounding a real to a number of significant decimal digits without printing it: the fast
// path of the general number format. Exact: it gives up, for the caller to print, whenever the
// rounding cannot be decided from an extended-precision product.
#pragma once

#include <cstdint>

namespace qnexp {

// For finite magnitude > 0 and 1 <= digits <= 15: the value rounded to digits significant
// digits as significand * 10^(exponent - digits + 1), with 10^(digits-1) <= significand <
// 10^digits, exactly as a correctly rounded printf would round it (round to nearest, ties to
// even). False, with the outputs undefined, when magnitude lies outside about 1E-13 .. 1E41,
// or lies close to a halfway point and is 1E15 or more.
bool TryRoundedDigits(long double magnitude, int digits, uint64_t& significand, int& exponent);

}  // namespace qnexp
