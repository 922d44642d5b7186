// Functions defined in expression text: CustomFunction (name, fixed, optional, body) registers
// a new function while it is translated; a call of that name evaluates its own copy of the
// body, in which CustFuncParam (n) reads the n-th argument of the call and Argc () their
// number. Arguments are evaluated lazily, when the body reads them.
//
// Evaluating calls is single-threaded: the active call is one process-wide variable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "core/FunctionList.h"
// A call of a user-defined function is a Zero node (it keeps its arguments unevaluated).
#include "functions/Flow.h"

namespace qnexp {

// Calls of user-defined functions nested deeper than this (counting every call that is still
// running, for example the levels of a recursion) raise an evaluation error instead of
// exhausting the stack. A level of a plain recursion takes about 1 KB of stack, 2 KB in a
// sanitizer build, so this depth fits an 8 MB stack with room to spare.
inline constexpr int kMaxCallDepth = 1000;

// Nested calls whose frames take more stack than this, or more than half of the thread's stack
// when that is smaller, raise the same error before the depth limit: a body with deep
// expressions takes much more stack per level than a plain recursion.
inline constexpr size_t kMaxCallStackBytes = 4 * 1024 * 1024;

class TExp_CustFuncRef;

// The call whose body is being evaluated; null outside any call. While a call's argument is
// evaluated, the active call is the call that was active when that call began (its caller), so
// an argument that reads CustFuncParam reads its caller's arguments.
extern TExp_CustFuncRef* ActiveCall;

// A definition. As written in the text it is a node with four arguments (name, fixed count,
// optional count, body) that evaluates to true and does nothing else. Receiving its third
// argument registers a separate definition object under the name (replacing whatever carried
// that name) which shares the name and count nodes; receiving the body hands it to that
// definition and leaves the node in the text empty. A node discarded before its body arrived
// (the body failed to translate) withdraws its definition again and restores what the name
// designated before. An empty name is refused (SetSubExp gives false).
//
// Registered definitions belong to this unit: one that is no longer registered in the
// translator's registry is freed at the next definition or UnDefFunc, or at exit. Calls refer to
// definitions by name and never keep one alive.
class TCustomFunction : public TFunction {
  QN_CLASS(TCustomFunction, TFunction)
public:
  TCustomFunction();
  ~TCustomFunction() override;

  // The text of slot 0 evaluated with stamp -1 ("" without one).
  std::string GetFuncName();
  // The integer value of slot 1, respectively slot 2, evaluated with stamp -1 (0 without one).
  int32_t GetFixedParamCount();
  int32_t GetOptionalParamCount();

  // Body for index 3, the slots otherwise.
  TExpression* GetSubExp(int index) override;
  // Index 2 registers the definition, index 3 attaches the body (see above); 0 and 1 are plain
  // slots. Nothing is freed.
  void PutSubExp(int index, TExpression* node) override;
  // As PutSubExp; false for a null node, and for index 2 when the name is empty.
  bool SetSubExp(int index, TExpression* node) override;
  int MaxSubExpCount() override { return 4; }
  // etBoolean, true.
  bool TransOverOK() override;
  // Nothing: a definition takes effect when it is translated.
  void Evaluate(int32_t) override {}
  // A copy of the slots and body that registers nothing.
  TExpression* CopySelf() override;

  // The body; owned.
  TExpression* Body = nullptr;

  // A number no other definition of this process carries, so that a call can tell a new
  // definition from the one it copied its body from.
  uint64_t Serial() const { return SerialNumber; }

private:
  friend class TDefinitionPin;
  friend void CollectCustomFunctions();

  void Define(TExpression* countNode, const std::string& name);
  void AttachBody(TExpression* body);
  void Withdraw();

  uint64_t SerialNumber;
  // On a registered definition: the name it was registered under, whether the node in the
  // text still waits to hand over the body, and how many operations are using it now.
  std::string DefinedName;
  bool AwaitingBody = false;
  int PinCount = 0;
  // On the node in the text, between its third argument and its body: the definition it
  // registered and what the name designated before.
  TCustomFunction* Registered = nullptr;
  const TClassInfo* ReplacedClass = nullptr;
  int ReplacedIndex = -1;
  TCustomFunction* ReplacedDefinition = nullptr;
};

// Frees every registered definition that the translator's registry no longer holds and that
// nothing is using. Called after definitions are replaced or removed.
void CollectCustomFunctions();

// The call of a user-defined function. Its arguments are kept as Zero keeps them; the body is a
// private copy of the definition's body, made at the first evaluation after each (re)binding.
// The name is resolved again at every evaluation, so a redefinition takes effect at the next
// evaluation of existing calls.
class TExp_CustFuncRef : public TExp_Zero, public ICustomFunctionCall {
  QN_CLASS(TExp_CustFuncRef, TExp_Zero)
public:
  ~TExp_CustFuncRef() override;

  // The counts of the definition bound last (0 while unbound); negative counts count as 0.
  int FixedParamCount() override { return BoundFixed; }
  int OptionalParamCount() override { return BoundOptional; }

  // Binds definition (null for none): nothing when it is the one bound already; otherwise the
  // body copy is dropped and, when definition has a body, copied anew.
  void SetCustomFunction(TCustomFunction* definition);
  // Called by the registry when it creates the call at translation.
  void BindCall(const std::string& funcName, TCustomFunction* definition) override;
  // Binds to the definition now registered under FuncName and evaluates the body copy with
  // stamp; the node takes over the body's value, type and format. Raises when no definition
  // with a body is registered under the name, when calls nest deeper than kMaxCallDepth, and
  // when an abort is requested. ActiveCall is restored on every path.
  void Evaluate(int32_t stamp) override;
  // The arguments and FuncName; the copy starts unbound and is bound at its first evaluation.
  TExpression* CopySelf() override;
  // The common properties, then "FuncName".
  bool EnumrateProperties(const TPropProcessor& callback, uint16_t purpose,
                          void* param) override;

  // The private body copy, or null.
  TExpression* GetBody() const { return Body; }
  // The call that was active when this call's current evaluation began; null between
  // evaluations and for a call made outside any other.
  TExp_CustFuncRef* Caller() const { return CallerOfRun; }

  std::string FuncName;

private:
  TExpression* Body = nullptr;
  uint64_t BoundSerial = 0;
  int32_t BoundFixed = 0;
  int32_t BoundOptional = 0;
  TExp_CustFuncRef* CallerOfRun = nullptr;
  // Evaluations of this node in progress: a node reached again from inside its own body keeps
  // its binding, so the body being evaluated is never replaced.
  int Running = 0;
};

// CustFuncParam (n): the value and type of argument n (1-based) of the active call, evaluated
// against that call's caller. Raises EListError "List index out of bounds (n - 1)" when the
// call has no argument n, and CalcError "不在自定义函数的调用中" outside any call. The static type
// is etInteger.
class TExp_CustFuncParam : public TFunction {
  QN_CLASS(TExp_CustFuncParam, TFunction)
public:
  void Evaluate(int32_t stamp) override;
};

// Argc (): the number of arguments of the active call; 0 outside any call.
class TExp_Argc : public TFunction {
  QN_CLASS(TExp_Argc, TFunction)
public:
  TExp_Argc() { FixedCount = 0; }
  void Calculate() override;
};

// Every node class of this unit (the definition, the call, CustFuncParam, Argc), for the
// persistent-class registry.
std::span<const TClassInfo* const> CustomFunctionClasses();

}  // namespace qnexp
