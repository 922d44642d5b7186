// The database functions that read, move through and search datasets: the handle bases,
// record numbers and ends, field values and descriptions, tree walks, Locate, DB_Count and
// DB_RecNoBy.
#include <memory>
#include <set>

#include "dbfunctions/DBFunctions.h"
#include "core/Sandbox.h"
#include "runtime/DataSet.h"
#include "runtime/Format.h"
#include "runtime/Gbk.h"
#include "runtime/Handles.h"
#include "runtime/Variant.h"
#include "support/StoredStrList.h"

namespace qnexp {

namespace {

int32_t HandleArg(TExpression& self, int index) {
  TExpression* node = self.GetSubExp(index);
  return node ? node->GetInteger() : 0;
}

bool Editing(const TDataSet& dataSet) {
  TDataSetState state = dataSet.GetState();
  return state == dsEdit || state == dsInsert || state == dsSetKey;
}

TExpDataType ExpTypeOf(TFieldType type) {
  switch (type) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
      return etInteger;
    case ftBoolean:
      return etBoolean;
    case ftFloat:
    case ftCurrency:
    case ftBCD:
      return etReal;
    case ftDate:
    case ftTime:
    case ftDateTime:
      return etDateTime;
    default:
      return etString;
  }
}


// What the handle in slot 0 designates, or the evaluation error message (a Format text taking
// the handle) when it designates nothing of that kind.
template <class T>
T& Required(TExpression& self, T* object, const char* message) {
  if (!object) self.CalcError(Format(Res(message), {HandleArg(self, 0)}));
  return *object;
}

}  // namespace

// --- Bases -----------------------------------------------------------------------------------

bool TExp_DBFunction::SetSubExp(int index, TExpression* node) {
  if (index == 0 && node && node->DataType != etInteger && node->DataType != etAny) return false;
  return TFunction::SetSubExp(index, node);
}

TDataSet* TExp_DBFunction::GetDataSet() {
  return ObjectOfHandleAs<TDataSet>(HandleArg(*this, 0), hkDataSet);
}

TDataSet& TExp_DBFunction::RequireDataSet() {
  return Required(*this, GetDataSet(), "句柄%d不代表数据集");
}

TField* TExp_DBFieldFunc::GetField() {
  return ObjectOfHandleAs<TField>(HandleArg(*this, 0), hkField);
}

TField& TExp_DBFieldFunc::RequireField() { return Required(*this, GetField(), "句柄%d不代表字段"); }

TDataSet* TExp_DBFieldFunc::GetDataSet() {
  TField* field = GetField();
  return field ? &field->DataSet() : nullptr;
}

// --- Ends, counts, record numbers ------------------------------------------------------------

bool TExp_DB_EOF::TransOverOK() {
  DataType = etBoolean;
  return true;
}

void TExp_DB_EOF::Calculate() {
  TDataSet* dataSet = GetDataSet();
  PutBoolean(!dataSet || dataSet->Eof());
}

void TExp_DB_BOF::Calculate() {
  TDataSet* dataSet = GetDataSet();
  PutBoolean(dataSet && dataSet->Bof());
}

void TExp_DB_EnabledControls::Calculate() {
  TDataSet* dataSet = GetDataSet();
  bool enable = Arg(1).GetBoolean();
  bool done = false;
  try {
    if (dataSet) {
      if (enable)
        dataSet->EnableControls();
      else
        dataSet->DisableControls();
      done = true;
    }
  } catch (const Exception&) {
  }
  PutBoolean(done);
}

void TExp_DB_Refresh::Calculate() {
  TDataSet* dataSet = GetDataSet();
  bool done = false;
  try {
    if (dataSet) {
      dataSet->Refresh();
      done = true;
    }
  } catch (const Exception&) {
  }
  PutBoolean(done);
}

void TExp_DB_FieldCount::Calculate() { PutInteger(RequireDataSet().GetFieldCount()); }

void TExp_DB_RecCount::Calculate() { PutInteger(RequireDataSet().RecordCount()); }

void TExp_DB_RecNo::Calculate() { PutInteger(RequireDataSet().RecNo() - 1); }

int TExp_DB_Skip::GetMoveStep(TDataSet&) { return Arg(1).GetInteger(); }

int TExp_DB_Goto::GetMoveStep(TDataSet& dataSet) {
  int64_t step = int64_t{Arg(1).GetInteger()} - dataSet.RecNo() + 1;
  return static_cast<int>(std::clamp<int64_t>(step, INT32_MIN, INT32_MAX));
}

void TExp_DB_Skip::Calculate() {
  TDataSet* dataSet = GetDataSet();
  if (!dataSet) {
    PutInteger(-1);
    return;
  }
  dataSet->MoveBy(GetMoveStep(*dataSet));
  PutInteger(dataSet->RecNo() - 1);
}

