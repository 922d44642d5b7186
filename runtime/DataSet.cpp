// The dataset layer's shared behaviour: the row buffer, navigation, editing, searching and
// notices; engines supply only opening, reading and writing.
#include "runtime/DataSet.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdlib>
#include <new>
#include <cmath>
#include <limits>
#include <stdexcept>

#include "runtime/DateTime.h"
#include "runtime/Format.h"
#include "runtime/Gbk.h"
#include "runtime/Handles.h"
#include "runtime/Variant.h"

namespace qnexp {

namespace {

constexpr const char* kClosedDataSet = "Cannot perform this operation on a closed dataset";
constexpr const char* kOpenDataSet = "Cannot perform this operation on an open dataset";
constexpr const char* kNotEditing = "Dataset not in edit or insert mode";
constexpr const char* kReadOnly = "Cannot modify a read-only dataset";
constexpr const char* kNoRecord = "No current record";
constexpr const char* kRecordNotFound = "Record not found";
constexpr const char* kFieldNotFound = "Field '%s' not found";

bool IsDateType(TFieldType type) { return type == ftDate || type == ftTime || type == ftDateTime; }
bool IsRealType(TFieldType type) {
  return type == ftFloat || type == ftCurrency || type == ftBCD || IsDateType(type);
}
bool IsWholeType(TFieldType type) {
  return type == ftSmallint || type == ftInteger || type == ftWord || type == ftBoolean ||
         type == ftAutoInc || type == ftLargeint;
}

std::string UpperAscii(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

// A real read as a whole number: rounded, and refused when beyond 64 bits.
int64_t WholeOf(double x) {
  if (!std::isfinite(x) || x < -9223372036854775808.0 || x >= 9223372036854775808.0)
    throw EIntOverflow(Msg::IntOverflow);
  return std::llround(x);
}

}  // namespace

const char* FieldTypeName(TFieldType type) {
  static const char* const names[] = {"Unknown", "String",   "Smallint", "Integer",
                                      "Word",    "Boolean",  "Float",    "Currency",
                                      "BCD",     "Date",     "Time",     "DateTime",
                                      "AutoInc", "Largeint", "Memo",     "Blob"};
  return type <= ftBlob ? names[type] : "Unknown";
}

// --- TField ----------------------------------------------------------------------------------

TField::TField(TDataSet& dataSet, std::string name, TFieldType type, int size, int fieldNo)
    : Owner(dataSet), Name(std::move(name)), Type(type), Length(size), Number(fieldNo) {}

TField::~TField() { ReleaseHandle(this); }

const TFieldValue& TField::Value() const { return Owner.CurrentValue(Number - 1); }

bool TField::IsNull() const { return std::holds_alternative<std::monostate>(Value()); }

int64_t TField::AsLargeInt() const {
  const TFieldValue& v = Value();
  if (auto* i = std::get_if<int64_t>(&v)) return *i;
  if (auto* r = std::get_if<double>(&v)) return WholeOf(*r);
  if (auto* s = std::get_if<std::string>(&v)) return TVariant(*s).AsInt64();
  return 0;
}

int32_t TField::AsInteger() const {
  int64_t v = AsLargeInt();
  if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max())
    throw EIntOverflow(Msg::IntOverflow);
  return static_cast<int32_t>(v);
}

double TField::AsFloat() const {
  const TFieldValue& v = Value();
  if (auto* i = std::get_if<int64_t>(&v)) return static_cast<double>(*i);
  if (auto* r = std::get_if<double>(&v)) return *r;
  if (auto* s = std::get_if<std::string>(&v)) return TVariant(*s).AsDouble();
  return 0;
}

bool TField::AsBoolean() const {
  const TFieldValue& v = Value();
  if (auto* i = std::get_if<int64_t>(&v)) return *i != 0;
  if (auto* r = std::get_if<double>(&v)) return *r != 0;
  if (auto* s = std::get_if<std::string>(&v)) return TVariant(*s).AsBoolean();
  return false;
}

std::string TField::AsString() const {
  const TFieldValue& v = Value();
  if (auto* s = std::get_if<std::string>(&v)) return *s;
  if (auto* i = std::get_if<int64_t>(&v)) {
    if (Type == ftBoolean) return *i != 0 ? "True" : "False";
    return TVariant(*i).AsString();
  }
  if (auto* r = std::get_if<double>(&v)) {
    if (Type == ftDate) return DateToStr(*r);
    if (Type == ftTime) return TimeToStr(*r);
    if (Type == ftDateTime) return DateTimeToStr(*r);
    return TVariant(*r).AsString();
  }
  return {};
}

double TField::AsDateTime() const {
  const TFieldValue& v = Value();
  if (auto* s = std::get_if<std::string>(&v)) return StrToDateTime(*s);
  return AsFloat();
}

void TField::Store(TFieldValue value) { Owner.SetCurrentValue(Number - 1, std::move(value)); }

void TField::SetAsLargeInt(int64_t v) {
  if (IsWholeType(Type))
    Store(Type == ftBoolean ? int64_t{v != 0} : v);
  else if (IsRealType(Type))
    Store(static_cast<double>(v));
  else
    SetAsString(TVariant(v).AsString());
}

void TField::SetAsInteger(int32_t v) { SetAsLargeInt(v); }

void TField::SetAsFloat(double v) {
  if (IsRealType(Type))
    Store(v);
  else if (IsWholeType(Type))
    Store(Type == ftBoolean ? int64_t{v != 0} : WholeOf(v));
  else
    SetAsString(TVariant(v).AsString());
}

void TField::SetAsBoolean(bool v) {
  if (IsWholeType(Type) || IsRealType(Type))
    SetAsLargeInt(v ? 1 : 0);
  else
    SetAsString(v ? "True" : "False");
}

void TField::SetAsDateTime(double v) {
  if (IsRealType(Type) || IsWholeType(Type))
    SetAsFloat(v);
  else
    SetAsString(DateTimeToStr(v));
}

void TField::SetAsString(const std::string& text) {
  if (Type == ftBoolean)
    Store(int64_t{TVariant(text).AsBoolean()});
  else if (IsWholeType(Type))
    Store(TVariant(text).AsInt64());
  else if (Type == ftDate)
    Store(StrToDate(text));
  else if (Type == ftTime)
    Store(StrToTime(text));
  else if (Type == ftDateTime)
    Store(StrToDateTime(text));
  else if (IsRealType(Type))
    Store(TVariant(text).AsDouble());
  else {
    // Text fields hold GBK: text that is not GBK is refused here, before anything is stored.
    if (Type != ftBlob) GbkToUtf8(text);
    Store(text);
  }
}

void TField::Clear() { Store(std::monostate{}); }

// --- TCustomConnection -----------------------------------------------------------------------

TCustomConnection::~TCustomConnection() { ReleaseHandle(this); }

// --- TDataSet --------------------------------------------------------------------------------

TDataSet::~TDataSet() { ReleaseHandle(this); }

void TDataSet::CheckActive() const {
  if (State == dsInactive) throw EDatabaseError(kClosedDataSet);
}

void TDataSet::CheckInactive() const {
  if (State != dsInactive) throw EDatabaseError(kOpenDataSet);
}

void TDataSet::SetStatement(const std::string&) { CheckInactive(); }

void TDataSet::WriteRow(const TRow*, TRow&) { throw EDatabaseError(kReadOnly); }

// --- TRowStore -------------------------------------------------------------------------------

namespace {

constexpr size_t kHugePage = size_t(2) << 20;

// Raw memory for a block of values; large blocks are aligned to huge pages and advised so.
void* AllocateBlock(size_t bytes) {
  if (bytes < kHugePage) return ::operator new(bytes);
  void* memory = std::aligned_alloc(kHugePage, bytes);
  if (!memory) throw std::bad_alloc();
  madvise(memory, bytes, MADV_HUGEPAGE);
  return memory;
}

void FreeBlock(void* memory, size_t bytes) {
  if (bytes < kHugePage)
    ::operator delete(memory);
  else
    std::free(memory);
}

}  // namespace

void TRowStore::Append(TRow& row) {
  if (Count == 0) {
    Clear();
    RowWidth = std::max<size_t>(row.size(), 1);
    size_t rowBytes = RowWidth * sizeof(TFieldValue);
    RowsPerBlock = static_cast<int64_t>(std::max<size_t>(kHugePage / rowBytes, 1));
    size_t bytes = kFirstRows * rowBytes;
    Blocks.push_back({static_cast<TFieldValue*>(AllocateBlock(bytes)), bytes});
  } else if (Count >= kFirstRows && (Count - kFirstRows) % RowsPerBlock == 0) {
    size_t bytes = (RowsPerBlock * RowWidth * sizeof(TFieldValue) + kHugePage - 1) / kHugePage *
                   kHugePage;
    Blocks.push_back({static_cast<TFieldValue*>(AllocateBlock(bytes)), bytes});
  }
  TFieldValue* values = Row(Count);
  for (size_t k = 0; k < RowWidth; ++k)
    new (values + k) TFieldValue(k < row.size() ? std::move(row[k]) : TFieldValue{});
  ++Count;
}

void TRowStore::Assign(int64_t i, TRow& row) {
  TFieldValue* values = Row(i);
  for (size_t k = 0; k < RowWidth && k < row.size(); ++k) values[k] = std::move(row[k]);
}

void TRowStore::Clear() {
  for (int64_t i = 0; i < Count; ++i) {
    TFieldValue* values = Row(i);
    for (size_t k = 0; k < RowWidth; ++k) values[k].~TFieldValue();
  }
  for (TBlock& block : Blocks) FreeBlock(block.Values, block.Bytes);
  Blocks.clear();
  Count = 0;
  RowWidth = 0;
}

// --- TDataSet --------------------------------------------------------------------------------

TField& TDataSet::AddField(const std::string& name, TFieldType type, int size) {
  Fields.push_back(std::make_unique<TField>(*this, name, type, size,
                                            static_cast<int>(Fields.size()) + 1));
  return *Fields.back();
}

void TDataSet::Open() {
  if (State != dsInactive) return;
  Rows.Clear();
  Fields.clear();
  AllFetched = false;
  try {
    DoOpen();
    State = dsBrowse;
    Current = Reach(0) ? 0 : -1;
    AtBof = true;
    AtEof = Current < 0;
  } catch (...) {
    State = dsInactive;
    Fields.clear();
    Rows.Clear();
    DoClose();
    throw;
  }
  Notify(deOpened);
}

void TDataSet::Close() {
  if (State == dsInactive) return;
  EditBuffer.clear();
  State = dsInactive;
  DoClose();
  Fields.clear();
  Rows.Clear();
  AllFetched = false;
  Current = -1;
  AtEof = AtBof = true;
  Notify(deClosed);
}

TField* TDataSet::GetField(int index) const {
  if (index < 0 || index >= GetFieldCount()) throw EListError(Format(Msg::ListIndexError, {index}));
  return Fields[index].get();
}

TField* TDataSet::FindField(const std::string& name) const {
  std::string wanted = UpperAscii(name);
  for (const auto& field : Fields)
    if (UpperAscii(field->FieldName()) == wanted) return field.get();
  return nullptr;
}

TField* TDataSet::FieldByName(const std::string& name) const {
  TField* field = FindField(name);
  if (!field) throw EDatabaseError(Format(kFieldNotFound, {name}));
  return field;
}

bool TDataSet::Reach(int64_t index) {
  while (Rows.Size() <= index && !AllFetched) {
    Fetched.resize(Fields.size() + HiddenValues);
    if (!FetchRow(Fetched)) {
      AllFetched = true;
      break;
    }
    Rows.Append(Fetched);
  }
  return Rows.Size() > index;
}

void TDataSet::FetchAll() { Reach(std::numeric_limits<int64_t>::max()); }

const TFieldValue& TDataSet::CurrentValue(int index) const {
  if (State == dsEdit || State == dsInsert) return EditBuffer.at(index);
  if (State == dsInactive || Current < 0) throw EDatabaseError(kNoRecord);
  if (index < 0 || static_cast<size_t>(index) >= Rows.Width()) throw std::out_of_range("field");
  return Rows.Row(Current)[index];
}

void TDataSet::SetCurrentValue(int index, TFieldValue value) {
  if (State != dsEdit && State != dsInsert) throw EDatabaseError(kNotEditing);
  EditBuffer.at(index) = std::move(value);
}

void TDataSet::First() {
  CheckActive();
  if (State == dsEdit || State == dsInsert) Cancel();
  Current = Reach(0) ? 0 : -1;
  AtBof = true;
  AtEof = Current < 0;
  Notify(deMoved);
}

void TDataSet::Next() { MoveBy(1); }

void TDataSet::Prior() { MoveBy(-1); }

void TDataSet::Last() {
  CheckActive();
  if (State == dsEdit || State == dsInsert) Cancel();
  FetchAll();
  Current = Rows.Size() - 1;
  AtEof = true;
  AtBof = Current < 0;
  Notify(deMoved);
}

int TDataSet::MoveBy(int distance) {
  CheckActive();
  if (State == dsEdit || State == dsInsert) Cancel();
  if (Current < 0) {
    AtEof = AtBof = true;
    return 0;
  }
  int moved = 0;
  AtEof = AtBof = false;
  if (distance > 0) {
    while (moved < distance) {
      if (!Reach(Current + 1)) {
        AtEof = true;
        break;
      }
      ++Current;
      ++moved;
    }
  } else {
    while (moved > distance) {
      if (Current == 0) {
        AtBof = true;
        break;
      }
      --Current;
      --moved;
    }
  }
  if (moved != 0) Notify(deMoved);
  return moved;
}

int TDataSet::RecNo() const {
  if (State == dsInactive || Current < 0) return 0;
  if (State == dsInsert) return 0;
  return static_cast<int>(Current + 1);
}

int TDataSet::RecordCount() {
  CheckActive();
  FetchAll();
  return static_cast<int>(std::min<size_t>(Rows.Size(), std::numeric_limits<int32_t>::max()));
}

bool TDataSet::Matches(const std::vector<TField*>& keys, const std::vector<TVariant>& values,
                       uint8_t options) const {
  for (size_t k = 0; k < keys.size(); ++k) {
    const TField& field = *keys[k];
    const TVariant& wanted = values[k];
    if (field.IsNull() || wanted.IsNull() || wanted.IsEmpty()) {
      if (field.IsNull() != (wanted.IsNull() || wanted.IsEmpty())) return false;
      continue;
    }
    try {
      TFieldType type = field.DataType();
      if (IsWholeType(type) && type != ftBoolean) {
        if (field.AsLargeInt() != wanted.AsInt64()) return false;
      } else if (type == ftBoolean) {
        if (field.AsBoolean() != wanted.AsBoolean()) return false;
      } else if (IsDateType(type) && wanted.BaseType() != varString) {
        if (field.AsDateTime() != wanted.AsDouble()) return false;
      } else if (IsRealType(type) && !IsDateType(type)) {
        if (field.AsFloat() != wanted.AsDouble()) return false;
      } else {
        std::string have = field.AsString();
        std::string want = wanted.AsString();
        if (options & loCaseInsensitive) {
          have = UpperAscii(have);
          want = UpperAscii(want);
        }
        if (options & loPartialKey) {
          if (have.compare(0, want.size(), want) != 0) return false;
        } else if (have != want) {
          return false;
        }
      }
    } catch (const Exception&) {
      return false;  // a value that does not convert to the field's type matches nothing
    }
  }
  return true;
}

bool TDataSet::Locate(const std::string& keyFields, const TVariant& values, uint8_t options) {
  CheckActive();
  if (State == dsEdit || State == dsInsert) Cancel();
  std::vector<TField*> keys;
  size_t start = 0;
  while (start <= keyFields.size()) {
    size_t end = keyFields.find(';', start);
    if (end == std::string::npos) end = keyFields.size();
    std::string name = keyFields.substr(start, end - start);
    if (!name.empty()) keys.push_back(FieldByName(name));
    start = end + 1;
  }
  std::vector<TVariant> wanted;
  if (values.IsArray()) {
    const TVarArrayData& data = values.ArrayData();
    wanted.assign(data.Elements.begin(), data.Elements.end());
  } else {
    wanted.push_back(values);
  }
  if (keys.empty() || wanted.size() < keys.size()) return false;
  int64_t saved = Current;
  bool savedEof = AtEof, savedBof = AtBof;
  for (int64_t row = 0; Reach(row); ++row) {
    Current = row;
    if (Matches(keys, wanted, options)) {
      AtEof = AtBof = false;
      Notify(deMoved);
      return true;
    }
  }
  Current = saved;
  AtEof = savedEof;
  AtBof = savedBof;
  return false;
}

TBookmark TDataSet::GetBookmark() const {
  return TBookmark{State == dsInactive ? -1 : Current};
}

bool TDataSet::BookmarkValid(const TBookmark& bookmark) const {
  return State != dsInactive && bookmark.Row >= 0 &&
         bookmark.Row < Rows.Size();
}

void TDataSet::GotoBookmark(const TBookmark& bookmark) {
  CheckActive();
  if (!BookmarkValid(bookmark)) throw EDatabaseError(kRecordNotFound);
  if (State == dsEdit || State == dsInsert) Cancel();
  Current = bookmark.Row;
  AtEof = AtBof = false;
  Notify(deMoved);
}

void TDataSet::Edit() {
  CheckActive();
  if (State == dsEdit || State == dsInsert) return;
  if (!CanModify()) throw EDatabaseError(kReadOnly);
  if (Current < 0) throw EDatabaseError(kNoRecord);
  EditBuffer = Rows.Copy(Current);
  State = dsEdit;
  Notify(deRecordChanged);
}

void TDataSet::Append() {
  CheckActive();
  if (!CanModify()) throw EDatabaseError(kReadOnly);
  if (State == dsEdit || State == dsInsert) Cancel();
  EditBuffer.assign(Fields.size() + HiddenValues, TFieldValue{});
  State = dsInsert;
  Notify(deRecordChanged);
}

void TDataSet::Post() {
  CheckActive();
  if (State != dsEdit && State != dsInsert) return;
  // The source's pending read must not meet its own writes: read the rest first.
  FetchAll();
  TRow row = EditBuffer;
  if (State == dsEdit) {
    TRow old = Rows.Copy(Current);
    WriteRow(&old, row);
    Rows.Assign(Current, row);
  } else {
    WriteRow(nullptr, row);
    Rows.Append(row);
    Current = Rows.Size() - 1;
  }
  EditBuffer.clear();
  State = dsBrowse;
  AtEof = AtBof = false;
  Notify(deRecordChanged);
}

void TDataSet::Cancel() {
  if (State != dsEdit && State != dsInsert) return;
  EditBuffer.clear();
  State = dsBrowse;
  Notify(deRecordChanged);
}

void TDataSet::Refresh() {
  CheckActive();
  if (State == dsEdit || State == dsInsert) Cancel();
  int64_t position = Current;
  DoClose();
  Rows.Clear();
  AllFetched = false;
  std::vector<std::unique_ptr<TField>> kept = std::move(Fields);
  Fields.clear();
  try {
    DoOpen();
  } catch (...) {
    Fields.clear();
    State = dsInactive;
    Current = -1;
    AtEof = AtBof = true;
    Notify(deClosed);
    throw;
  }
  // Fields keep their identity (and their handles) when the source's columns are unchanged.
  bool same = kept.size() == Fields.size();
  for (size_t i = 0; same && i < kept.size(); ++i)
    same = kept[i]->FieldName() == Fields[i]->FieldName() &&
           kept[i]->DataType() == Fields[i]->DataType();
  if (same) Fields = std::move(kept);
  if (position < 0) position = 0;
  Current = Reach(position) ? position : Rows.Size() - 1;
  AtEof = Current < 0;
  AtBof = Current <= 0;
  Notify(deRefreshed);
}

bool TDataSet::Accepted() {
  bool accept = true;
  if (OnFilterRecord) OnFilterRecord(*this, accept);
  return accept;
}

bool TDataSet::FindFirst() { return FindFrom(true); }

bool TDataSet::FindNext() { return FindFrom(false); }

bool TDataSet::FindFrom(bool first) {
  CheckActive();
  if (State == dsEdit || State == dsInsert) Cancel();
  int64_t saved = Current;
  for (int64_t row = first ? 0 : Current + 1; Reach(row); ++row) {
    Current = row;
    if (Accepted()) {
      AtEof = AtBof = false;
      Notify(deMoved);
      return true;
    }
  }
  Current = saved;
  return false;
}

void TDataSet::AddObserver(TDataSetObserver* observer) {
  if (observer && std::find(Observers.begin(), Observers.end(), observer) == Observers.end())
    Observers.push_back(observer);
}

void TDataSet::RemoveObserver(TDataSetObserver* observer) {
  Observers.erase(std::remove(Observers.begin(), Observers.end(), observer), Observers.end());
}

void TDataSet::EnableControls() {
  if (DisableCount == 0) return;
  if (--DisableCount == 0 && Suppressed) {
    Suppressed = false;
    Notify(deRefreshed);
  }
}

void TDataSet::Notify(TDataSetEvent event) {
  if (DisableCount > 0) {
    Suppressed = true;
    return;
  }
  // An observer may remove itself while notified: walk a copy.
  std::vector<TDataSetObserver*> observers = Observers;
  for (TDataSetObserver* observer : observers) observer->DataSetNotify(*this, event);
}

}  // namespace qnexp
