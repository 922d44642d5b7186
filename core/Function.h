// The function node bases: a function declares how many arguments a call takes, keeps its own
// result type and is never folded into a constant.
#pragma once

#include <span>

#include "core/Expression.h"

namespace qnexp {

// The base of every named function of the language. A call takes FixedParamCount arguments
// and up to OptionalParamCount more; arguments are checked by SetSubExp at translation time.
class TFunction : public TExpression {
  QN_CLASS(TFunction, TExpression)
public:
  TFunction() = default;

  // Keeps DataType (etInteger unless the class fixes another) and accepts the call.
  bool TransOverOK() override { return true; }
  // One more than the highest non-empty slot within the declared parameters.
  int GetSubExpCount() override;
  // A function call is recomputed at every pass, even over constant arguments.
  bool IsConst() override { return false; }
  int MaxSubExpCount() override;

  virtual int FixedParamCount() { return FixedCount; }
  virtual int OptionalParamCount() { return OptionalCount; }
  // FixedParamCount + OptionalParamCount, an overflowing sum counting as 2147483647.
  int ParamCapacity();

protected:
  int32_t FixedCount = 1;
  int32_t OptionalCount = 0;
};

// Two fixed arguments.
class TP2Function : public TFunction {
  QN_CLASS(TP2Function, TFunction)
public:
  TP2Function() { FixedCount = 2; }
};

// Three fixed arguments.
class TP3Function : public TFunction {
  QN_CLASS(TP3Function, TFunction)
public:
  TP3Function() { FixedCount = 3; }
};

// No fixed argument.
class TI0Function : public TFunction {
  QN_CLASS(TI0Function, TFunction)
public:
  TI0Function() { FixedCount = 0; }
};

// True for the types a numeric argument may have: integer, real, date-time, or not yet known.
bool IsNumericArgType(TExpDataType type);

// One numeric argument: refuses a null node and nodes of type etBoolean, etChar, etString
// and etInt64.
class TN1Function : public TFunction {
  QN_CLASS(TN1Function, TFunction)
public:
  bool SetSubExp(int index, TExpression* node) override;
};

// A numeric function with a real result.
class TMathFunction : public TN1Function {
  QN_CLASS(TMathFunction, TN1Function)
public:
  bool TransOverOK() override;
};

// A function with a text result.
class TStrFunction : public TFunction {
  QN_CLASS(TStrFunction, TFunction)
public:
  bool TransOverOK() override;
};

// The plain node and the function bases, for the persistent-class registry.
std::span<const TClassInfo* const> FunctionBaseClasses();

}  // namespace qnexp
