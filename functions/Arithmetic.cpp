// The arithmetic operators and the named arithmetic functions, ending with the family's
// registration tables.
#include "functions/Arithmetic.h"

#include "functions/ArithmeticRules.h"
#include "functions/ExtendedMath.h"

#include <climits>
#include <cmath>
#include <cstring>

#include "runtime/Exception.h"
#include "runtime/Gbk.h"
#include "support/StrFuncs.h"

namespace qnexp {

namespace {

// The operand in slot index. Trees made by the translator always have it; a tree read from a
// damaged stream may not, and reading through a null node must not happen.
// Every class of this family keeps its operands in the base slots.
TExpression& Operand(TExpression& self, int index) {
  TExpression* node = self.BaseSlot(index);
  if (!node) self.CalcError(Res(kMsgTooFewArguments));
  return *node;
}

double CheckedDateTime(long double r) {
  double d = static_cast<double>(r);
  if (std::isnan(d)) throw EInvalidOp(Msg::InvalidOp);
  if (std::isinf(d)) throw EOverflow(Msg::Overflow);
  return d;
}

bool IsTextType(TExpDataType type) { return type == etChar || type == etString; }

// The rule of TExp_MathCalc on two operand types.
TExpDataType NumericResultType(TExpDataType left, TExpDataType right) {
  return left != right && left == etInteger ? right : left;
}

// Min and Max share everything but the direction of the choice; ties always take b.
void StoreMinMax(TExpression& self, bool wantMax) {
  switch (self.DataType) {
    case etInteger:
    case etChar: {
      int32_t a = Operand(self, 0).GetInteger();
      int32_t b = Operand(self, 1).GetInteger();
      bool takeA = wantMax ? b < a : a < b;
      self.PutInteger(takeA ? a : b);
      break;
    }
    case etReal:
    case etDateTime: {
      long double a = Operand(self, 0).GetReal();
      long double b = Operand(self, 1).GetReal();
      bool takeA = wantMax ? b < a : !(b <= a);
      self.PutReal(takeA ? a : b);
      break;
    }
    case etString: {
      std::string a = Operand(self, 0).GetString();
      std::string b = Operand(self, 1).GetString();
      int order = CompareBytes(a, b);
      bool takeA = wantMax ? order > 0 : order < 0;
      self.PutString(takeA ? a : b);
      break;
    }
    default:
      break;
  }
}

}  // namespace


void RaiseNonFinite(long double r) {
  if (std::isnan(r)) throw EInvalidOp(Msg::InvalidOp);
  throw EOverflow(Msg::Overflow);
}

long double PowerByLogarithms(long double x, long double y) {
  if (std::isnan(x) || std::isnan(y)) throw EInvalidOp(Msg::InvalidOp);
  if (x == 0) throw EZeroDivide(Msg::ZeroDivide);
  const long double kHuge = 1.1E4932L;
  static const long double logHuge = std::log(kHuge);
  long double half = y / 2;
  bool evenExponent = half - std::trunc(half) == 0;
  long double logBase = ExtendedLn(std::fabs(x));
  long double magnitude;
  // The first test catches large exponents before their product with ln|x| can overflow.
  if (std::fabs(logBase) > 1 && std::fabs(y) > 1 && y >= logHuge / std::fabs(logBase)) {
    magnitude = kHuge;
  } else {
    long double exponent = logBase * y;
    if (std::isnan(exponent)) throw EInvalidOp(Msg::InvalidOp);
    magnitude = std::fabs(exponent) >= logHuge ? kHuge : ExtendedExp(exponent);
  }
  return x < 0 && !evenExponent ? -magnitude : magnitude;
}

// --- + -------------------------------------------------------------------------------------

bool TExp_Add::TransOverOK() {
  TExpression* left = GetSubExp(0);
  TExpression* right = GetSubExp(1);
  if (!left || !right) return true;
  TExpDataType l = left->DataType;
  TExpDataType r = right->DataType;
  auto joinsAsText = [](TExpDataType t) { return t == etChar || t == etString || t == etDateTime; };
  if (joinsAsText(l) && joinsAsText(r))
    DataType = etString;
  else if ((l == etInteger || l == etReal || l == etChar) &&
           (r == etReal || r == etString || r == etDateTime))
    DataType = r;
  else
    DataType = l;
  return true;
}

void TExp_Add::Calculate() {
  switch (DataType) {
    case etInteger:
      PutInteger(WrapAdd(Operand(*this, 0).GetInteger(), Operand(*this, 1).GetInteger()));
      break;
    case etReal:
      PutReal(CheckedReal(Operand(*this, 0).GetReal() + Operand(*this, 1).GetReal()));
      break;
    case etBoolean:
      PutBoolean(Operand(*this, 0).GetBoolean() || Operand(*this, 1).GetBoolean());
      break;
    case etChar:
      PutInteger(WrapAdd(Operand(*this, 0).GetInteger(), Operand(*this, 1).GetInteger()));
      break;
    case etString:
      PutString(Operand(*this, 0).GetString() + Operand(*this, 1).GetString());
      break;
    case etDateTime:
      PutDateTime(CheckedDateTime(Operand(*this, 0).GetDateTime() + Operand(*this, 1).GetReal()));
      break;
    default:
      break;
  }
}

// --- - * / ^ ---------------------------------------------------------------------------------

bool TExp_MathCalc::SetSubExp(int index, TExpression* node) {
  if (!node || !IsNumericArgType(node->DataType)) return false;
  return TExpression::SetSubExp(index, node);
}

bool TExp_MathCalc::TransOverOK() {
  TExpression* left = GetSubExp(0);
  TExpression* right = GetSubExp(1);
  if (left) DataType = right ? NumericResultType(left->DataType, right->DataType) : left->DataType;
  return true;
}

void TExp_Sub::Calculate() {
  switch (DataType) {
    case etInteger:
    case etChar:
      PutInteger(WrapSub(Operand(*this, 0).GetInteger(), Operand(*this, 1).GetInteger()));
      break;
    case etReal:
      PutReal(CheckedReal(Operand(*this, 0).GetReal() - Operand(*this, 1).GetReal()));
      break;
    case etBoolean:
      PutBoolean(Operand(*this, 0).GetBoolean() != Operand(*this, 1).GetBoolean());
      break;
    case etDateTime:
      PutDateTime(CheckedDateTime(Operand(*this, 0).GetDateTime() - Operand(*this, 1).GetReal()));
      break;
    default:
      break;
  }
}

void TExp_Mul::Calculate() {
  switch (DataType) {
    case etInteger:
    case etChar:
      PutInteger(WrapMul(Operand(*this, 0).GetInteger(), Operand(*this, 1).GetInteger()));
      break;
    case etReal:
      PutReal(CheckedReal(Operand(*this, 0).GetReal() * Operand(*this, 1).GetReal()));
      break;
    case etBoolean:
      PutBoolean(Operand(*this, 0).GetBoolean() && Operand(*this, 1).GetBoolean());
      break;
    default:
      break;
  }
}

void TExp_Div::Calculate() {
  switch (DataType) {
    case etInteger:
      PutInteger(IntQuotientOrZero(Operand(*this, 0).GetInteger(), Operand(*this, 1).GetInteger()));
      break;
    case etReal:
      PutReal(RealQuotientOrZero(Operand(*this, 0).GetReal(), Operand(*this, 1).GetReal()));
      break;
    default:
      break;
  }
}

bool TExp_Power::TransOverOK() {
  DataType = etReal;
  return true;
}

void TExp_Power::Calculate() {
  long double base = Operand(*this, 0).GetReal();
  TExpression& exponent = Operand(*this, 1);
  PutReal(PowerOf(base, exponent, exponent.GetReal()));
}

// --- Neg, Abs --------------------------------------------------------------------------------

bool TExp_Neg::TransOverOK() {
  if (TExpression* argument = GetSubExp(0)) DataType = argument->DataType;
  return true;
}

void TExp_Neg::Calculate() {
  TExpression& x = Operand(*this, 0);
  if (DataType == etInteger)
    PutInteger(WrapNeg(x.GetInteger()));
  else
    PutReal(-x.GetReal());
}

bool TExp_Abs::TransOverOK() {
  if (TExpression* argument = GetSubExp(0)) DataType = argument->DataType;
  return true;
}

void TExp_Abs::Calculate() {
  TExpression& x = Operand(*this, 0);
  if (DataType == etInteger) {
    int32_t v = x.GetInteger();
    PutInteger(v < 0 ? WrapNeg(v) : v);
  } else {
    PutReal(std::fabs(x.GetReal()));
  }
}

// --- Min, Max --------------------------------------------------------------------------------

TExpDataType MinMaxResultType(TExpDataType a, TExpDataType b) {
  if (IsNumericArgType(a) && IsNumericArgType(b)) return NumericResultType(a, b);
  if (a == etChar && b == etChar) return etChar;
  if (IsTextType(a) && IsTextType(b)) return etString;
  return a;
}

bool TExp_Min::TransOverOK() {
  TExpression* a = GetSubExp(0);
  TExpression* b = GetSubExp(1);
  if (a && b) DataType = MinMaxResultType(a->DataType, b->DataType);
  return true;
}

void TExp_Min::Calculate() { StoreMinMax(*this, false); }

bool TExp_Max::TransOverOK() {
  TExpression* a = GetSubExp(0);
  TExpression* b = GetSubExp(1);
  if (a && b) DataType = MinMaxResultType(a->DataType, b->DataType);
  return true;
}

void TExp_Max::Calculate() { StoreMinMax(*this, true); }

// --- RealDiv, IntDiv, Mod --------------------------------------------------------------------

bool TExp_RealDiv::TransOverOK() {
  DataType = etReal;
  return true;
}

void TExp_RealDiv::Calculate() {
  long double quotient;
  if (TryRealDivide(Operand(*this, 0).GetReal(), Operand(*this, 1).GetReal(), quotient)) {
    PutReal(quotient);
  } else {
    TExpression* onError = GetSubExp(2);
    PutReal(onError ? onError->GetReal() : 0);
  }
}

bool TExp_IntDiv::TransOverOK() {
  DataType = etInteger;
  return true;
}

void TExp_IntDiv::Calculate() {
  int32_t a = Operand(*this, 0).GetInteger();
  int32_t b = Operand(*this, 1).GetInteger();
  if (b == 0 || (a == INT32_MIN && b == -1)) {
    TExpression* onError = GetSubExp(2);
    PutInteger(onError ? onError->GetInteger() : 0);
  } else {
    PutInteger(a / b);
  }
}

void TExp_Mod::Calculate() {
  int32_t a = Operand(*this, 0).GetInteger();
  int32_t b = Operand(*this, 1).GetInteger();
  if (b == 0) {
    PutInteger(a);
    return;
  }
  // The quotient of this pair has no 32-bit form; the division instruction would trap.
  if (a == INT32_MIN && b == -1) throw EIntOverflow(Msg::IntOverflow);
  PutInteger(a % b);
}

// --- Registration ----------------------------------------------------------------------------

std::span<const TClassInfo* const> ArithmeticClasses() {
  // The named functions in registration order, then the classes that are only nodes.
  return ClassTable<TExp_Abs, TExp_Neg, TExp_RealDiv, TExp_IntDiv, TExp_Mod, TExp_Min, TExp_Max,
      TExp_MathCalc, TExp_Add, TExp_Sub, TExp_Mul, TExp_Div, TExp_Power>();
}

}  // namespace qnexp
