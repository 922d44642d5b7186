// The keyed string list: owned objects, typed name=value access, sections and persistence.
#include "support/QnStringList.h"

#include <string>
#include <utility>
#include <vector>

#include "runtime/Exception.h"
#include "runtime/Format.h"
#include "runtime/GbkChars.h"
#include "support/BoolWords.h"
#include "support/NumConv.h"
#include "support/ObjClone.h"
#include "support/SplitStr.h"
#include "support/StrFuncs.h"

namespace qnexp {

namespace {

// 1 January of year 1, the date a missing date value reads as.
constexpr TDateTime FirstDate = -693593.0;

constexpr uint8_t DefinedBit(TStringsDefined member) {
  return static_cast<uint8_t>(1u << member);
}

[[noreturn]] void RaiseIndex(int index) {
  throw EListError(Format(Msg::ListIndexError, {index}));
}

// True when value (already upper-cased) is the word or the letter, ignoring ASCII case.
bool IsBoolText(const std::string& value, const std::string& word, char letter) {
  if (value == UpperCase(word)) return true;
  return value.size() == 1 && value[0] == AsciiUpper(letter);
}

// "s12", "Obj12": the per-item property names, built without a format pass per call.
const std::string& ItemName(std::string& buffer, const char* prefix, int index) {
  buffer.assign(prefix);
  buffer += std::to_string(index);
  return buffer;
}

// The item index in an entry name "s<i>" or "Obj<i>" (letters in any case, the index as it
// prints); -1 for any other name.
int ItemIndexOfName(const std::string& name) {
  size_t digits = name.size() >= 1 && (name[0] == 's' || name[0] == 'S') ? 1
                  : name.size() >= 3 && (name[0] == 'O' || name[0] == 'o') &&
                          (name[1] == 'b' || name[1] == 'B') && (name[2] == 'j' || name[2] == 'J')
                      ? 3
                      : 0;
  if (digits == 0 || name.size() == digits || name.size() > digits + 10) return -1;
  int64_t index = 0;
  for (size_t i = digits; i < name.size(); ++i) {
    if (name[i] < '0' || name[i] > '9') return -1;
    index = index * 10 + (name[i] - '0');
  }
  if (index > INT32_MAX || std::to_string(index) != name.substr(digits)) return -1;
  return static_cast<int>(index);
}

}  // namespace

TQnStringList::~TQnStringList() {
  for (int i = Count() - 1; i >= 0; --i) {
    // An object's destructor may shrink the list; what is gone has been handled.
    if (i >= Count()) continue;
    TObject* obj = Items[static_cast<size_t>(i)].Object;
    Items[static_cast<size_t>(i)].Object = nullptr;
    FreeQuietly(obj);
  }
}

void TQnStringList::FreeQuietly(TObject* obj) {
  try {
    delete obj;
  } catch (...) {
    // The item is gone either way; a failing object must not keep the list from going on.
  }
}

int TQnStringList::AddObject(const std::string& text, TObject* obj) {
  int index = 0;
  // A dropped duplicate changes nothing, so nobody needs to hear of it.
  if (IsSorted && Duplicates == dupIgnore && Find(text, index)) return index;
  UpdateWith([&] { index = TStringList::AddObject(text, obj); });
  return index;
}

void TQnStringList::InsertObject(int index, const std::string& text, TObject* obj) {
  UpdateWith([&] { TStringList::InsertObject(index, text, obj); });
}

void TQnStringList::Delete(int index) {
  TObject* obj = GetObject(index);
  UpdateWith([&] {
    TStringList::Delete(index);
    FreeQuietly(obj);
  });
}

void TQnStringList::Move(int from, int to) {
  if (from == to) return;
  // The plain list checks everything before it touches an item and carries the object along,
  // so the object can never be freed or lost half-way.
  UpdateWith([&] { TStringList::Move(from, to); });
}

void TQnStringList::Clear() {
  if (Count() == 0) return;
  UpdateWith([&] { TStringList::Clear(); });
}

void TQnStringList::AddOwned(const std::string& text, TObject* obj) {
  int index = 0;
  try {
    index = AddObject(text, obj);
  } catch (...) {
    FreeQuietly(obj);
    throw;
  }
  if (obj && GetObject(index) != obj) FreeQuietly(obj);
}

void TQnStringList::AddStrings(const TStringList& source) {
  if (source.Count() == 0) return;
  UpdateWith([&] {
    if (&source == this) {
      // Own items would move under the loop in a sorted list; work from a snapshot.
      TStringList snapshot;
      for (int i = 0; i < Count(); ++i) snapshot.AddObject(Get(i), GetObject(i));
      for (int i = 0; i < snapshot.Count(); ++i)
        AddOwned(snapshot.Get(i), CloneObject(snapshot.GetObject(i)));
      return;
    }
    for (int i = 0; i < source.Count(); ++i)
      AddOwned(source.Get(i), CloneObject(source.GetObject(i)));
  });
}

void TQnStringList::InsertStrings(int index, const TStringList& source) {
  if (index < 0 || index > Count()) RaiseIndex(index);
  std::vector<std::pair<std::string, TObject*>> items;
  items.reserve(static_cast<size_t>(source.Count()));
  for (int i = 0; i < source.Count(); ++i) items.emplace_back(source.Get(i), source.GetObject(i));
  for (size_t i = 0; i < items.size(); ++i) {
    TObject* copy = CloneObject(items[i].second);
    try {
      InsertObject(index + static_cast<int>(i), items[i].first, copy);
    } catch (...) {
      FreeQuietly(copy);
      throw;
    }
  }
}

void TQnStringList::Assign(const TStringList& source) {
  if (&source == this) return;
  UpdateWith([&] {
    if (auto* keyed = dynamic_cast<const TQnStringList*>(&source)) {
      Defined = keyed->Defined;
    } else {
      // A plain list has no record of what was set, but a character off its default was.
      Defined = 0;
      if (source.Delimiter != ',') Defined |= DefinedBit(sdDelimiter);
      if (source.QuoteChar != '"') Defined |= DefinedBit(sdQuoteChar);
      if (source.NameValueSeparator != '=') Defined |= DefinedBit(sdNameValueSeparator);
    }
    TStringList::Assign(source);
  });
}

void TQnStringList::FreeObject(int index) {
  if (index < 0 || index >= Count()) return;
  TObject*& ref = Items[static_cast<size_t>(index)].Object;
  if (!ref) return;
  TObject* obj = ref;
  ref = nullptr;
  FreeQuietly(obj);
}

void TQnStringList::FreeObjects() {
  for (int i = 0; i < Count(); ++i) FreeObject(i);
}

void TQnStringList::NilObjects() {
  for (TItem& item : Items) item.Object = nullptr;
}

void TQnStringList::BeginUpdate() {
  if (UpdateCount == 0 && OnChanging) OnChanging(this);
  ++UpdateCount;
}

void TQnStringList::EndUpdate() {
  if (UpdateCount <= 0) return;
  if (--UpdateCount == 0 && OnChange) OnChange(this);
}

void TQnStringList::SetDelimiter(char value) {
  Delimiter = value;
  Defined |= DefinedBit(sdDelimiter);
}

void TQnStringList::SetQuoteChar(char value) {
  QuoteChar = value;
  Defined |= DefinedBit(sdQuoteChar);
}

void TQnStringList::SetNameValueSeparator(char value) {
  NameValueSeparator = value;
  Defined |= DefinedBit(sdNameValueSeparator);
}

void TQnStringList::LoadSections(std::string_view section, TStringList& dest) const {
  std::string header = Format("[%s]", {section});
  header += "\r\n";
  std::string text = Text();
  int found = FindText(text, header);
  if (found == 0) return;
  size_t start = static_cast<size_t>(found - 1) + header.size();
  // The search includes the header's own line break: a header on the very next line ends
  // this section at once instead of being taken as its content.
  size_t end = text.find("\r\n[", start - 2);
  if (end == std::string::npos) end = text.size();
  dest.SetText(end > start ? std::string_view(text).substr(start, end - start)
                           : std::string_view());
}

std::string TQnStringList::GetKeyByIndex(int i) const {
  if (i < 0 || i >= Count()) return "";
  return SParam(Get(i), "=", 0);
}

std::string TQnStringList::GetValueByIndex(int i) const {
  if (i < 0 || i >= Count()) return "";
  const std::string& item = Get(i);
  int separator = SeekSplit(item, "=", 1);
  if (separator > static_cast<int>(item.size())) return "";
  return item.substr(static_cast<size_t>(separator));
}

std::string TQnStringList::GetKey(std::string_view value) const {
  std::string name;
  std::string itemValue;
  for (const TItem& item : Items) {
    SeparateEnvLine(item.Text, name, itemValue);
    if (itemValue == value) return name;
  }
  return "";
}

std::string TQnStringList::GetString(std::string_view name, const std::string& defaultValue) const {
  std::string value = Values(name);
  return value.empty() ? defaultValue : value;
}

int32_t TQnStringList::GetInt(std::string_view name, int32_t defaultValue) const {
  std::string value = Values(name);
  return value.empty() ? defaultValue : StrToInt(value);
}

int32_t TQnStringList::GetIntValue(std::string_view name) const { return GetInt(name, 0); }

long double TQnStringList::GetFloat(std::string_view name, long double defaultValue) const {
  std::string value = Values(name);
  return value.empty() ? defaultValue : StrToFloat(value);
}

long double TQnStringList::GetFloatValue(std::string_view name) const { return GetFloat(name, 0); }

TDateTime TQnStringList::GetDate(std::string_view name, TDateTime defaultValue) const {
  std::string value = Values(name);
  return value.empty() ? defaultValue : StrToDate(value);
}

TDateTime TQnStringList::GetDateValue(std::string_view name) const {
  return GetDate(name, FirstDate);
}

TDateTime TQnStringList::GetTime(std::string_view name, TDateTime defaultValue) const {
  std::string value = Values(name);
  return value.empty() ? defaultValue : StrToTime(value);
}

TDateTime TQnStringList::GetTimeValue(std::string_view name) const { return GetTime(name, 0); }

TDateTime TQnStringList::GetDateTime(std::string_view name, TDateTime defaultValue) const {
  std::string value = Values(name);
  return value.empty() ? defaultValue : StrToDateTime(value);
}

TDateTime TQnStringList::GetDateTimeValue(std::string_view name) const {
  return GetDateTime(name, FirstDate);
}

bool TQnStringList::GetBoolean(std::string_view name, bool defaultValue) const {
  std::string value = UpperCase(Values(name));
  // An empty value is no answer, even should a boolean word have been set to the empty text.
  if (value.empty()) return defaultValue;
  if (IsBoolText(value, BoolStrs()[0], BoolChars()[0])) return false;
  if (IsBoolText(value, BoolStrs()[1], BoolChars()[1])) return true;
  return defaultValue;
}

bool TQnStringList::GetBooleanValue(std::string_view name) const { return GetBoolean(name, false); }

void TQnStringList::SetIntValue(std::string_view name, int32_t value) {
  UpdateWith([&] { SetValue(name, std::to_string(value)); });
}

void TQnStringList::SetFloatValue(std::string_view name, long double value) {
  UpdateWith([&] { SetValue(name, FloatToStr(value)); });
}

void TQnStringList::SetDateValue(std::string_view name, TDateTime value) {
  UpdateWith([&] { SetValue(name, DateToStr(value)); });
}

void TQnStringList::SetTimeValue(std::string_view name, TDateTime value) {
  UpdateWith([&] { SetValue(name, TimeToStr(value)); });
}

void TQnStringList::SetDateTimeValue(std::string_view name, TDateTime value) {
  UpdateWith([&] { SetValue(name, DateTimeToStr(value)); });
}

void TQnStringList::SetBooleanValue(std::string_view name, bool value) {
  UpdateWith([&] { SetValue(name, BoolStrs()[value ? 1 : 0]); });
}

void TQnStringList::DefineProperties(TFiler& filer) { DefinePropertiesWith(*this, filer); }

bool TQnStringList::EnumrateProperties(const TPropProcessor& callback, uint16_t purpose,
                                       void* param) {
  // Flags and the policy travel through bytes of their own: a reader may store any byte,
  // which a bool or an enumeration must never receive unchecked.
  uint8_t caseSensitive = IsCaseSensitive ? 1 : 0;
  uint8_t duplicates = Duplicates;
  uint8_t sorted = SortedShadow ? 1 : 0;
  bool goOn = callback(&Defined, "Defined", ptSet8, Defined != 0, 0, param) &&
              callback(&Delimiter, "Delimiter", ptChar, Delimiter != ',', 0, param) &&
              callback(&QuoteChar, "Quote", ptChar, QuoteChar != '"', 0, param) &&
              callback(&NameValueSeparator, "Separator", ptChar, NameValueSeparator != '=', 0,
                       param) &&
              callback(&caseSensitive, "Case", ptBoolean, caseSensitive != 0, 0, param) &&
              callback(&duplicates, "Duplicates", ptByte, duplicates != 0, 0, param) &&
              callback(&sorted, "Sorted", ptBoolean, sorted != 0, 0, param);
  if (IsCaseSensitive != (caseSensitive != 0)) ItemsChanged();
  IsCaseSensitive = caseSensitive != 0;
  SortedShadow = sorted != 0;
  if (duplicates > dupError) throw EReadError(Msg::InvalidPropertyValue);
  Duplicates = static_cast<TDuplicates>(duplicates);
  if (!goOn) return false;
  if (purpose == epLoad) return EnumrateItemsForLoad(callback, param);

  int32_t count = Count();
  if (!callback(&count, "Count", ptInteger, count > 0, 0, param)) return false;
  std::string name;
  for (int i = 0; i < Count(); ++i) {
    std::string text = Items[static_cast<size_t>(i)].Text;
    if (!callback(&text, ItemName(name, "s", i), ptString, !text.empty(), 0, param)) return false;
    if (i >= Count()) break;
    TObject*& obj = Items[static_cast<size_t>(i)].Object;
    if (!callback(&obj, ItemName(name, "Obj", i), ptObject, obj != nullptr, 0, param))
      return false;
  }
  return true;
}

bool TQnStringList::EnumrateItemsForLoad(const TPropProcessor& callback, void* param) {
  int32_t count = 0;
  if (!callback(&count, "Count", ptInteger, false, 0, param)) {
    if (count < 0 || count > MaxLoadedListCount - Count())
      throw EReadError(Msg::InvalidPropertyValue);
    // Raw items: a sorted list must not reorder or merge the slots the stream fills by index.
    Items.resize(Items.size() + static_cast<size_t>(count));
    ItemsChanged();
    return false;
  }
  // A reader names the one item it has: with many items, walking through all their names for
  // every entry of a stream would take time in proportion to count times entries.
  int first = 0, last = Count() - 1;
  TFiler* filer = FilerOfParam(param);
  if (const std::string* wanted = filer && filer->IsReader() ? filer->PendingName() : nullptr) {
    int index = ItemIndexOfName(*wanted);
    if (index < 0 || index >= Count()) return true;
    first = last = index;
  }
  std::string name;
  for (int i = first; i <= last && i < Count(); ++i) {
    std::string text;
    if (!callback(&text, ItemName(name, "s", i), ptString, false, 0, param)) {
      if (i < Count()) Items[static_cast<size_t>(i)].Text = std::move(text);
      ItemsChanged();
      return false;
    }
    if (i >= Count()) break;
    TObject*& obj = Items[static_cast<size_t>(i)].Object;
    if (!callback(&obj, ItemName(name, "Obj", i), ptObject, obj != nullptr, 0, param))
      return false;
  }
  return true;
}

void TQnStringList::BeforeSave(TFiler&) { SortedShadow = Sorted(); }

void TQnStringList::AfterSave(TFiler&) {}

void TQnStringList::BeforeLoad(TFiler&) { SortedShadow = false; }

void TQnStringList::AfterLoad(TFiler&) { IsSorted = SortedShadow; }

}  // namespace qnexp
