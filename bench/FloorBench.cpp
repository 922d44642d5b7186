// The hand-coded bounds for one evaluation of a+b*c.
#include "bench/FloorBench.h"

#include <cstring>

#include "core/EntryPoints.h"
#include "core/Variables.h"
#include "functions/Arithmetic.h"
#include "functions/ArithmeticRules.h"

namespace qnexp {

namespace {

bool IsReference(TExpression* node) {
  return node && &node->ClassType() == &TExp_VarRef::StaticClass();
}

// What the evaluation of a reference to a plain real variable writes.
inline void CopyReference(TExpression& reference, TExpression& name, TExpression& variable) {
  reference.SyncFlag = kForceStamp;
  name.SyncFlag = kForceStamp;
  variable.SyncFlag = kForceStamp;
  reference.DataType = variable.DataType;
  reference.Value.IntValue = variable.Value.IntValue;
  std::memcpy(&reference.Value.RealValue, &variable.Value.RealValue, 10);
  if (!reference.Value.StrValue.empty() || !variable.Value.StrValue.empty())
    reference.Value.StrValue = variable.Value.StrValue;
}

}  // namespace

TFloorBinding::TFloorBinding() {
  DefineBenchVariables();
  RootNode = TranslateExp(kFloorExpression);
  TExpression* root = RootNode.get();
  if (!root || &root->ClassType() != &TExp_Add::StaticClass()) {
    ErrorText = "the root is not an addition";
    return;
  }
  Mul = root->BaseSlot(1);
  TExpression* operands[3] = {root->BaseSlot(0), Mul ? Mul->BaseSlot(0) : nullptr,
                              Mul ? Mul->BaseSlot(1) : nullptr};
  if (!Mul || &Mul->ClassType() != &TExp_Mul::StaticClass()) {
    ErrorText = "the right operand is not a multiplication";
    return;
  }
  const char* names[3] = {"a", "b", "c"};
  for (int i = 0; i < 3; ++i) {
    if (!IsReference(operands[i])) {
      ErrorText = "an operand is not a variable reference";
      return;
    }
    References[i] = operands[i];
    Names[i] = operands[i]->BaseSlot(0);
    Variables[i] = PubVarList->GetVarExp(names[i]);
    if (!Names[i] || !Variables[i] || Variables[i]->DataType != etReal) {
      ErrorText = "a variable is missing or not real";
      return;
    }
  }
}

long double TFloorBinding::EvaluateEveryNode(const TBenchValues& values) {
  for (int i = 0; i < 3; ++i) Variables[i]->PutReal(values[i]);
  TExpression& root = *RootNode;
  root.SyncFlag = kForceStamp;
  CopyReference(*References[0], *Names[0], *Variables[0]);
  Mul->SyncFlag = kForceStamp;
  CopyReference(*References[1], *Names[1], *Variables[1]);
  CopyReference(*References[2], *Names[2], *Variables[2]);
  long double product =
      CheckedReal(Variables[1]->Value.RealValue * Variables[2]->Value.RealValue);
  Mul->Value.RealValue = product;
  root.Value.RealValue = CheckedReal(Variables[0]->Value.RealValue + product);
  return root.GetReal();
}

long double TFloorBinding::EvaluateRootOnly(const TBenchValues& values) {
  for (int i = 0; i < 3; ++i) Variables[i]->PutReal(values[i]);
  long double a = Variables[0]->Value.RealValue;
  long double b = Variables[1]->Value.RealValue;
  long double c = Variables[2]->Value.RealValue;
  RootNode->Value.RealValue = CheckedReal(a + b * c);
  return RootNode->GetReal();
}

}  // namespace qnexp
