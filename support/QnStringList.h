// The keyed string list: a string list that owns its items' objects, reads and writes typed
// name=value pairs, extracts [sections] and persists itself through the property enumeration.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "runtime/DateTime.h"
#include "runtime/StringList.h"
#include "support/BaseObject.h"

namespace qnexp {

// The delimited-text characters whose value was assigned explicitly; bit (1 << member) of
// TQnStringList::Defined.
enum TStringsDefined : uint8_t { sdDelimiter, sdQuoteChar, sdNameValueSeparator };

// A change notification; the sender is the list that changed.
using TListNotifyEvent = std::function<void(TObject* sender)>;

// The most items one "Count" entry of a stream may announce. Empty items take no bytes in a
// stream, so the count cannot be checked against the bytes that remain; this bound keeps a
// damaged stream from exhausting memory (an item costs some 40 bytes, so the bound is about
// 170 MB) while leaving room for any list a person would keep.
inline constexpr int MaxLoadedListCount = 1 << 22;

// A string list that owns the objects attached to its items: Delete and the destructor free
// them, Clear does not (whoever clears takes over the objects, or loses them). An object
// handed to AddObject or InsertObject belongs to the list from then on, except when the list
// refuses the item (a duplicate in a sorted list: see AddObject). Single-threaded.
class TQnStringList : public TStringList, public IBaseObject {
  QN_CLASS(TQnStringList, TStringList)
public:
  TQnStringList() = default;
  // Frees every item's object, last item first, clearing each reference before the free.
  ~TQnStringList() override;

  // As the plain list. On a sorted list that ignores duplicates, an equal item already there
  // makes the call return its index without storing anything: obj is then not taken and stays
  // the caller's (compare GetObject of the result with obj). Under dupError nothing is taken
  // either and EListError is raised.
  int AddObject(const std::string& text, TObject* obj) override;
  // As the plain list; on an error (a sorted list, a bad index) obj is not taken.
  void InsertObject(int index, const std::string& text, TObject* obj) override;
  // Removes the item, then frees its object. A bad index raises EListError and frees nothing.
  void Delete(int index) override;
  // Moves the item with its object (never freed on the way). Raises as the plain list does,
  // before anything changes.
  void Move(int from, int to) override;
  // Removes every item without freeing the objects.
  void Clear() override;
  // Appends every item of source in order; an attached object is cloned (CloneObject), so the
  // lists never share an object. A failing clone raises its error; the items appended before
  // it stay. Appending a list to itself appends each item once.
  void AddStrings(const TStringList& source) override;
  // The same, putting item i of source at index + i. A bad index raises EListError.
  void InsertStrings(int index, const TStringList& source);
  // Clear (without freeing), take the delimiter, quote and separator characters with their
  // Defined set, then AddStrings. A plain source list counts the characters that differ from
  // the defaults as defined.
  void Assign(const TStringList& source) override;

  // Frees the object of item index, leaving the item; nothing for a bad index or no object.
  void FreeObject(int index);
  // FreeObject for every item.
  void FreeObjects();
  // Forgets every item's object without freeing it (the caller has taken them over).
  void NilObjects();

  // The update bracket: OnChanging fires when the outermost bracket opens and OnChange when
  // it closes; no notification fires inside. An EndUpdate without a BeginUpdate does nothing.
  // These hide the plain list's counters, which change nothing else.
  void BeginUpdate();
  void EndUpdate();
  // Runs change inside an update bracket, so listeners hear of it once. When change raises,
  // the bracket still closes (an error of a listener is then dropped) and the error goes on.
  template <class F>
  void UpdateWith(F&& change);

  // Assign one of the delimited-text characters and mark it in Defined.
  void SetDelimiter(char value);
  void SetQuoteChar(char value);
  void SetNameValueSeparator(char value);

