// Laying out and running flattened evaluations.
#include "functions/FlatEvaluation.h"

#include "core/Variables.h"
#include "functions/Arithmetic.h"
#include "functions/ArithmeticRules.h"
#include "functions/ExtendedTrig.h"
#include "functions/Math.h"
#include "runtime/Gbk.h"

namespace qnexp {

namespace {

// How a node of each class is laid out, looked up by class.
enum class TLayout : uint8_t { lyOther, lyConstant, lyReference, lyOperator, lyFunction };

struct TClassLayout {
  const TClassInfo* Class;
  TLayout Layout;
  TFlatStepKind Kind;  // the calculation step of an operator or function
};

// The classes with a layout of their own. Functions listed keep the plain protocol (all
// arguments, then Calculate), so their steps are laid out like an operator's.
const TClassLayout* FindLayout(const TClassInfo* cls) {
  static const TClassLayout kLayouts[] = {
      {&TExpression::StaticClass(), TLayout::lyConstant, TFlatStepKind::fsConstant},
      {&TExp_VarRef::StaticClass(), TLayout::lyReference, TFlatStepKind::fsReference},
      {&TExp_Add::StaticClass(), TLayout::lyOperator, TFlatStepKind::fsAdd},
      {&TExp_Sub::StaticClass(), TLayout::lyOperator, TFlatStepKind::fsSub},
      {&TExp_Mul::StaticClass(), TLayout::lyOperator, TFlatStepKind::fsMul},
      {&TExp_Div::StaticClass(), TLayout::lyOperator, TFlatStepKind::fsDiv},
      {&TExp_Power::StaticClass(), TLayout::lyOperator, TFlatStepKind::fsPower},
      {&TExp_Sin::StaticClass(), TLayout::lyFunction, TFlatStepKind::fsSin},
      {&TExp_Cos::StaticClass(), TLayout::lyFunction, TFlatStepKind::fsCos},
      {&TExp_ArcTan::StaticClass(), TLayout::lyFunction, TFlatStepKind::fsFunction},
      {&TExp_Ln::StaticClass(), TLayout::lyFunction, TFlatStepKind::fsFunction},
      {&TExp_Sqr::StaticClass(), TLayout::lyFunction, TFlatStepKind::fsFunction},
      {&TExp_Sqrt::StaticClass(), TLayout::lyFunction, TFlatStepKind::fsFunction},
      {&TExp_Frac::StaticClass(), TLayout::lyFunction, TFlatStepKind::fsFunction},
      {&TExp_Int::StaticClass(), TLayout::lyFunction, TFlatStepKind::fsFunction},
      {&TExp_Pi::StaticClass(), TLayout::lyFunction, TFlatStepKind::fsFunction},
      {&TExp_Round::StaticClass(), TLayout::lyFunction, TFlatStepKind::fsFunction},
      {&TExp_Trunc::StaticClass(), TLayout::lyFunction, TFlatStepKind::fsFunction},
      {&TExp_Neg::StaticClass(), TLayout::lyFunction, TFlatStepKind::fsFunction},
      {&TExp_Abs::StaticClass(), TLayout::lyFunction, TFlatStepKind::fsFunction},
  };
  for (const TClassLayout& layout : kLayouts)
    if (layout.Class == cls) return &layout;
  return nullptr;
}

// The flattened form of an operator of layout lyOperator.
TFlatEvaluation& FlatFormOf(TExpression& node, const TClassLayout& layout) {
  if (layout.Kind == TFlatStepKind::fsAdd) return static_cast<TExp_Add&>(node).FlatForm();
  return static_cast<TExp_MathCalc&>(node).FlatForm();
}

TLayout LayoutOf(const TExpression& node) {
  const TClassLayout* layout = FindLayout(&node.ClassType());
  return layout ? layout->Layout : TLayout::lyOther;
}

// What the protocol does between the operands and the calculation.
inline void TakeFirstOperandType(TExpression& node) {
  if (node.DataType == etAny)
    if (TExpression* first = node.GetSubExp(0)) node.DataType = first->DataType;
}

// The last value an operator step computed and stored, kept in a register: an operator
// reading that node takes it from there rather than through an 80-bit store and reload.
struct TLastValue {
  const TExpression* Node = nullptr;
  long double Value = 0;
  long double Of(TExpression& node) const {
    if (&node == Node) return Value;
    // An integer operand (the exponent of a square) is converted here, without a call.
    if (node.DataType == etInteger) return node.Value.IntValue;
    return node.GetReal();
  }
};

// The real case of an operator over two operands, as its Calculate computes it; false when the
// node is of another type or misses an operand, for Calculate itself to handle.
template <class Rule>
inline bool RealOperation(TExpression& node, TLastValue& last, Rule rule) {
  TExpression* left = node.BaseSlot(0);
  TExpression* right = node.BaseSlot(1);
  if (node.DataType != etReal || !left || !right) [[unlikely]]
    return false;
  long double result = rule(last.Of(*left), last.Of(*right));
  node.Value.RealValue = result;
  last.Node = &node;
  last.Value = result;
  return true;
}

}  // namespace

TFlatProgram::TFlatProgram(TExpression& root) : Root(root) {
  Lay(root, true);
  Shape = TExpression::ShapeVersion;
}

bool TFlatProgram::Relay() {
  StepList.clear();
  if (!Lay(Root, false)) return false;
  Shape = TExpression::ShapeVersion;
  return true;
}

bool TFlatProgram::Lay(TExpression& node, bool mayGrow) {
  // Laid again during an evaluation, the steps must fit the room they have.
  if (!mayGrow && StepList.size() + 2 > StepList.capacity()) return false;
  const TClassLayout* layout = FindLayout(&node.ClassType());
  TLayout kind = layout ? layout->Layout : TLayout::lyOther;
  if (kind == TLayout::lyConstant && node.GetSubExpCount() != 0) kind = TLayout::lyOther;
  switch (kind) {
    case TLayout::lyOther:
      StepList.push_back({TFlatStepKind::fsOther, 0, &node});
      return true;
    case TLayout::lyConstant:
      node.ShapeWatched = true;
      StepList.push_back({TFlatStepKind::fsConstant, 0, &node});
      return true;
    case TLayout::lyReference:
      StepList.push_back({TFlatStepKind::fsReference, 0, &node});
      return true;
    default:
      break;
  }
  // An operator or a function: its stamp, its operands in slot order up to the first empty
  // slot, its calculation.
  bool function = kind == TLayout::lyFunction;
  // An operator laid out here is evaluated by this program: it needs none of its own.
  if (!function) FlatFormOf(node, *layout).DropPending();
  node.ShapeWatched = true;
  size_t enter = StepList.size();
  StepList.push_back({TFlatStepKind::fsEnter, 0, &node});
  int count = function ? node.GetSubExpCount() : 3;
  for (int i = 0; i < count; ++i) {
    TExpression* operand = function ? node.GetSubExp(i) : node.BaseSlot(i);
    if (!operand) break;
    if (!Lay(*operand, mayGrow)) return false;
  }
  TFlatStepKind calculation = layout->Kind;
  // Sine and cosine read their argument from the step before, which must be there.
  bool oneArgument = node.GetSubExpCount() == 1 && node.GetSubExp(0);
  if ((calculation == TFlatStepKind::fsSin || calculation == TFlatStepKind::fsCos) && !oneArgument)
    calculation = TFlatStepKind::fsFunction;
  StepList.push_back({calculation, 0, &node});
  StepList[enter].SkipTo = static_cast<uint32_t>(StepList.size());
  return true;
}

void TFlatProgram::Run(int32_t stamp) {
  const TFlatStep* const first = StepList.data();
  const TFlatStep* const end = first + StepList.size();
  TLastValue last;
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
        // A plain copy changes no other node and no slot: nothing to check after it.
        if (static_cast<TExp_VarRef&>(node).EvaluateReference(stamp)) continue;
        break;
      case TFlatStepKind::fsAdd:
        TakeFirstOperandType(node);
        if (RealOperation(node, last, [](long double x, long double y) { return CheckedReal(x + y); }))
          continue;
        static_cast<TExp_Add&>(node).TExp_Add::Calculate();
        break;
      case TFlatStepKind::fsSub:
        TakeFirstOperandType(node);
        if (RealOperation(node, last, [](long double x, long double y) { return CheckedReal(x - y); }))
          continue;
        static_cast<TExp_Sub&>(node).TExp_Sub::Calculate();
        break;
      case TFlatStepKind::fsMul:
        TakeFirstOperandType(node);
        if (RealOperation(node, last, [](long double x, long double y) { return CheckedReal(x * y); }))
          continue;
        static_cast<TExp_Mul&>(node).TExp_Mul::Calculate();
        break;
      case TFlatStepKind::fsDiv:
        TakeFirstOperandType(node);
        if (RealOperation(node, last, RealQuotientOrZero)) continue;
        static_cast<TExp_Div&>(node).TExp_Div::Calculate();
        break;
      case TFlatStepKind::fsPower:
        TakeFirstOperandType(node);
        if (RealOperation(node, last, [&](long double x, long double y) {
              return PowerOf(x, *node.BaseSlot(1), y);
            }))
          continue;
        static_cast<TExp_Power&>(node).TExp_Power::Calculate();
        break;
      case TFlatStepKind::fsSin:
      case TFlatStepKind::fsCos:
        TakeFirstOperandType(node);
        // As their Calculate, with the argument (the node of the step before) and the result
        // kept in a register.
        if (node.DataType == etReal) {
          long double x = last.Of(*(step - 1)->Node);
          long double result =
              CheckedReal(step->Kind == TFlatStepKind::fsSin ? ExtendedSin(x) : ExtendedCos(x));
          node.Value.RealValue = result;
          last.Node = &node;
          last.Value = result;
          continue;
        }
        node.Calculate();
        break;
      case TFlatStepKind::fsFunction:
        TakeFirstOperandType(node);
        node.Calculate();
        break;
      case TFlatStepKind::fsOther:
        node.Evaluate(stamp);
        break;
      default:
        __builtin_unreachable();
    }
    // Any other step may have changed values: the kept one is read again from its node.
    last.Node = nullptr;
    // The step may have run code of its own (a formula variable, a format expression, a
    // function), which could have changed the slots this program follows.
    if (!Current()) [[unlikely]]
      Root.CalcError(Res("表达式在计算中被改变"));
  }
}

