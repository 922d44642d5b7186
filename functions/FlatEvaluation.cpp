// Laying out and running flattened evaluations.
#include "functions/FlatEvaluation.h"

#include <algorithm>

#include "core/Variables.h"
#include "functions/Arithmetic.h"
#include "functions/ArithmeticRules.h"
#include "functions/Math.h"
#include "runtime/Gbk.h"

namespace qnexp {

namespace {

template <class Node>
bool Is(const TExpression& node) {
  return &node.ClassType() == &Node::StaticClass();
}

// Functions that keep the plain protocol (all arguments, then Calculate) and whose steps can
// therefore be laid out like an operator's.
bool IsPlainProtocolFunction(const TExpression& node) {
  static const TClassInfo* const kClasses[] = {
      &TExp_Sin::StaticClass(),  &TExp_Cos::StaticClass(),   &TExp_ArcTan::StaticClass(),
      &TExp_Ln::StaticClass(),   &TExp_Sqr::StaticClass(),   &TExp_Sqrt::StaticClass(),
      &TExp_Frac::StaticClass(), &TExp_Int::StaticClass(),   &TExp_Pi::StaticClass(),
      &TExp_Round::StaticClass(), &TExp_Trunc::StaticClass(), &TExp_Neg::StaticClass(),
      &TExp_Abs::StaticClass()};
  return std::find(std::begin(kClasses), std::end(kClasses), &node.ClassType()) !=
         std::end(kClasses);
}

TFlatStepKind OperatorKind(const TExpression& node) {
  if (Is<TExp_Add>(node)) return TFlatStepKind::fsAdd;
  if (Is<TExp_Sub>(node)) return TFlatStepKind::fsSub;
  if (Is<TExp_Mul>(node)) return TFlatStepKind::fsMul;
  if (Is<TExp_Div>(node)) return TFlatStepKind::fsDiv;
  if (Is<TExp_Power>(node)) return TFlatStepKind::fsPower;
  return TFlatStepKind::fsOther;
}

// What the protocol does between the operands and the calculation.
inline void TakeFirstOperandType(TExpression& node) {
  if (node.DataType == etAny)
    if (TExpression* first = node.GetSubExp(0)) node.DataType = first->DataType;
}

// The real case of an operator over two operands, as its Calculate computes it; false when the
// node is of another type or misses an operand, for Calculate itself to handle.
template <class Rule>
inline bool RealOperation(TExpression& node, Rule rule) {
  TExpression* left = node.BaseSlot(0);
  TExpression* right = node.BaseSlot(1);
  if (node.DataType != etReal || !left || !right) [[unlikely]]
    return false;
  node.Value.RealValue = rule(left->GetReal(), right->GetReal());
  return true;
}

}  // namespace

TFlatProgram::TFlatProgram(TExpression& root) : Root(root) {
  Lay(root);
  Shape = TExpression::ShapeVersion;
}

void TFlatProgram::Lay(TExpression& node) {
  TFlatStepKind kind = OperatorKind(node);
  bool function = kind == TFlatStepKind::fsOther && IsPlainProtocolFunction(node);
  if (kind == TFlatStepKind::fsOther && !function) {
    if (Is<TExpression>(node) && node.GetSubExpCount() == 0) {
      node.ShapeWatched = true;
      StepList.push_back({TFlatStepKind::fsConstant, 0, &node});
    } else if (Is<TExp_VarRef>(node)) {
      StepList.push_back({TFlatStepKind::fsReference, 0, &node});
    } else {
      StepList.push_back({TFlatStepKind::fsOther, 0, &node});
    }
    return;
  }
  // An operator or a function: its stamp, its operands in slot order up to the first empty
  // slot, its calculation.
  node.ShapeWatched = true;
  size_t enter = StepList.size();
  StepList.push_back({TFlatStepKind::fsEnter, 0, &node});
  int count = function ? node.GetSubExpCount() : 3;
  for (int i = 0; i < count; ++i) {
    TExpression* operand = function ? node.GetSubExp(i) : node.BaseSlot(i);
    if (!operand) break;
    Lay(*operand);
  }
  StepList.push_back({function ? TFlatStepKind::fsFunction : kind, 0, &node});
  StepList[enter].SkipTo = static_cast<uint32_t>(StepList.size());
}

void TFlatProgram::Run(int32_t stamp) {
  const TFlatStep* const first = StepList.data();
  const TFlatStep* const end = first + StepList.size();
  for (const TFlatStep* step = first; step != end; ++step) {
    TExpression& node = *step->Node;
    switch (step->Kind) {
      case TFlatStepKind::fsEnter:
        if (stamp == node.SyncFlag && stamp != kForceStamp) {
          step = first + step->SkipTo - 1;
          continue;
        }
        node.SyncFlag = stamp;
        continue;
      case TFlatStepKind::fsConstant:
        node.SyncFlag = stamp;
        continue;
      case TFlatStepKind::fsReference:
        static_cast<TExp_VarRef&>(node).TExp_VarRef::Evaluate(stamp);
        break;
      case TFlatStepKind::fsAdd:
        TakeFirstOperandType(node);
        if (RealOperation(node, [](long double x, long double y) { return CheckedReal(x + y); }))
          continue;
        static_cast<TExp_Add&>(node).TExp_Add::Calculate();
        break;
      case TFlatStepKind::fsSub:
        TakeFirstOperandType(node);
        if (RealOperation(node, [](long double x, long double y) { return CheckedReal(x - y); }))
          continue;
        static_cast<TExp_Sub&>(node).TExp_Sub::Calculate();
        break;
      case TFlatStepKind::fsMul:
        TakeFirstOperandType(node);
        if (RealOperation(node, [](long double x, long double y) { return CheckedReal(x * y); }))
          continue;
        static_cast<TExp_Mul&>(node).TExp_Mul::Calculate();
        break;
      case TFlatStepKind::fsDiv:
        TakeFirstOperandType(node);
        if (RealOperation(node, RealQuotientOrZero)) continue;
        static_cast<TExp_Div&>(node).TExp_Div::Calculate();
        break;
      case TFlatStepKind::fsPower:
        TakeFirstOperandType(node);
        if (RealOperation(node, RealPower)) continue;
        static_cast<TExp_Power&>(node).TExp_Power::Calculate();
        break;
      case TFlatStepKind::fsFunction:
        TakeFirstOperandType(node);
        node.Calculate();
        break;
      case TFlatStepKind::fsOther:
        node.Evaluate(stamp);
        break;
    }
    // The step may have run code of its own (a formula variable, a format expression, a
    // function), which could have changed the slots this program follows.
    if (!Current()) [[unlikely]]
      Root.CalcError(Res("表达式在计算中被改变"));
  }
}

bool TFlatEvaluation::Rebuild(TExpression& owner, int32_t stamp) {
  Program.reset();
  if (!Enabled || ++Walks < 2) return false;
  Walks = 0;
  Program = std::make_unique<TFlatProgram>(owner);
  Program->Run(stamp);
  return true;
}

}  // namespace qnexp