  // Finds "[section]" followed by a line break in Text() (case-sensitive, starting on a
  // character boundary) and makes the text after it, up to the next line break that is
  // followed by "[", the lines of dest. A missing section leaves dest unchanged; a section
  // followed directly by another header gives dest no lines.
  void LoadSections(std::string_view section, TStringList& dest) const;
  // The part of item i before, respectively after, its first "=" outside quotes. Empty for a
  // bad index; without "=" the key is the whole item and the value is empty.
  std::string GetKeyByIndex(int i) const;
  std::string GetValueByIndex(int i) const;
  // The name, trimmed and upper-cased, of the first item whose value equals value exactly
  // (split as SeparateEnvLine splits); empty when no item holds value.
  std::string GetKey(std::string_view value) const;

  // Typed reading of the value of name (the first item whose name compares equal by the list's
  // case rule). An empty or missing value gives the default. A value that does not convert
  // raises EConvertError with the classic message ("'%s' is not a valid integer value",
  // "... floating point value", "... date", "... time", "... date and time").
  std::string GetString(std::string_view name, const std::string& defaultValue) const;
  int32_t GetInt(std::string_view name, int32_t defaultValue) const;
  int32_t GetIntValue(std::string_view name) const;
  long double GetFloat(std::string_view name, long double defaultValue) const;
  long double GetFloatValue(std::string_view name) const;
  // Dates read in the process's short date format; the default default is 1 January of year 1.
  TDateTime GetDate(std::string_view name, TDateTime defaultValue) const;
  TDateTime GetDateValue(std::string_view name) const;
  TDateTime GetTime(std::string_view name, TDateTime defaultValue) const;
  TDateTime GetTimeValue(std::string_view name) const;
  TDateTime GetDateTime(std::string_view name, TDateTime defaultValue) const;
  TDateTime GetDateTimeValue(std::string_view name) const;
  // False for the false word or letter of BoolStrs/BoolChars, true for the true ones (ASCII
  // case ignored), the default for anything else. Never raises.
  bool GetBoolean(std::string_view name, bool defaultValue) const;
  bool GetBooleanValue(std::string_view name) const;

  // Store value as the text of name: decimal integer, general floating text (15 significant
  // digits), the process's date, time or date and time text, the true or false word. A name
  // not present is appended as name=value.
  void SetIntValue(std::string_view name, int32_t value);
  void SetFloatValue(std::string_view name, long double value);
  void SetDateValue(std::string_view name, TDateTime value);
  void SetTimeValue(std::string_view name, TDateTime value);
  void SetDateTimeValue(std::string_view name, TDateTime value);
  void SetBooleanValue(std::string_view name, bool value);

  // IBaseObject. The enumeration reports "Defined", "Delimiter", "Quote", "Separator", "Case",
  // "Duplicates", "Sorted", then (except when loading) "Count" and "s<i>"/"Obj<i>" per item.
  // When loading, a consumed "Count" appends that many empty items and a consumed "s<i>" or
  // "Obj<i>" fills item i; each stops the enumeration. A count below 0 or above
  // MaxLoadedListCount raises EReadError "Invalid property value".
  void DefineProperties(TFiler& filer) override;
  bool EnumrateProperties(const TPropProcessor& callback, uint16_t purpose,
                          void* param) override;
  // The stream carries SortedShadow: saving takes it from Sorted(), loading starts it false,
  // and AfterLoad makes it the Sorted attribute without sorting, so items keep stored order.
  void BeforeSave(TFiler& filer) override;
  void AfterSave(TFiler& filer) override;
  void BeforeLoad(TFiler& filer) override;
  void AfterLoad(TFiler& filer) override;

  uint8_t Defined = 0;
  bool SortedShadow = false;
  TListNotifyEvent OnChange;
  TListNotifyEvent OnChanging;

private:
  bool EnumrateItemsForLoad(const TPropProcessor& callback, void* param);
  static void FreeQuietly(TObject* obj);
  // AddObject of an object made for this call: freed here whenever the list does not keep it.
  void AddOwned(const std::string& text, TObject* obj);
};

template <class F>
void TQnStringList::UpdateWith(F&& change) {
  BeginUpdate();
  try {
    change();
  } catch (...) {
    try {
      EndUpdate();
    } catch (...) {
    }
    throw;
  }
  EndUpdate();
}

}  // namespace qnexp