// --- Locate ----------------------------------------------------------------------------------

TExp_DB_Locate::TExp_DB_Locate() {
  FixedCount = 3;
  OptionalCount = 9999;
  DataType = etBoolean;
}

TExp_DB_Locate::~TExp_DB_Locate() { delete Extra; }

TStoredStrList& TExp_DB_Locate::ExtraExps() {
  if (!Extra) Extra = new TStoredStrList;
  return *Extra;
}

bool TExp_DB_Locate::TransOverOK() {
  DataType = etBoolean;
  return true;
}

int TExp_DB_Locate::GetSubExpCount() {
  if (Extra && Extra->GetCount() > 0) return 3 + Extra->GetCount();
  return TExp_DB_RecNo::GetSubExpCount();
}

TExpression* TExp_DB_Locate::GetSubExp(int index) {
  if (index < 3) return TExp_DB_RecNo::GetSubExp(index);
  if (!Extra || index - 3 >= Extra->GetCount()) return nullptr;
  return ObjectAs<TExpression>(Extra->GetObj(index - 3));
}

void TExp_DB_Locate::PutSubExp(int index, TExpression* node) {
  if (index < 3) {
    TExp_DB_RecNo::PutSubExp(index, node);
    return;
  }
  TStoredStrList& list = ExtraExps();
  int position = index - 3;
  // The list owns its items; a slot store never frees what it replaces, so take it out first.
  while (list.GetCount() < position) list.AddObject("", nullptr);
  if (position == list.GetCount()) {
    list.AddObject("", node);
  } else {
    list.SetObj(position, node);
  }
}

void TExp_DB_Locate::Calculate() {
  TDataSet& dataSet = RequireDataSet();
  std::string keys = Arg(1).GetString();
  int count = GetSubExpCount();
  TVariant key;
  if (count <= 3) {
    Arg(2).GetVariantValue(key);
  } else {
    key = TVariant::Array(0, count - 3);
    for (int i = 2; i < count; ++i) Arg(i).GetVariantValue(key.Element(i - 2));
  }
  PutBoolean(dataSet.Locate(keys, key, 0));
}

bool TExp_DB_Locate::EnumrateProperties(const TPropProcessor& callback, uint16_t purpose,
                                        void* param) {
  if (!TExp_DB_RecNo::EnumrateProperties(callback, purpose, param)) return false;
  return EnumOwnedList(Extra, "ExtraExps", callback, purpose, param);
}

// --- Field values ----------------------------------------------------------------------------

bool TExp_DB_Field::TransOverOK() {
  DataType = etAny;
  return true;
}

void TExp_DB_Field::FixType(TField& field) { DataType = ExpTypeOf(field.DataType()); }

void TExp_DB_Field::ReadField(TField& field) {
  switch (DataType) {
    case etInteger:
      PutInteger(field.AsInteger());
      break;
    case etReal:
      PutReal(field.AsFloat());
      break;
    case etBoolean:
      PutBoolean(field.AsBoolean());
      break;
    case etString:
      Value.StrValue = field.AsString();
      break;
    case etDateTime:
      PutDateTime(field.AsDateTime());
      break;
    case etChar: {
      std::string text = field.AsString();
      PutChar(text.empty() ? '\0' : text[0]);
      break;
    }
    case etInt64:
      PutInt64(field.AsLargeInt());
      break;
    case etAny:
      break;
  }
}

void TExp_DB_Field::Evaluate(int32_t stamp) {
  if (!TakeStamp(*this, stamp)) return;
  for (int i = 0; i < 3; ++i)
    if (TExpression* slot = GetSubExp(i)) slot->Evaluate(stamp);
  if (DataType == etAny)
    if (TField* field = GetField()) FixType(*field);
  Calculate();
}

void TExp_DB_Field::Calculate() {
  try {
    if (TField* field = GetField()) ReadField(*field);
  } catch (const Exception&) {
    // A field that cannot be read leaves the previous value.
  }
}

void TExp_DB_Cell::Calculate() {
  TField& field = RequireField();
  TDataSet& dataSet = field.DataSet();
  int64_t step = int64_t{Arg(1).GetInteger()} - dataSet.RecNo() + 1;
  dataSet.MoveBy(static_cast<int>(std::clamp<int64_t>(step, INT32_MIN, INT32_MAX)));
  TExp_DB_Field::Calculate();
}

// --- Field descriptions ----------------------------------------------------------------------

bool TExp_DB_FieldName::TransOverOK() {
  DataType = etString;
  return true;
}

TDataSet* TExp_DB_FieldName::GetDataSet() { return TExp_DBFunction::GetDataSet(); }

