// The conditional and flow functions of the language: choosing a branch (Iif, Case, Decode),
// evaluating sequences for their side effects (Zero, Void, Do), looping (Loop), carrying values
// from one evaluation to the next (Accumulator, PriorValue, Order) and removing functions from
// the registry (UnDefFunc); and TExp_Ref, a node that shows another node's value without
// owning it.
//
// Most of these nodes evaluate their arguments themselves, lazily and in a fixed order: an
// argument that is not needed is not evaluated at all. Every Evaluate starts with the common
// stamp test (nothing happens when the stamp equals SyncFlag and is not -1). A node whose
// operand is missing (a tree the translator did not build) raises CalcError "参数不够".
// Single-threaded, like every node.
#pragma once

#include <span>
#include <vector>

#include "core/Function.h"
#include "functions/Strings.h"

namespace qnexp {

class TStoredStrList;

// Iif(cond, then [, else]): evaluates cond and then only the chosen branch, whose value, type
// and format the node takes over. Without a chosen branch (cond false and no else) the node
// keeps what its previous evaluation left (etAny and empty before any). The static type is
// etAny.
class TExp_Iif : public TP2Function {
  QN_CLASS(TExp_Iif, TP2Function)
public:
  TExp_Iif() { OptionalCount = 1; }
  void Calculate() override {}
  bool TransOverOK() override;
  void Evaluate(int32_t stamp) override;
};

// Case(c1, r1 [, c2, r2 ...] [, default]): the result of the first condition that holds, or
// the default. Conditions and results are kept in two owned keyed lists (entries keyed
// "<caption>_<pair index>"); the default is sub-expression 0. Conditions are evaluated in order
// up to the first true one, and only the chosen result is evaluated. Without a match and
// without a default, evaluation raises "函数没有匹配的返回值".
class TExp_Case : public TFunction {
  QN_CLASS(TExp_Case, TFunction)
public:
  TExp_Case();
  // Frees the default, the selector and both lists with every expression in them.
  ~TExp_Case() override;

  // Argument i goes to the conditions (even i) or the results (odd i) at position i div 2;
  // false for a null node or an index outside the parameters. An occupied position is
  // overwritten without freeing its node, as a slot would be.
  bool SetSubExp(int index, TExpression* node) override;
  // Fails unless there is a result and at least as many conditions as results. Takes the
  // first result's type; an odd condition left over becomes the default.
  bool TransOverOK() override;
  // The slots in use: the default (0) and, for Decode, the selector (1).
  int GetSubExpCount() override;
  void Calculate() override {}
  // Copies the default, the selector and both lists entry by entry.
  TExpression* CopySelf() override;
  void Evaluate(int32_t stamp) override;
  // The common properties, then "CondExps" and "ResultExps".
  bool EnumrateProperties(const TPropProcessor& callback, uint16_t purpose,
                          void* param) override;

  // The result chosen by the conditions, evaluated with the node's stamp as far as needed;
  // null when none matches.
  virtual TExpression* ResultExp();

  // The conditions (or Decode's compared values) and the results; there always are lists.
  TStoredStrList& CondExps();
  TStoredStrList& ResultExps();

private:
  // Null only after a release; the accessors make new ones then.
  TStoredStrList* Conditions = nullptr;
  TStoredStrList* Results = nullptr;
};

// Decode(sel, v1, r1 [, v2, r2 ...] [, default]): the result of the first value whose text
// equals the selector's text (ordinal, case-sensitive), or the default. The selector is
// sub-expression 1; the values take the place of Case's conditions.
class TExp_Decode : public TExp_Case {
  QN_CLASS(TExp_Decode, TExp_Case)
public:
  TExp_Decode() { FixedCount = 3; }
  // Argument 0 is the selector; argument i >= 1 is placed as Case places i - 1.
  bool SetSubExp(int index, TExpression* node) override;
  // Also fails without a selector.
  bool TransOverOK() override;
  TExpression* ResultExp() override;
};

// Zero([a1, a2 ...]): evaluates every argument in order and yields 0. The arguments are kept
// in an owned list, without a limit but the parameter count; the base of Void, Do, UnDefFunc
// and the call of a user-defined function.
class TExp_Zero : public TI0Function {
  QN_CLASS(TExp_Zero, TI0Function)
public:
  TExp_Zero() { OptionalCount = 2147483647; }
  // Frees every argument.
  ~TExp_Zero() override;

