// The mathematical, rounding and random functions, ending with the family's registration
// tables.
#include "functions/Math.h"

#include <cmath>
#include <cstdint>

#include "functions/ExtendedMath.h"
#include "runtime/Exception.h"
#include "runtime/Gbk.h"
#include "support/NumConv.h"
#include "support/Random.h"

namespace qnexp {

namespace {

long double RealArg(TExpression& self) { return self.Arg(0).GetReal(); }

// The hardware would trap on these results; the system reports them instead of storing them.
long double Checked(long double r) {
  if (std::isnan(r)) throw EInvalidOp(Msg::InvalidOp);
  if (std::isinf(r)) throw EOverflow(Msg::Overflow);
  return r;
}

// The bounds of the 64-bit intermediate: -2^63 is inside, 2^63 is not.
constexpr long double kInt64Low = -9223372036854775808.0L;
constexpr long double kInt64High = 9223372036854775808.0L;

bool FitsInt64(long double x) { return x >= kInt64Low && x < kInt64High; }

// The low 32 bits of a whole value known to fit 64 bits.
int32_t Low32(long double whole) {
  return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(
      static_cast<int64_t>(whole))));
}

// x rounded to a whole number with ties to even, whatever rounding mode the FPU is in.
long double RoundHalfEven(long double x) {
  long double whole = std::floor(x);
  long double fraction = x - whole;
  if (fraction > 0.5L || (fraction == 0.5L && std::fmod(whole, 2.0L) != 0)) whole += 1;
  return whole;
}

}  // namespace

// Flattened evaluation programs compute these two as well, the same way.
void TExp_Sin::Calculate() { PutReal(Checked(ExtendedSin(RealArg(*this)))); }

void TExp_Cos::Calculate() { PutReal(Checked(ExtendedCos(RealArg(*this)))); }

void TExp_ArcTan::Calculate() { PutReal(Checked(ExtendedArcTan(RealArg(*this)))); }

void TExp_Ln::Calculate() {
  long double x = RealArg(*this);
  if (x == 0) throw EZeroDivide(Msg::ZeroDivide);
  if (!(x > 0)) throw EInvalidOp(Msg::InvalidOp);
  PutReal(Checked(ExtendedLn(x)));
}

void TExp_Sqr::Calculate() {
  long double x = RealArg(*this);
  PutReal(Checked(x * x));
}

void TExp_Sqrt::Calculate() {
  long double x = RealArg(*this);
  if (x < 0) throw EInvalidOp(Msg::InvalidOp);
  PutReal(Checked(std::sqrt(x)));
}

void TExp_Frac::Calculate() {
  long double x = RealArg(*this);
  PutReal(Checked(x - std::trunc(x)));
}

void TExp_Int::Calculate() { PutReal(Checked(std::trunc(RealArg(*this)))); }

void TExp_Pi::Calculate() { PutReal(3.1415926535897932385L); }

bool TExp_Round::TransOverOK() {
  if (!TN1Function::TransOverOK()) return false;
  DataType = etInteger;
  return true;
}

void TExp_Round::Calculate() {
  long double rounded = RoundHalfEven(RealArg(*this));
  PutInteger(FitsInt64(rounded) ? Low32(rounded) : 2147483647);
}

void TExp_Trunc::Calculate() {
  long double whole = std::trunc(RealArg(*this));
  if (!FitsInt64(whole)) throw EInvalidOp(Msg::InvalidOp);
  PutInteger(Low32(whole));
}

bool TExp_rRound::TransOverOK() {
  if (!TP2Function::TransOverOK()) return false;
  DataType = etReal;
  return true;
}

void TExp_rRound::Calculate() {
  long double x = Arg(0).GetReal();
  int32_t digits = Arg(1).GetInteger();
  PutReal(rRound(x, digits));
}

void TExp_Random::Calculate() { PutInteger(RandomInt(Arg(0).GetInteger())); }

std::span<const TClassInfo* const> MathClasses() {
  // The named functions in registration order.
  return ClassTable<TExp_Sin, TExp_Cos, TExp_ArcTan, TExp_Ln, TExp_Sqr, TExp_Sqrt, TExp_Pi,
      TExp_Frac, TExp_Int, TExp_Random, TExp_Round, TExp_Trunc, TExp_rRound>();
}

}  // namespace qnexp