TField* TExp_DB_FieldName::GetField() {
  TDataSet& dataSet = RequireDataSet();
  TExpression& which = Arg(1);
  if (which.DataType != etInteger) return dataSet.FieldByName(which.GetString());
  int index = which.GetInteger();
  return index >= 0 && index < dataSet.GetFieldCount() ? dataSet.GetField(index) : nullptr;
}

void TExp_DB_FieldName::Evaluate(int32_t stamp) { TExpression::Evaluate(stamp); }

void TExp_DB_FieldName::Calculate() {
  TField* field = GetField();
  Value.StrValue = field ? field->FieldName() : "FieldName";
}

bool TExp_DB_FieldNo::TransOverOK() {
  DataType = etInteger;
  return true;
}

void TExp_DB_FieldNo::Calculate() {
  TField* field = GetField();
  PutInteger(field ? field->FieldNo() : -1);
}

void TExp_DB_FieldLen::Calculate() {
  TField* field = GetField();
  if (!field) {
    PutInteger(-1);
    return;
  }
  switch (field->DataType()) {
    case ftString: PutInteger(field->Size()); break;
    case ftSmallint: PutInteger(6); break;
    case ftInteger: PutInteger(12); break;
    case ftWord: PutInteger(5); break;
    case ftBoolean: PutInteger(2); break;
    case ftFloat:
    case ftCurrency:
    case ftBCD: PutInteger(16); break;
    case ftDateTime: PutInteger(20); break;
    default: PutInteger(10); break;
  }
}

void TExp_DB_FieldDec::Calculate() {
  TField* field = GetField();
  if (!field) {
    PutInteger(-1);
    return;
  }
  TFieldType type = field->DataType();
  PutInteger(type == ftFloat || type == ftCurrency || type == ftBCD ? 2 : 0);
}

bool TExp_DB_FieldType::TransOverOK() {
  DataType = etString;
  return true;
}

void TExp_DB_FieldType::Evaluate(int32_t stamp) {
  if (!TakeStamp(*this, stamp)) return;
  if (TExpression* slot = GetSubExp(0)) slot->Evaluate(stamp);
  TField* field = GetField();
  Value.StrValue = field ? FieldTypeName(field->DataType()) : "";
}

// --- Searching -------------------------------------------------------------------------------

bool TExp_DB_RecNoBy::TransOverOK() {
  DataType = etBoolean;
  return true;
}

TDataSet* TExp_DB_RecNoBy::GetDataSet() {
  int32_t handle = HandleArg(*this, 0);
  if (TDataSet* dataSet = ObjectOfHandleAs<TDataSet>(handle, hkDataSet)) return dataSet;
  TField* field = ObjectOfHandleAs<TField>(handle, hkField);
  return field ? &field->DataSet() : nullptr;
}

void TExp_DB_RecNoBy::Evaluate(int32_t stamp) {
  if (!TakeStamp(*this, stamp)) return;
  if (TExpression* slot = GetSubExp(0)) slot->Evaluate(stamp);
  Calculate();
}

void TExp_DB_RecNoBy::Calculate() {
  PutBoolean(false);
  if (!GetDataSet()) return;
  TExpression& condition = Arg(1);
  // The condition may close the dataset: it is looked up again after every test.
  auto test = [&] {
    condition.Evaluate(kForceStamp);
    return condition.GetBoolean();
  };
  bool match = test();
  TDataSet* dataSet = GetDataSet();
  if (!match && dataSet && !dataSet->Eof()) {
    dataSet->MoveBy(1);
    match = test();
    dataSet = GetDataSet();
  }
  if (!match && dataSet) {
    dataSet->First();
    match = test();
    while (!match && (dataSet = GetDataSet()) && !dataSet->Eof()) {
      dataSet->MoveBy(1);
      match = test();
    }
  }
  PutBoolean(match);
}

// --- Writing ---------------------------------------------------------------------------------

void TExp_DB_SetValue::Calculate() {
  TField* field = GetField();
  if (!field) return;
  TDataSet& dataSet = field->DataSet();
  bool editing = Editing(dataSet);
  bool write = editing || !GetSubExp(2) || GetSubExp(2)->GetBoolean();
  if (write) RefuseInSandbox(*this);
  try {
    if (write && !editing) dataSet.Edit();
    if (write) {
      TExpression& value = Arg(1);
      switch (DataType) {
        case etInteger: field->SetAsInteger(value.GetInteger()); break;
        case etReal: field->SetAsFloat(static_cast<double>(value.GetReal())); break;
        case etBoolean: field->SetAsBoolean(value.GetBoolean()); break;
        case etDateTime: field->SetAsDateTime(value.GetDateTime()); break;
        default: field->SetAsString(value.GetString()); break;
      }
    }
    ReadField(*field);
    if (write && !editing) dataSet.Post();
  } catch (const Exception&) {
    // Nothing half written: an own edit that failed is cancelled and the node shows the value
    // the field keeps; the error is not reported.
    if (write && !editing) {
      try {
        dataSet.Cancel();
        ReadField(*field);
      } catch (const Exception&) {
      }
    }
  }
}