namespace {

TFlatEvaluation* FlatFormOf(TExpression& node) {
  const TClassLayout* layout = FindLayout(&node.ClassType());
  if (!layout || layout->Layout != TLayout::lyOperator) return nullptr;
  return &FlatFormOf(node, *layout);
}

// A program pays for itself over several calculations: an operator over two leaves walks.
bool WorthFlattening(TExpression& op) {
  for (int i = 0; i < 3; ++i) {
    TExpression* operand = op.BaseSlot(i);
    if (!operand) break;
    TLayout layout = LayoutOf(*operand);
    if (layout == TLayout::lyOperator || layout == TLayout::lyFunction) return true;
  }
  return false;
}

void PrepareBelow(TExpression& node) {
  for (int i = 0; i < node.GetSubExpCount(); ++i)
    if (TExpression* sub = node.GetSubExp(i)) PrepareFlatEvaluation(*sub);
}

}  // namespace

void PrepareFlatEvaluation(TExpression& root) {
  TFlatEvaluation* flat = FlatFormOf(root);
  if (!flat || !WorthFlattening(root)) {
    PrepareBelow(root);
    return;
  }
  // The nodes the program hands to their own evaluation may hold arithmetic subtrees too.
  for (const TFlatStep& step : flat->Prepare(root).Steps())
    if (step.Kind == TFlatStepKind::fsOther) PrepareBelow(*step.Node);
}

bool TFlatEvaluation::MakeProgram(TExpression& owner) {
  Pending = false;
  if (!WorthFlattening(owner)) return false;
  Prepare(owner);
  return true;
}

void MarkForFlatEvaluation(TExpression& node) {
  const TClassInfo* cls = &node.ClassType();
  if (cls == &TExp_Add::StaticClass())
    static_cast<TExp_Add&>(node).FlatForm().MarkPending();
  else if (cls == &TExp_Sub::StaticClass() || cls == &TExp_Mul::StaticClass() ||
           cls == &TExp_Div::StaticClass() || cls == &TExp_Power::StaticClass())
    static_cast<TExp_MathCalc&>(node).FlatForm().MarkPending();
}

}  // namespace qnexp
