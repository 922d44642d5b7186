// The mathematical functions Sin, Cos, ArcTan, Ln, Sqr, Sqrt, Frac, Int and Pi, and the
// rounding and random functions Round, Trunc, rRound and Random. Reals are long double.
//
// Where the classic runtime would trap, these functions check and raise instead of producing a
// NaN or an infinity: EInvalidOp "Invalid floating point operation" (Ln of a negative number,
// Sqrt of a negative number, Trunc beyond the 64-bit range), EZeroDivide "Floating point
// division by zero" (Ln of 0), EOverflow "Floating point overflow" (Sqr too large). Every node
// raises CalcError "参数不够" when an argument it must read is missing (a tree that the
// translator did not build). Single-threaded, like every node.
#pragma once

#include <span>

#include "core/Function.h"

namespace qnexp {

// Sin(x): the sine of GetReal(x) radians.
class TExp_Sin : public TMathFunction {
  QN_CLASS(TExp_Sin, TMathFunction)
public:
  void Calculate() override;
};

// Cos(x): the cosine of GetReal(x) radians.
class TExp_Cos : public TMathFunction {
  QN_CLASS(TExp_Cos, TMathFunction)
public:
  void Calculate() override;
};

// ArcTan(x): the arc tangent of GetReal(x), in radians.
class TExp_ArcTan : public TMathFunction {
  QN_CLASS(TExp_ArcTan, TMathFunction)
public:
  void Calculate() override;
};

// Ln(x): the natural logarithm; raises EZeroDivide for 0 and EInvalidOp below 0.
class TExp_Ln : public TMathFunction {
  QN_CLASS(TExp_Ln, TMathFunction)
public:
  void Calculate() override;
};

// Sqr(x): x * x; raises EOverflow when the square is beyond the range of long double.
class TExp_Sqr : public TMathFunction {
  QN_CLASS(TExp_Sqr, TMathFunction)
public:
  void Calculate() override;
};

// Sqrt(x): the square root; raises EInvalidOp below 0.
class TExp_Sqrt : public TMathFunction {
  QN_CLASS(TExp_Sqrt, TMathFunction)
public:
  void Calculate() override;
};

// Frac(x): x minus its integer part, with the sign of x (Frac(-1.25) is -0.25).
class TExp_Frac : public TMathFunction {
  QN_CLASS(TExp_Frac, TMathFunction)
public:
  void Calculate() override;
};

// Int(x): the integer part of x toward zero, as a real.
class TExp_Int : public TMathFunction {
  QN_CLASS(TExp_Int, TMathFunction)
public:
  void Calculate() override;
};

// Pi(): 3.1415926535897932385, no argument.
class TExp_Pi : public TMathFunction {
  QN_CLASS(TExp_Pi, TMathFunction)
public:
  TExp_Pi() { FixedCount = 0; }
  void Calculate() override;
};

// Round(x): etInteger; GetReal(x) to the nearest integer, halves to even, computed in 64 bits
// and stored as its low 32 bits. A value beyond the 64-bit range gives 2147483647.
class TExp_Round : public TN1Function {
  QN_CLASS(TExp_Round, TN1Function)
public:
  void Calculate() override;
  // Always etInteger.
  bool TransOverOK() override;
};

// Trunc(x): etInteger; GetReal(x) toward zero in 64 bits, stored as its low 32 bits. A value
// beyond the 64-bit range raises EInvalidOp.
class TExp_Trunc : public TExp_Round {
  QN_CLASS(TExp_Trunc, TExp_Round)
public:
  void Calculate() override;
};

// rRound(x, digits): etReal; GetReal(x) rounded to GetInteger(digits) decimal places (tens,
// hundreds... for negative digits), halves to even. A value with no digit at that place (too
// large) is returned unchanged; rounding to a place beyond the range of long double gives 0.
class TExp_rRound : public TP2Function {
  QN_CLASS(TExp_rRound, TP2Function)
public:
  void Calculate() override;
  // Always etReal.
  bool TransOverOK() override;
};

// Random(n): etInteger; a pseudo-random r with 0 <= r < GetInteger(n) from the process-wide
// generator (support/Random.h). n <= 0 gives 0 and draws nothing.
class TExp_Random : public TN1Function {
  QN_CLASS(TExp_Random, TN1Function)
public:
  void Calculate() override;
};

// Every node class of this family, for the persistent-class registry (the library's
// initialisation unit registers the named ones as functions in the language's order).
std::span<const TClassInfo* const> MathClasses();

}  // namespace qnexp
