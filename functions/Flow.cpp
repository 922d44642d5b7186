// The conditional and flow functions and the non-owning reference node, ending with the
// family's registration tables.
#include "functions/Flow.h"

#include <cmath>
#include <memory>
#include <string>

#include "core/Abort.h"
#include "core/CustomFunction.h"
#include "core/EntryPoints.h"
#include "core/FunctionList.h"
#include "core/Translator.h"
#include "runtime/Exception.h"
#include "runtime/Format.h"
#include "runtime/Gbk.h"
#include "support/StoredStrList.h"

namespace qnexp {

namespace {

// The expression of item index of a list, or null for an empty item.
TExpression* ItemExp(const TStoredStrList& list, int index) {
  return ObjectAs<TExpression>(list.GetObj(index));
}

// Stores node at position of list: appends (padding with empty items) or overwrites.
void PlaceItem(TStoredStrList& list, int position, TExpression* node, const std::string& key) {
  while (list.GetCount() < position) list.AddObject(key, nullptr);
  if (position == list.GetCount())
    list.AddObject(key, node);
  else
    list.SetObj(position, node);
}

// An item-by-item copy of source, each expression copied deeply.
void CopyItems(const TStoredStrList& source, TStoredStrList& target) {
  for (int i = 0; i < source.GetCount(); ++i) {
    TExpression* item = ItemExp(source, i);
    std::unique_ptr<TExpression> copy(item ? item->CopySelf() : nullptr);
    target.AddObject(source.GetString(i), copy.get());
    copy.release();
  }
}


}  // namespace

// --- Iif -------------------------------------------------------------------------------------

bool TExp_Iif::TransOverOK() {
  DataType = etAny;
  return true;
}

void TExp_Iif::Evaluate(int32_t stamp) {
  if (!TakeStamp(*this, stamp)) return;
  TExpression& condition = Arg(0);
  condition.Evaluate(stamp);
  TExpression* chosen = condition.GetBoolean() ? &Arg(1) : GetSubExp(2);
  if (!chosen) return;
  chosen->Evaluate(stamp);
  AssignFormatValue(*chosen);
}

// --- Case, Decode ----------------------------------------------------------------------------

TExp_Case::TExp_Case() {
  FixedCount = 2;
  OptionalCount = 9999;
}

TExp_Case::~TExp_Case() {
  delete Conditions;
  Conditions = nullptr;
  delete Results;
  Results = nullptr;
}

TStoredStrList& TExp_Case::CondExps() {
  if (!Conditions) Conditions = new TStoredStrList;
  return *Conditions;
}

TStoredStrList& TExp_Case::ResultExps() {
  if (!Results) Results = new TStoredStrList;
  return *Results;
}

bool TExp_Case::SetSubExp(int index, TExpression* node) {
  if (!node || index < 0 || index >= ParamCapacity()) return false;
  int position = index / 2;
  std::string key = Format("%s_%d", {GetObjCaption(), position});
  PlaceItem(index % 2 == 0 ? CondExps() : ResultExps(), position, node, key);
  return true;
}

bool TExp_Case::TransOverOK() {
  TStoredStrList& conditions = CondExps();
  TStoredStrList& results = ResultExps();
  if (results.GetCount() == 0 || conditions.GetCount() < results.GetCount()) return false;
  TExpression* first = ItemExp(results, 0);
  if (!first) return false;
  DataType = first->DataType;
  if (conditions.GetCount() == results.GetCount() + 1 && !GetSubExp(0)) {
    int last = conditions.GetCount() - 1;
    PutSubExp(0, ItemExp(conditions, last));
    conditions.SetObj(last, nullptr);
    conditions.Delete(last);
  }
  return true;
}

int TExp_Case::GetSubExpCount() { return TExpression::GetSubExpCount(); }

TExpression* TExp_Case::CopySelf() {
  std::unique_ptr<TExpression> made(static_cast<TExpression*>(ClassType().Create()));
  auto* copy = static_cast<TExp_Case*>(made.get());
  copy->SyncFlag = SyncFlag;
  for (int i = 0; i < 2; ++i)
    if (TExpression* slot = GetSubExp(i)) copy->PutSubExp(i, slot->CopySelf());
  CopyItems(CondExps(), copy->CondExps());
  CopyItems(ResultExps(), copy->ResultExps());
  copy->AssignFormatValue(*this);
  return made.release();
}

TExpression* TExp_Case::ResultExp() {
  TStoredStrList& conditions = CondExps();
  TStoredStrList& results = ResultExps();
  for (int i = 0; i < conditions.GetCount() && i < results.GetCount(); ++i) {
    TExpression* condition = ItemExp(conditions, i);
    if (!condition) continue;
    condition->Evaluate(SyncFlag);
    if (condition->GetBoolean()) return ItemExp(results, i);
  }
  return nullptr;
}

void TExp_Case::Evaluate(int32_t stamp) {
  if (!TakeStamp(*this, stamp)) return;
  TExpression* chosen = ResultExp();
  if (!chosen) chosen = GetSubExp(0);
  if (!chosen) throw Exception(Res("函数没有匹配的返回值"));
  chosen->Evaluate(stamp);
  AssignFormatValue(*chosen);
}

bool TExp_Case::EnumrateProperties(const TPropProcessor& callback, uint16_t purpose,
                                   void* param) {
  if (!TFunction::EnumrateProperties(callback, purpose, param)) return false;
  if (!EnumOwnedList(Conditions, "CondExps", callback, purpose, param)) return false;
  return EnumOwnedList(Results, "ResultExps", callback, purpose, param);
}

bool TExp_Decode::SetSubExp(int index, TExpression* node) {
  if (!node || index < 0) return false;
  if (index > 0) return TExp_Case::SetSubExp(index - 1, node);
  PutSubExp(1, node);
  return true;
}

bool TExp_Decode::TransOverOK() {
  if (!GetSubExp(1)) return false;
  return TExp_Case::TransOverOK();
}

TExpression* TExp_Decode::ResultExp() {
  TExpression& selector = Arg(1);
  selector.Evaluate(SyncFlag);
  std::string text = selector.GetString();
  TStoredStrList& values = CondExps();
  TStoredStrList& results = ResultExps();
  for (int i = 0; i < values.GetCount() && i < results.GetCount(); ++i) {
    TExpression* value = ItemExp(values, i);
    if (!value) continue;
    value->Evaluate(SyncFlag);
    if (value->GetString() == text) return ItemExp(results, i);
  }
  return nullptr;
}

// --- Zero, Void, UnDefFunc, Do ---------------------------------------------------------------

TExp_Zero::~TExp_Zero() {
  // The base destructor only knows the three fixed slots; the list is ours to free.
  for (size_t i = Arguments.size(); i-- > 0;) delete Arguments[i];
  Arguments.clear();
}

int TExp_Zero::GetSubExpCount() { return static_cast<int>(Arguments.size()); }

TExpression* TExp_Zero::GetSubExp(int index) {
  if (index < 0 || index >= static_cast<int>(Arguments.size())) return nullptr;
  return Arguments[static_cast<size_t>(index)];
}

void TExp_Zero::PutSubExp(int index, TExpression* node) {
  if (index < 0 || index > static_cast<int>(Arguments.size())) return;
  size_t position = static_cast<size_t>(index);
  if (position == Arguments.size()) {
    if (node) Arguments.push_back(node);
    return;
  }
  Arguments[position] = node;
  // The last entry always holds an argument, so the count stays "one past the last one".
  while (!Arguments.empty() && !Arguments.back()) Arguments.pop_back();
}

bool TExp_Zero::SetSubExp(int index, TExpression* node) {
  if (!node || index < 0 || index > static_cast<int>(Arguments.size())) return false;
  PutSubExp(index, node);
  return true;
}

int TExp_Zero::MaxSubExpCount() {
  return Arguments.size() < 2147483647u ? static_cast<int>(Arguments.size()) + 1 : 2147483647;
}

TExpression* TExp_Zero::CopySelf() {
  std::unique_ptr<TExpression> made(static_cast<TExpression*>(ClassType().Create()));
  auto* copy = static_cast<TExp_Zero*>(made.get());
  copy->SyncFlag = SyncFlag;
  copy->Arguments.reserve(Arguments.size());
  // Gaps stay gaps, so every argument keeps its position.
  for (TExpression* argument : Arguments)
    copy->Arguments.push_back(argument ? argument->CopySelf() : nullptr);
  copy->AssignFormatValue(*this);
  return made.release();
}

void TExp_Zero::EvaluateArguments(int32_t stamp) {
  // Indexed, not iterated: an argument may not change the list, but a stale iterator must
  // never be read if one does.
  for (size_t i = 0; i < Arguments.size(); ++i)
    if (TExpression* argument = Arguments[i]) argument->Evaluate(stamp);
}

void TExp_Zero::Evaluate(int32_t stamp) {
  if (!TakeStamp(*this, stamp)) return;
  EvaluateArguments(stamp);
  Calculate();
}

bool TExp_Void::TransOverOK() {
  DataType = etString;
  return true;
}

void TExp_UnDefFunc::Calculate() {
  if (!ExpTranslator || !ExpTranslator->Functions) return;
  int count = GetSubExpCount();
  for (int i = 0; i < count; ++i)
    if (TExpression* name = GetSubExp(i)) ExpTranslator->Functions->DelFunction(name->GetString());
  CollectCustomFunctions();
}

bool TExp_Do::TransOverOK() {
  DataType = etBoolean;
  return true;
}

void TExp_Do::Evaluate(int32_t stamp) {
  if (!TakeStamp(*this, stamp)) return;
  PutBoolean(false);
  EvaluateArguments(stamp);
  Calculate();
  PutBoolean(true);
}

// --- Loop ------------------------------------------------------------------------------------

namespace {

// The stamp after stamp, wrapping around without overflow.
int32_t NextStamp(int32_t stamp) {
  return static_cast<int32_t>(static_cast<uint32_t>(stamp) + 1u);
}

}  // namespace

void TExp_Loop::Evaluate(int32_t stamp) {
  if (!TakeStamp(*this, stamp)) return;
  TExpression& init = Arg(0);
  TExpression& body = Arg(1);
  TExpression& until = Arg(2);
  init.Evaluate(stamp);
  int32_t round = NextStamp(until.SyncFlag);
  until.Evaluate(round);
  while (!until.GetBoolean()) {
    CheckAbort();
    round = NextStamp(round);
    body.Evaluate(round);
    until.Evaluate(round);
  }
}

// --- Accumulator, PriorValue, Order ----------------------------------------------------------

bool TExp_Accumulator::TransOverOK() {
  if (TExpression* x = GetSubExp(0)) DataType = x->DataType;
  return true;
}

TExpression* TExp_Accumulator::CopySelf() {
  auto* copy = static_cast<TExp_Accumulator*>(TFunction::CopySelf());
  copy->Started = Started;
  return copy;
}

void TExp_Accumulator::Evaluate(int32_t stamp) {
  if (!TakeStamp(*this, stamp)) return;
  TExpression& x = Arg(0);
  x.Evaluate(stamp);
  TExpression* reset = GetSubExp(2);
  if (reset) reset->Evaluate(stamp);
  // The type is settled before the start value is stored: a node still of type etAny would
  // drop the start value.
  if (DataType == etAny) DataType = x.DataType;
  if (!Started || (reset && reset->GetBoolean())) {
    if (TExpression* start = GetSubExp(1)) {
      start->Evaluate(stamp);
      if (DataType == etReal)
        PutReal(start->GetReal());
      else
        PutInteger(start->GetInteger());
    } else {
      PutInteger(0);
    }
    Started = true;
  }
  Calculate();
}

void TExp_Accumulator::Calculate() {
  TExpression& x = Arg(0);
  if (DataType == etReal) {
    long double augend = GetReal();
    long double addend = x.GetReal();
    long double sum = augend + addend;
    if (std::isnan(sum)) throw EInvalidOp(Msg::InvalidOp);
    if (std::isinf(sum)) throw EOverflow(Msg::Overflow);
    PutReal(sum);
    return;
  }
  uint32_t sum = static_cast<uint32_t>(GetInteger()) + static_cast<uint32_t>(x.GetInteger());
  PutInteger(static_cast<int32_t>(sum));
}

void TExp_PriorValue::Evaluate(int32_t stamp) {
  if (stamp == SyncFlag && stamp != kForceStamp) return;
  AssignFormatValue(Arg(0));
  TFunction::Evaluate(stamp);
}

void TExp_Order::Calculate() {
  PutInteger(static_cast<int32_t>(static_cast<uint32_t>(GetInteger()) + 1u));
}

// --- Ref -------------------------------------------------------------------------------------

TExp_Ref::~TExp_Ref() {
  // The target is not ours: the base destructor must not find it.
  SubExp[0] = nullptr;
}

void TExp_Ref::Calculate() {
  if (TExpression* target = Target()) AssignFormatValue(*target);
}

bool TExp_Ref::IsConst() {
  TExpression* target = Target();
  return !target || target->IsConst();
}

TExpression* TExp_Ref::CopySelf() {
  auto* copy = new TExp_Ref(Target());
  copy->SyncFlag = SyncFlag;
  copy->AssignFormatValue(*this);
  return copy;
}

bool TExp_Ref::EnumrateProperties(const TPropProcessor& callback, uint16_t purpose,
                                  void* param) {
  // The common enumeration, with the sub-expression properties kept from the callback.
  TPropProcessor filtered = [&callback](void* prop, const std::string& name, TPropType type,
                                        bool hasData, intptr_t extra, void* p) {
    if (name.rfind("SubExp", 0) == 0) return true;
    return callback(prop, name, type, hasData, extra, p);
  };
  return TExpression::EnumrateProperties(filtered, purpose, param);
}

// --- Registration ----------------------------------------------------------------------------

std::span<const TClassInfo* const> FlowClasses() {
  // The named functions in registration order, then the classes that are only nodes.
  return ClassTable<TExp_Order, TExp_Iif, TExp_Case, TExp_Decode, TExp_Accumulator,
      TExp_PriorValue, TExp_Zero, TExp_Void, TExp_Loop, TExp_Do, TExp_UnDefFunc, TExp_Ref>();
}

}  // namespace qnexp