  // The length of the argument list.
  int GetSubExpCount() override;
  // Argument index, or null outside the list or for a gap.
  TExpression* GetSubExp(int index) override;
  // Replaces argument index or, for index equal to the count, appends; the node replaced is
  // not freed. Other indices are ignored. Storing null at the end shortens the list.
  void PutSubExp(int index, TExpression* node) override;
  // False for a null node and for an index PutSubExp would ignore.
  bool SetSubExp(int index, TExpression* node) override;
  // One more than the count: a loading node offers the next argument only.
  int MaxSubExpCount() override;
  // A deep copy of every argument.
  TExpression* CopySelf() override;
  void Evaluate(int32_t stamp) override;

protected:
  // Evaluates every argument in order with stamp.
  void EvaluateArguments(int32_t stamp);

private:
  std::vector<TExpression*> Arguments;
};

// Void([a1, a2 ...]): as Zero, yielding the empty text.
class TExp_Void : public TExp_Zero {
  QN_CLASS(TExp_Void, TExp_Zero)
public:
  bool TransOverOK() override;
};

// UnDefFunc([name1, name2 ...]): evaluates the arguments, then removes the function registered
// under each argument's text from the translator's registry; unknown names are ignored.
// Yields the empty text. Nodes already translated keep working; a call of a removed
// user-defined function raises an error at its next evaluation.
class TExp_UnDefFunc : public TExp_Void {
  QN_CLASS(TExp_UnDefFunc, TExp_Void)
public:
  void Calculate() override;
};

// Do([a1, a2 ...]): false while the arguments are evaluated in order, true when all of them
// went through; an error in an argument propagates and leaves false.
class TExp_Do : public TExp_Zero {
  QN_CLASS(TExp_Do, TExp_Zero)
public:
  bool TransOverOK() override;
  void Evaluate(int32_t stamp) override;
};

// Loop(init, body, until): evaluates init, then, while until does not hold, body; until is
// tested before the first round. Every round uses a new stamp, so everything below body and
// until is recomputed. A loop whose condition never holds runs until the process-wide abort
// request (core/Abort.h) stops it with "Operation aborted". Yields the empty text.
class TExp_Loop : public TExp_SubS {
  QN_CLASS(TExp_Loop, TExp_SubS)
public:
  void Calculate() override {}
  void Evaluate(int32_t stamp) override;
};

// Accumulator(x [, start [, reset]]): a running sum of x over evaluations. The first
// evaluation, and every one where reset is true, restarts from start (0 without it); then x is
// added: as a real for an etReal node, otherwise as a 32-bit integer with wrap-around. The
// type is x's. A real sum beyond the range raises EOverflow.
class TExp_Accumulator : public TFunction {
  QN_CLASS(TExp_Accumulator, TFunction)
public:
  TExp_Accumulator() { OptionalCount = 2; }
  void Calculate() override;
  bool TransOverOK() override;
  // Copies the started flag with the rest.
  TExpression* CopySelf() override;
  void Evaluate(int32_t stamp) override;

  // False after translation; set by the first evaluation.
  bool Started = false;
};

// PriorValue(x): the value, type and format x had before this evaluation computed it anew.
class TExp_PriorValue : public TFunction {
  QN_CLASS(TExp_PriorValue, TFunction)
public:
  void Evaluate(int32_t stamp) override;
};

// Order(x): counts its calculations, 1, 2, 3 ... (x is evaluated but not used); wraps around
// after 2147483647. A copy counts on from the copied node's count.
class TExp_Order : public TN1Function {
  QN_CLASS(TExp_Order, TN1Function)
public:
  void Calculate() override;
};

// A non-owning reference to another node (the target, sub-expression 0): evaluating it
// evaluates the target and takes over its value, type and format. Not reachable from
// expression text; a host builds it with a target and must keep the target alive while the
// reference is evaluated. Destroying the reference never destroys the target.
class TExp_Ref : public TExpression {
  QN_CLASS(TExp_Ref, TExpression)
public:
  TExp_Ref() = default;
  explicit TExp_Ref(TExpression* target) { SetTarget(target); }
  ~TExp_Ref() override;

  TExpression* Target() { return GetSubExp(0); }
  // Points the reference at target (null for none); the previous target is left alone.
  void SetTarget(TExpression* target) { PutSubExp(0, target); }

  void Calculate() override;
  // True without a target or with a constant one.
  bool IsConst() override;
  // Another reference to the same target.
  TExpression* CopySelf() override;
  // Only "DataType", "Value" and "FormatExp": the target is not the reference's to store.
  bool EnumrateProperties(const TPropProcessor& callback, uint16_t purpose,
                          void* param) override;
};

// Every node class of this family, for the persistent-class registry (the library's
// initialisation unit registers the named ones as functions in the language's order).
std::span<const TClassInfo* const> FlowClasses();

}  // namespace qnexp
