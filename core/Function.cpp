// The function node bases.
#include "core/Function.h"

#include <climits>

namespace qnexp {

int TFunction::ParamCapacity() {
  int64_t sum = static_cast<int64_t>(FixedParamCount()) + OptionalParamCount();
  if (sum < 0 || sum > INT32_MAX) return INT32_MAX;
  return static_cast<int>(sum);
}

int TFunction::GetSubExpCount() {
  int count = ParamCapacity();
  // Slots past the node's own storage are always empty; start from the last real one.
  if (count > MaxSubExpCount()) count = MaxSubExpCount();
  while (count > 0 && !GetSubExp(count - 1)) --count;
  return count;
}

int TFunction::MaxSubExpCount() { return 3; }

bool IsNumericArgType(TExpDataType type) {
  return type == etInteger || type == etReal || type == etDateTime || type == etAny;
}

bool TN1Function::SetSubExp(int index, TExpression* node) {
  if (!node || !IsNumericArgType(node->DataType)) return false;
  return TFunction::SetSubExp(index, node);
}

bool TMathFunction::TransOverOK() {
  if (!TN1Function::TransOverOK()) return false;
  DataType = etReal;
  return true;
}

bool TStrFunction::TransOverOK() {
  if (!TFunction::TransOverOK()) return false;
  DataType = etString;
  return true;
}

std::span<const TClassInfo* const> FunctionBaseClasses() {
  return ClassTable<TExpression, TFunction, TP2Function, TP3Function, TI0Function, TN1Function,
      TMathFunction, TStrFunction>();
}

}  // namespace qnexp
