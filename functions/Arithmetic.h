// The arithmetic operators + - * / ^ and the named arithmetic functions Neg, Abs, Min, Max,
// RealDiv, IntDiv and Mod. Each node fixes its result type at translation time from the static
// types of its operands and recomputes its value at every evaluation.
//
// Integer results wrap around in 32 bits. Reals are long double. A real + - * whose result
// overflows raises EOverflow "Floating point overflow", and one that has no value (NaN) raises
// EInvalidOp "Invalid floating point operation"; no node ever stores an infinity or a NaN.
// Evaluating integer, real, boolean, character and date-time nodes allocates nothing, except
// that the first evaluation of a translated formula makes its flattened evaluation programs.
// Every node raises CalcError "参数不够" when an operand it must read is missing (a tree that
// the translator did not build). Single-threaded, like every node.
#pragma once

#include <span>

#include "core/Function.h"
#include "functions/ArithmeticRules.h"
#include "functions/FlatEvaluation.h"

namespace qnexp {

// x + y. Result type by the operand types L and R: both one of etChar, etString, etDateTime
// gives etString; else L in {etInteger, etReal, etChar} with R in {etReal, etString,
// etDateTime} gives R; else L. Integer sum wraps, boolean is or, character is the code sum
// modulo 256, text joins the two formatted texts, date-time adds GetReal(y) days. Other types
// (etInt64, etAny after evaluation) leave the value as it was.
class TExp_Add final : public TExpression {
  QN_CLASS(TExp_Add, TExpression)
public:
  void Calculate() override;
  void Evaluate(int32_t stamp) override {
    if (stamp == SyncFlag && stamp != kForceStamp) return;
    if (!Flat.Run(*this, stamp)) EvaluateInSlots<TExp_Add>(stamp);
  }
  bool TransOverOK() override;
  TFlatEvaluation& FlatForm() { return Flat; }

private:
  TFlatEvaluation Flat;
};

// The shared base of - * / ^: only etInteger, etReal, etDateTime and etAny operands are
// accepted; the result type is the left operand's, except that an integer left operand takes
// the right operand's type when the two differ. The check always succeeds.
class TExp_MathCalc : public TExpression {
  QN_CLASS(TExp_MathCalc, TExpression)
public:
  // False for a null node or one of type etBoolean, etChar, etString or etInt64.
  bool SetSubExp(int index, TExpression* node) override;
  bool TransOverOK() override;
  TFlatEvaluation& FlatForm() { return Flat; }

protected:
  TFlatEvaluation Flat;
};

// x - y: integer wraps, real, boolean exclusive-or, character code difference modulo 256,
// date-time minus GetReal(y) days. A text node is left as it was.
class TExp_Sub final : public TExp_MathCalc {
  QN_CLASS(TExp_Sub, TExp_MathCalc)
public:
  void Calculate() override;
  void Evaluate(int32_t stamp) override {
    if (stamp == SyncFlag && stamp != kForceStamp) return;
    if (!Flat.Run(*this, stamp)) EvaluateInSlots<TExp_Sub>(stamp);
  }
};

// x * y: integer wraps, real, boolean and, character code product modulo 256. Text and
// date-time nodes are left as they were.
class TExp_Mul final : public TExp_MathCalc {
  QN_CLASS(TExp_Mul, TExp_MathCalc)
public:
  void Calculate() override;
  void Evaluate(int32_t stamp) override {
    if (stamp == SyncFlag && stamp != kForceStamp) return;
    if (!Flat.Run(*this, stamp)) EvaluateInSlots<TExp_Mul>(stamp);
  }
};

// x / y: integer quotient truncated toward zero, real quotient by TryRealDivide. Never raises:
// a failed division (zero divisor, -2147483648 / -1, real overflow) yields 0. Nodes of other
// types are left as they were.
class TExp_Div final : public TExp_MathCalc {
  QN_CLASS(TExp_Div, TExp_MathCalc)
public:
  void Calculate() override;
  void Evaluate(int32_t stamp) override {
    if (stamp == SyncFlag && stamp != kForceStamp) return;
    if (!Flat.Run(*this, stamp)) EvaluateInSlots<TExp_Div>(stamp);
  }
};

// x ^ the value of the exponent node, whose real value is y: by RealPower, or by IntegerPower
// for an integer node, whose value need not be tested for integrality.
inline long double PowerOf(long double x, const TExpression& exponent, long double y) {
  return exponent.DataType == etInteger ? IntegerPower(x, exponent.Value.IntValue)
                                        : RealPower(x, y);
}

// x ^ y, always etReal, by PowerOf.
class TExp_Power final : public TExp_MathCalc {
  QN_CLASS(TExp_Power, TExp_MathCalc)
public:
  void Calculate() override;
  void Evaluate(int32_t stamp) override {
    if (stamp == SyncFlag && stamp != kForceStamp) return;
    if (!Flat.Run(*this, stamp)) EvaluateInSlots<TExp_Power>(stamp);
  }
  // Always etReal.
  bool TransOverOK() override;
};

// Neg(x): the argument's type; an integer negates with wrap-around (-(-2147483648) is
// -2147483648), anything else stores -GetReal(x) through PutReal.
class TExp_Neg : public TN1Function {
  QN_CLASS(TExp_Neg, TN1Function)
public:
  void Calculate() override;
  // Takes the argument's type.
  bool TransOverOK() override;
};

// Abs(x): the argument's type; an integer gives its magnitude with wrap-around (Abs of
// -2147483648 is -2147483648), anything else |GetReal(x)| through PutReal.
class TExp_Abs : public TN1Function {
  QN_CLASS(TExp_Abs, TN1Function)
public:
  void Calculate() override;
  // Takes the argument's type.
  bool TransOverOK() override;
};

// The result type of Min and Max, from their argument types a and b:
// - both numeric (etInteger, etReal, etDateTime, etAny): the rule of TExp_MathCalc;
// - both etChar: etChar;
// - both textual (etChar or etString) otherwise: etString;
// - anything else: a's type (etBoolean and etInt64 nodes are then left unchanged).
TExpDataType MinMaxResultType(TExpDataType a, TExpDataType b);

// Min(a, b): the smaller argument; equal values give b. etInteger and etChar nodes compare
// GetInteger, etReal and etDateTime nodes GetReal, etString nodes the texts byte by byte
// (unsigned, case-sensitive). Nodes of other types are left as they were.
class TExp_Min : public TP2Function {
  QN_CLASS(TExp_Min, TP2Function)
public:
  void Calculate() override;
  // Fixes the type by MinMaxResultType.
  bool TransOverOK() override;
};

// Max(a, b): the larger argument; equal values give b. Compares as TExp_Min does.
class TExp_Max : public TP2Function {
  QN_CLASS(TExp_Max, TP2Function)
public:
  void Calculate() override;
  // Fixes the type by MinMaxResultType.
  bool TransOverOK() override;
};

// RealDiv(a, b [, onError]): etReal; GetReal(a) / GetReal(b) by TryRealDivide, and when that
// fails GetReal(onError), or 0 without a third argument.
class TExp_RealDiv : public TP2Function {
  QN_CLASS(TExp_RealDiv, TP2Function)
public:
  TExp_RealDiv() { OptionalCount = 1; }
  void Calculate() override;
  // Always etReal.
  bool TransOverOK() override;
};

// IntDiv(a, b [, onError]): etInteger; GetInteger(a) / GetInteger(b) truncated toward zero,
// and for a zero divisor or -2147483648 / -1 GetInteger(onError), or 0 without it.
class TExp_IntDiv : public TExp_RealDiv {
  QN_CLASS(TExp_IntDiv, TExp_RealDiv)
public:
  void Calculate() override;
  // Always etInteger.
  bool TransOverOK() override;
};

// Mod(a, b): etInteger; the remainder of the truncating division, with the sign of a. A zero
// divisor gives a; -2147483648 by -1 raises EIntOverflow "Integer overflow".
class TExp_Mod : public TP2Function {
  QN_CLASS(TExp_Mod, TP2Function)
public:
  void Calculate() override;
};

// Every node class of this family (operators, their base and the named functions), for the
// persistent-class registry; the library's initialisation unit registers the named ones.
std::span<const TClassInfo* const> ArithmeticClasses();

}  // namespace qnexp
