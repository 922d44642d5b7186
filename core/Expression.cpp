// The expression node: structure, evaluation protocol, copying and property enumeration.
#include "core/Expression.h"

#include <cstring>
#include <memory>

#include "runtime/Exception.h"
#include "runtime/Format.h"
#include "runtime/Gbk.h"

namespace qnexp {

const char* ExpDataTypeName(TExpDataType type) {
  static const char* const names[] = {"etInteger", "etReal",     "etBoolean", "etChar",
                                      "etString",  "etDateTime", "etAny",     "etInt64"};
  return type <= etInt64 ? names[type] : "etUnknown";
}

TExpression::~TExpression() {
  if (ShapeWatched) ++ShapeVersion;
  delete FormatExp;
  FormatExp = nullptr;
  for (int i = GetSubExpCount() - 1; i >= 0; --i) {
    delete SubExp[i];
    SubExp[i] = nullptr;
  }
}

bool TExpression::TransOverOK() {
  if (TExpression* first = GetSubExp(0)) DataType = first->DataType;
  return true;
}

int TExpression::GetSubExpCount() {
  for (int i = 2; i >= 0; --i)
    if (SubExp[i]) return i + 1;
  return 0;
}

void TExpression::SetSubExpCount(int) {}

TExpression* TExpression::GetSubExp(int index) {
  return index >= 0 && index < 3 ? SubExp[index] : nullptr;
}

void TExpression::PutSubExp(int index, TExpression* node) {
  if (ShapeWatched) ++ShapeVersion;
  if (index >= 0 && index < 3) SubExp[index] = node;
}

bool TExpression::SetSubExp(int index, TExpression* node) {
  if (!node) return false;
  PutSubExp(index, node);
  return true;
}

void TExpression::CalcError(const std::string& message) {
  throw Exception(Format(Res("表达式(%s)计算错误：%s"), {ClassName(), message}));
}

TExpression& TExpression::Arg(int index) {
  TExpression* node = GetSubExp(index);
  if (!node) CalcError(Res(kMsgTooFewArguments));
  return *node;
}

bool TExpression::IsConst() {
  int count = GetSubExpCount();
  for (int i = 0; i < count; ++i) {
    TExpression* sub = GetSubExp(i);
    if (sub && !sub->IsConst()) return false;
  }
  return true;
}

TExpression* TExpression::CopySelf() {
  // Owned until it is complete: taking the value may raise (a text read through a format
  // expression that fails), and then the copy made so far is freed.
  std::unique_ptr<TExpression> copy(static_cast<TExpression*>(ClassType().Create()));
  copy->SyncFlag = SyncFlag;
  int count = GetSubExpCount();
  for (int i = 0; i < count; ++i) {
    TExpression* sub = GetSubExp(i);
    if (!sub) break;
    copy->PutSubExp(i, sub->CopySelf());
  }
  copy->AssignFormatValue(*this);
  return copy.release();
}

void TExpression::Evaluate(int32_t stamp) {
  if (stamp == SyncFlag && stamp != kForceStamp) return;
  SyncFlag = stamp;
  int count = GetSubExpCount();
  for (int i = 0; i < count; ++i) {
    TExpression* sub = GetSubExp(i);
    if (!sub) break;
    sub->Evaluate(stamp);
  }
  if (DataType == etAny)
    if (TExpression* first = GetSubExp(0)) DataType = first->DataType;
  Calculate();
}

void TExpression::SetFormatExp(TExpression* node) {
  if (node == FormatExp) return;
  delete FormatExp;
  FormatExp = node;
}

void TExpression::SetSyncFlag(int32_t stamp) {
  SyncFlag = stamp;
  int count = GetSubExpCount();
  for (int i = 0; i < count; ++i)
    if (TExpression* sub = GetSubExp(i)) sub->SetSyncFlag(stamp);
}

void TExpression::AssignValue(TExpression& source) {
  DataType = source.DataType;
  Value.IntValue = 0;
  if (DataType == etString) {
    PutString(source.GetString());
    return;
  }
  Value.IntValue = source.Value.IntValue;
  Value.RealValue = source.Value.RealValue;
  // The text member is copied too, but two empty texts need no work: numbers stay cheap.
  if (!Value.StrValue.empty() || !source.Value.StrValue.empty())
    Value.StrValue = source.Value.StrValue;
}

void TExpression::AssignFormatValue(TExpression& source) {
  AssignValue(source);
  if (!FormatExp && source.FormatExp) FormatExp = source.FormatExp->CopySelf();
}

double TExpression::DateTimeSlot() const {
  double d;
  std::memcpy(&d, &Value.RealValue, sizeof d);
  return d;
}

void TExpression::SetDateTimeSlot(double d) { std::memcpy(&Value.RealValue, &d, sizeof d); }

int64_t TExpression::Int64Slot() const {
  int64_t v;
  std::memcpy(&v, &Value.RealValue, sizeof v);
  return v;
}

void TExpression::SetInt64Slot(int64_t v) { std::memcpy(&Value.RealValue, &v, sizeof v); }

namespace {

// Reports one owned node through a temporary, so that the callback always sees a TObject*
// slot. When loading, a node read into the temporary is adopted; anything else read there is
// not a node and is dropped.
bool EnumNodeRef(TExpression*& ref, const std::string& name, const TPropProcessor& callback,
                 uint16_t purpose, void* param) {
  TObject* temp = purpose == epLoad ? nullptr : ref;
  bool goOn = callback(&temp, name, ptObject, temp != nullptr, 0, param);
  if (purpose == epLoad && temp) {
    if (TExpression* node = ObjectAs<TExpression>(temp)) {
      if (ref != node) delete ref;
      ref = node;
    } else {
      delete temp;
    }
  }
  return goOn;
}

}  // namespace

bool TExpression::EnumrateProperties(const TPropProcessor& callback, uint16_t purpose,
                                     void* param) {
  if (!TBaseObject::EnumrateProperties(callback, purpose, param)) return false;
  if (!callback(&DataType, "DataType", ptByte, true, 0, param)) return false;

  bool goOn;
  switch (DataType) {
    case etString:
      goOn = callback(&Value.StrValue, "Value", ptString, !Value.StrValue.empty(), 0, param);
      break;
    case etReal:
      goOn = callback(&Value.RealValue, "Value", ptExtended, true, 0, param);
      break;
    case etDateTime:
      goOn = callback(&Value.RealValue, "Value", ptDateTime, true, 0, param);
      break;
    case etInt64:
      goOn = callback(&Value.RealValue, "Value", ptComp, true, 0, param);
      break;
    default:
      goOn = callback(&Value.IntValue, "Value", ptInteger, true, 0, param);
      break;
  }
  if (!goOn) return false;

  if (!EnumNodeRef(FormatExp, "FormatExp", callback, purpose, param)) return false;

  int count = purpose == epLoad ? MaxSubExpCount() : GetSubExpCount();
  for (int i = 0; i < count; ++i) {
    TObject* temp = purpose == epLoad ? nullptr : GetSubExp(i);
    bool more =
        callback(&temp, "SubExp" + std::to_string(i), ptObject, temp != nullptr, 0, param);
    if (purpose == epLoad && temp) {
      if (TExpression* node = ObjectAs<TExpression>(temp)) {
        TExpression* old = GetSubExp(i);
        if (old != node) delete old;
        PutSubExp(i, node);
      } else {
        delete temp;
      }
    }
    if (!more) return false;
  }
  return true;
}

}  // namespace qnexp
