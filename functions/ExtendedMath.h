// Sine, cosine, tangent, arc tangent, natural logarithm and exponential of long doubles, several
// times faster than the C library's long double functions and within a unit or two of the last
// place. Sine and cosine sum their series over the reduced argument; the others use the x87
// instructions (fptan, fpatan, fyl2x, f2xm1):
// - the trigonometric functions reduce their argument by pi/2 themselves, with a three-part
//   constant, since the instructions' own reduction loses digits near multiples of pi; beyond
//   |x| = 2.6E7 (and for infinities and NaN) they give the C library's result;
// - the exponential splits off the power of two exactly before f2xm1; beyond |x| = 11000, where
//   the result is infinite or zero anyway, it gives the C library's result.
// Special values behave as in the C library: NaN in gives NaN, the logarithm of 0 is -inf and
// of a negative number NaN. Elsewhere than x86-64 they are the C library's functions.
#pragma once

#include "functions/ExtendedTrig.h"

namespace qnexp {

long double ExtendedTan(long double x);
long double ExtendedArcTan(long double x);
long double ExtendedLn(long double x);
long double ExtendedExp(long double x);

}  // namespace qnexp
