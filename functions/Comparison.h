// The comparison operators = <> > >= < <=, the containment operator $, the logical operators
// & (AND) and | (OR), and the named functions Not, Odd, Like and LikeAny.
//
// Comparisons choose how to compare from the left operand's type when they calculate:
// etInteger and etChar compare GetInteger, etReal and etDateTime compare GetReal (= treats
// values at most 1E-19 apart as equal; > and >= compare exactly), every other type compares
// the formatted texts byte by byte (unsigned, case-sensitive). Comparing numbers allocates
// nothing. Every node raises CalcError "参数不够" when an operand it must read is missing (a
// tree that the translator did not build). Single-threaded, like every node.
#pragma once

#include <span>
#include <vector>

#include "core/Function.h"

namespace qnexp {

// The shared base of the comparison operators and $: the result type is etBoolean, operands
// of every type are accepted, and the check always succeeds.
class TExp_Boolean : public TExpression {
  QN_CLASS(TExp_Boolean, TExpression)
public:
  bool TransOverOK() override;
};

// left = right.
class TExp_Equ : public TExp_Boolean {
  QN_CLASS(TExp_Equ, TExp_Boolean)
public:
  void Calculate() override;

protected:
  // The comparison itself, shared with the negating descendant.
  bool Equal();
};

// left <> right: the negation of =.
class TExp_NotEqu : public TExp_Equ {
  QN_CLASS(TExp_NotEqu, TExp_Equ)
public:
  void Calculate() override;
};

// left > right.
class TExp_Great : public TExp_Boolean {
  QN_CLASS(TExp_Great, TExp_Boolean)
public:
  void Calculate() override;

protected:
  // The comparison itself, shared with the negating descendant.
  bool Greater();
};

// left >= right.
class TExp_GorE : public TExp_Boolean {
  QN_CLASS(TExp_GorE, TExp_Boolean)
public:
  void Calculate() override;

protected:
  // The comparison itself, shared with the negating descendant.
  bool GreaterOrEqual();
};

// left < right: the negation of >=.
class TExp_Less : public TExp_GorE {
  QN_CLASS(TExp_Less, TExp_GorE)
public:
  void Calculate() override;
};

// left <= right: the negation of >.
class TExp_LorE : public TExp_Great {
  QN_CLASS(TExp_LorE, TExp_Great)
public:
  void Calculate() override;
};

// left $ right: true when the text of left occurs in the text of right, case-sensitive and
// starting on a character boundary of right (a match never begins on the second byte of a
// two-byte character). An empty left text gives false.
class TExp_In : public TExp_Boolean {
  QN_CLASS(TExp_In, TExp_Boolean)
public:
  void Calculate() override;
};

// left & right. The type is the left operand's (an etAny node takes the left operand's type
// when evaluated). A boolean node is false without evaluating right when left is false, and
// right's boolean otherwise; any other node stores GetInteger(left) bitwise-and
// GetInteger(right) through PutInteger.
class TExp_And : public TExpression {
  QN_CLASS(TExp_And, TExpression)
public:
  void Evaluate(int32_t stamp) override;
};

// left | right: as TExp_And, but a boolean node is true without evaluating right when left
// is true, and the bitwise form is or.
class TExp_Or : public TExpression {
  QN_CLASS(TExp_Or, TExpression)
public:
  void Evaluate(int32_t stamp) override;
};

// Not(x): the argument's type; a boolean negates, anything else stores the bitwise complement
// of GetInteger(x) through PutInteger (Not(5) is -6).
class TExp_Not : public TFunction {
  QN_CLASS(TExp_Not, TFunction)
public:
  void Calculate() override;
  // Takes the argument's type.
  bool TransOverOK() override;
};

// Odd(x): etBoolean; true when the lowest bit of GetInteger(x) is set.
class TExp_Odd : public TFunction {
  QN_CLASS(TExp_Odd, TFunction)
public:
  void Calculate() override;
  // Always etBoolean.
  bool TransOverOK() override;
};

// Like(text, pattern [, caseSensitive]): etBoolean; the wildcard match of the two texts
// ('*' any run, '?' one byte). Case-sensitive unless the third argument reads as false, in
// which case ASCII letters fold.
class TExp_Like : public TP2Function {
  QN_CLASS(TExp_Like, TP2Function)
public:
  TExp_Like() { OptionalCount = 1; }
  void Calculate() override;
  // Always etBoolean.
  bool TransOverOK() override;
};

// LikeAny(text, pattern1 [, pattern2 ...] [, caseSensitive]): true when any pattern matches
// the text. Argument 0 is kept in the first slot; argument n >= 1 is kept at position n - 1 of
// an owned list (a gap is held as an empty entry). The last argument is the case switch
// instead of a pattern when its type after evaluation is etBoolean. Patterns are evaluated in
// order and only up to the first match; no argument is evaluated twice in one pass.
class TExp_LikeAny : public TExp_Like {
  QN_CLASS(TExp_LikeAny, TExp_Like)
public:
  TExp_LikeAny() { OptionalCount = 9999; }
  // Frees the text argument and every listed argument.
  ~TExp_LikeAny() override;

  // One more than the position of the last argument held (0 when none is).
  int GetSubExpCount() override;
  // Argument index, or null for an empty or unknown position.
  TExpression* GetSubExp(int index) override;
  // Stores argument index without freeing a previous occupant, like every node; indices
  // outside 0..ParamCapacity()-1 are ignored. Storing null at the end shortens the list.
  void PutSubExp(int index, TExpression* node) override;
  int MaxSubExpCount() override { return ParamCapacity(); }
  // A deep copy that keeps every argument at its position, gaps included.
  TExpression* CopySelf() override;
  void Evaluate(int32_t stamp) override;

private:
  std::vector<TExpression*> Arguments;  // arguments 1, 2, ... at positions 0, 1, ...
};

// Every node class of this family (operators, their base and the named functions), for the
// persistent-class registry; the library's initialisation unit registers the named ones.
std::span<const TClassInfo* const> ComparisonClasses();

}  // namespace qnexp