// --- Tree tables -----------------------------------------------------------------------------

void TExp_DB_Parent::Calculate() {
  TField& field = RequireField();
  TDataSet& dataSet = field.DataSet();
  int level = GetSubExp(1) ? GetSubExp(1)->GetInteger() - 1 : -1;
  TBookmark mark = dataSet.GetBookmark();
  std::vector<std::unique_ptr<TExpression>> values;
  auto restore = [&] {
    if (dataSet.BookmarkValid(mark)) dataSet.GotoBookmark(mark);
    dataSet.FreeBookmark(mark);
  };
  try {
    TField* key = dataSet.GetField(0);
    TField* parent = dataSet.GetField(1);
    std::set<std::string> visited{key->AsString()};
    std::string parentKey = parent->AsString();
    // A chain of parent keys that returns to a record already visited is a cycle: the walk
    // stops there, as it does after kMaxParentLevels steps.
    while (!parentKey.empty() && static_cast<int>(values.size()) < kMaxParentLevels &&
           visited.insert(parentKey).second) {
      if (!dataSet.Locate(key->FieldName(), TVariant(parentKey), 0)) break;
      TExp_DB_Field::Calculate();
      auto copy = std::make_unique<TExpression>();
      copy->AssignValue(*this);
      values.insert(values.begin(), std::move(copy));
      if (level == -1) {
        level = 0;
        break;
      }
      parentKey = parent->AsString();
    }
    if (level >= 0 && level < static_cast<int>(values.size()))
      AssignValue(*values[level]);
    else
      TExp_DB_Field::Calculate();
  } catch (...) {
    restore();
    throw;
  }
  restore();
}

// --- DB_Count --------------------------------------------------------------------------------

bool TExp_DB_Count::SetSubExp(int index, TExpression* node) {
  if (!node || index < 0) return false;
  if (index == 0 && node->DataType != etInteger && node->DataType != etAny) return false;
  if (index < 2) {
    PutSubExp(index, node);
    return true;
  }
  return TExp_Case::SetSubExp(index - 2, node);
}

bool TExp_DB_Count::TransOverOK() {
  // Every condition needs its result: an odd number of arguments after the second is refused.
  TStoredStrList& conditions = CondExps();
  TStoredStrList& results = ResultExps();
  if (!GetSubExp(0) || !GetSubExp(1)) return false;
  if (results.GetCount() == 0 || conditions.GetCount() != results.GetCount()) return false;
  auto* first = ObjectAs<TExpression>(results.GetObj(0));
  if (!first) return false;
  DataType = first->DataType;
  return true;
}

void TExp_DB_Count::Evaluate(int32_t stamp) {
  if (!TakeStamp(*this, stamp)) return;
  TExpression& source = Arg(0);
  source.Evaluate(stamp);
  int32_t handle = source.GetInteger();
  TStoredStrList& conditions = CondExps();
  TStoredStrList& results = ResultExps();
  int pairs = std::min(conditions.GetCount(), results.GetCount());
  if (pairs == 0) CalcError(Res(kMsgTooFewArguments));
  if (TDataSet* dataSet = ObjectOfHandleAs<TDataSet>(handle, hkDataSet)) {
    dataSet->First();
    Arg(1).Evaluate(stamp);
    for (int j = 0; j < pairs; ++j) {
      if (auto* c = ObjectAs<TExpression>(conditions.GetObj(j))) c->SetSyncFlag(kFreshStamp);
      if (auto* r = ObjectAs<TExpression>(results.GetObj(j))) r->SetSyncFlag(kFreshStamp);
    }
    for (int32_t record = 0; (dataSet = ObjectOfHandleAs<TDataSet>(handle, hkDataSet)) &&
                             !dataSet->Eof();
         ++record) {
      for (int j = 0; j < pairs; ++j) {
        auto* condition = ObjectAs<TExpression>(conditions.GetObj(j));
        auto* result = ObjectAs<TExpression>(results.GetObj(j));
        if (!condition || !result) continue;
        condition->Evaluate(record);
        if (condition->GetBoolean()) result->Evaluate(record);
      }
      if ((dataSet = ObjectOfHandleAs<TDataSet>(handle, hkDataSet))) dataSet->Next();
      if (record == INT32_MAX - 1) record = -1;  // stamps stay clear of -1 and the fresh stamp
    }
  }
  if (auto* first = ObjectAs<TExpression>(results.GetObj(0))) AssignValue(*first);
}

}  // namespace qnexp
