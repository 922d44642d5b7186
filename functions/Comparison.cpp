// The comparison, containment and logical operators and the functions Not, Odd, Like and
// LikeAny, ending with the family's registration tables.
#include "functions/Comparison.h"

#include <cmath>
#include <cstring>
#include <memory>

#include "runtime/Gbk.h"
#include "support/StrFuncs.h"
#include "support/Wildcard.h"

namespace qnexp {

namespace {

enum TCompareKind { ckInteger, ckReal, ckText };

TCompareKind CompareKindOf(TExpDataType left) {
  switch (left) {
    case etInteger:
    case etChar:
      return ckInteger;
    case etReal:
    case etDateTime:
      return ckReal;
    default:
      return ckText;
  }
}

// Orders left against right by the left operand's type: -1, 0 or 1. Reals that cannot be
// ordered (NaN) report 2, which is neither greater nor equal.
int CompareOperands(TExpression& left, TExpression& right) {
  switch (CompareKindOf(left.DataType)) {
    case ckInteger: {
      int32_t a = left.GetInteger();
      int32_t b = right.GetInteger();
      return a < b ? -1 : (a > b ? 1 : 0);
    }
    case ckReal: {
      long double a = left.GetReal();
      long double b = right.GetReal();
      if (a < b) return -1;
      if (a > b) return 1;
      return a == b ? 0 : 2;
    }
    default: {
      int order = CompareBytes(left.GetString(), right.GetString());
      return order < 0 ? -1 : (order > 0 ? 1 : 0);
    }
  }
}

}  // namespace

bool TExp_Boolean::TransOverOK() {
  DataType = etBoolean;
  return true;
}

// --- = <> ------------------------------------------------------------------------------------

bool TExp_Equ::Equal() {
  TExpression& left = Arg(0);
  TExpression& right = Arg(1);
  switch (CompareKindOf(left.DataType)) {
    case ckInteger:
      return left.GetInteger() == right.GetInteger();
    case ckReal:
      // Reals that went through different conversions may differ in their last bits.
      return std::fabs(left.GetReal() - right.GetReal()) <= 1E-19L;
    default:
      return left.GetString() == right.GetString();
  }
}

void TExp_Equ::Calculate() { PutBoolean(Equal()); }

void TExp_NotEqu::Calculate() { PutBoolean(!Equal()); }

// --- > >= < <= -------------------------------------------------------------------------------

bool TExp_Great::Greater() { return CompareOperands(Arg(0), Arg(1)) == 1; }

void TExp_Great::Calculate() { PutBoolean(Greater()); }

void TExp_LorE::Calculate() { PutBoolean(!Greater()); }

bool TExp_GorE::GreaterOrEqual() {
  int order = CompareOperands(Arg(0), Arg(1));
  return order == 0 || order == 1;
}

void TExp_GorE::Calculate() { PutBoolean(GreaterOrEqual()); }

void TExp_Less::Calculate() { PutBoolean(!GreaterOrEqual()); }

// --- $ ---------------------------------------------------------------------------------------

void TExp_In::Calculate() {
  std::string part = Arg(0).GetString();
  std::string whole = Arg(1).GetString();
  PutBoolean(!part.empty() && FindText(whole, part) > 0);
}

// --- & | -------------------------------------------------------------------------------------

namespace {

// & and | share their evaluation: a boolean node decides without its right operand when the
// left one has the deciding value (false for &, true for |); other types combine bitwise.
void EvaluateLogic(TExpression& self, int32_t stamp, bool deciding,
                   int32_t (*bitwise)(int32_t, int32_t)) {
  if (stamp == self.SyncFlag && stamp != kForceStamp) return;
  self.SyncFlag = stamp;
  TExpression& left = self.Arg(0);
  left.Evaluate(stamp);
  if (self.DataType == etAny) self.DataType = left.DataType;
  if (self.DataType == etBoolean && left.GetBoolean() == deciding) {
    self.PutBoolean(deciding);
    return;
  }
  TExpression& right = self.Arg(1);
  right.Evaluate(stamp);
  if (self.DataType != etBoolean)
    self.PutInteger(bitwise(left.GetInteger(), right.GetInteger()));
  else
    self.PutBoolean(right.GetBoolean());
}

}  // namespace

void TExp_And::Evaluate(int32_t stamp) {
  EvaluateLogic(*this, stamp, false, [](int32_t a, int32_t b) { return a & b; });
}

void TExp_Or::Evaluate(int32_t stamp) {
  EvaluateLogic(*this, stamp, true, [](int32_t a, int32_t b) { return a | b; });
}

// --- Not, Odd --------------------------------------------------------------------------------

bool TExp_Not::TransOverOK() {
  if (TExpression* argument = GetSubExp(0)) DataType = argument->DataType;
  return true;
}

void TExp_Not::Calculate() {
  TExpression& x = Arg(0);
  if (DataType == etBoolean)
    PutBoolean(!x.GetBoolean());
  else
    PutInteger(~x.GetInteger());
}

bool TExp_Odd::TransOverOK() {
  DataType = etBoolean;
  return true;
}

void TExp_Odd::Calculate() { PutBoolean((Arg(0).GetInteger() & 1) != 0); }

// --- Like, LikeAny ---------------------------------------------------------------------------

bool TExp_Like::TransOverOK() {
  DataType = etBoolean;
  return true;
}

void TExp_Like::Calculate() {
  std::string text = Arg(0).GetString();
  std::string pattern = Arg(1).GetString();
  TExpression* caseSwitch = GetSubExp(2);
  PutBoolean(Like(text, pattern, caseSwitch ? caseSwitch->GetBoolean() : true));
}

TExp_LikeAny::~TExp_LikeAny() {
  // The base destructor only knows the three fixed slots; the list is ours to free.
  for (TExpression* argument : Arguments) delete argument;
  Arguments.clear();
}

int TExp_LikeAny::GetSubExpCount() {
  if (!Arguments.empty()) return 1 + static_cast<int>(Arguments.size());
  return SubExp[0] ? 1 : 0;
}

TExpression* TExp_LikeAny::GetSubExp(int index) {
  if (index == 0) return SubExp[0];
  if (index < 1 || index > static_cast<int>(Arguments.size())) return nullptr;
  return Arguments[index - 1];
}

void TExp_LikeAny::PutSubExp(int index, TExpression* node) {
  if (index == 0) {
    SubExp[0] = node;
    return;
  }
  if (index < 1 || index >= ParamCapacity()) return;
  size_t position = static_cast<size_t>(index - 1);
  if (position >= Arguments.size()) {
    if (!node) return;
    Arguments.resize(position + 1, nullptr);
  }
  Arguments[position] = node;
  // The last entry always holds an argument, so the count stays "one past the last one".
  while (!Arguments.empty() && !Arguments.back()) Arguments.pop_back();
}

TExpression* TExp_LikeAny::CopySelf() {
  std::unique_ptr<TExpression> copy(static_cast<TExpression*>(ClassType().Create()));
  copy->SyncFlag = SyncFlag;
  int count = GetSubExpCount();
  for (int i = 0; i < count; ++i) {
    TExpression* argument = GetSubExp(i);
    if (!argument) continue;
    std::unique_ptr<TExpression> part(argument->CopySelf());
    copy->PutSubExp(i, part.get());
    if (copy->GetSubExp(i) == part.get()) part.release();
  }
  copy->AssignFormatValue(*this);
  return copy.release();
}

void TExp_LikeAny::Evaluate(int32_t stamp) {
  if (stamp == SyncFlag && stamp != kForceStamp) return;
  SyncFlag = stamp;
  TExpression& textArgument = Arg(0);
  textArgument.Evaluate(stamp);
  std::string text = textArgument.GetString();

  bool caseSensitive = true;
  size_t patternCount = Arguments.size();
  if (!Arguments.empty()) {
    TExpression* last = Arguments.back();
    last->Evaluate(stamp);
    if (last->DataType == etBoolean) {
      caseSensitive = last->GetBoolean();
      --patternCount;
    }
  }

  bool matched = false;
  for (size_t i = 0; i < patternCount && !matched; ++i) {
    TExpression* pattern = Arguments[i];
    if (!pattern) continue;
    // The last argument was evaluated above; a forced pass must not run it a second time.
    if (i + 1 != Arguments.size()) pattern->Evaluate(stamp);
    matched = Like(text, pattern->GetString(), caseSensitive);
  }
  PutBoolean(matched);
}

// --- Registration ----------------------------------------------------------------------------

std::span<const TClassInfo* const> ComparisonClasses() {
  // The named functions in registration order, then the classes that are only nodes.
  return ClassTable<TExp_Not, TExp_Odd, TExp_Like, TExp_LikeAny, TExp_Boolean, TExp_Equ,
      TExp_NotEqu, TExp_Great, TExp_GorE, TExp_Less, TExp_LorE, TExp_In, TExp_And, TExp_Or>();
}

}  // namespace qnexp
