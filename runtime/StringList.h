// The runtime's plain string list: ordered texts, each with an optional object reference,
// with optional sorting, a duplicates policy, case sensitivity and name=value access.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/Object.h"

namespace qnexp {

enum TDuplicates : uint8_t { dupIgnore, dupAccept, dupError };

// A list of GBK texts with an object reference per item. The plain list does not own the
// objects (descendants may). Bad indices raise EListError "List index out of bounds (%d)".
// Adding to a sorted list with dupError raises EListError "String list does not allow
// duplicates" (the duplicates policy applies to sorted lists only); operations that would
// break the order of a sorted list (Put, Insert, Move) raise EListError "Operation not allowed
// on sorted string list" and change nothing. Single-threaded, like the rest of the runtime.
class TStringList : public TObject {
  QN_CLASS(TStringList, TObject)
public:
  TStringList();
  ~TStringList() override;

  int Count() const { return static_cast<int>(Items.size()); }
  const std::string& Get(int index) const;
  void Put(int index, const std::string& text);
  TObject* GetObject(int index) const;
  void PutObject(int index, TObject* obj);

  // Appends, or on a sorted list inserts at the bisection point; returns the item's index
  // (with dupIgnore the index of the equal item already there, the new one being dropped).
  virtual int Add(const std::string& text);
  virtual int AddObject(const std::string& text, TObject* obj);
  virtual void Insert(int index, const std::string& text);
  virtual void InsertObject(int index, const std::string& text, TObject* obj);
  virtual void Delete(int index);
  // Moves the item with its object so that it ends at index to; both indices must be valid
  // before anything changes.
  virtual void Move(int from, int to);
  virtual void Clear();
  void Exchange(int a, int b);

  // Index of the first item equal to text (by the list's case rule), -1 when none. An unsorted
  // list of some length searched again and again keeps a hash index of its texts for this,
  // made when the searches have repaid it and followed through every change of the texts.
  virtual int IndexOf(std::string_view text) const;
  int IndexOfObject(const TObject* obj) const;
  // Bisection on a sorted list: true and the index when found, else false and the insertion
  // point. Unless duplicates are accepted, the index found is that of the first equal item.
  // On an unsorted list the answer is meaningless.
  bool Find(std::string_view text, int& index) const;
  // True when both lists hold the same texts in the same order (compared exactly).
  bool Equals(const TStringList& other) const;

  // name=value access with NameValueSeparator (never found inside a two-byte character).
  // Names and ValueFromIndex give the empty text for an item without separator.
  std::string Names(int index) const;
  std::string ValueFromIndex(int index) const;
  int IndexOfName(std::string_view name) const;
  std::string Values(std::string_view name) const;
  // Sets the value of name, appending name=value when the name is missing; an empty value
  // deletes the item. On a sorted list the changed item moves to its sorted place.
  void SetValue(std::string_view name, const std::string& value);

  // The items joined with CR LF after each; setting splits at CR LF, LF or CR.
  std::string Text() const;
  void SetText(std::string_view text);
  // Delimited form with Delimiter and QuoteChar: items containing blanks, control characters,
  // the delimiter or the quote are quoted (inner quotes doubled); a list of one empty item is
  // two quotes. Reading splits at the delimiter and at blanks outside quotes; an unterminated
  // quote runs to the end. CommaText uses ',' and '"'.
  std::string DelimitedText() const;
  void SetDelimitedText(std::string_view text);
  std::string CommaText() const;
  void SetCommaText(std::string_view text);

  // Sorts by CompareStrings, keeping equal items in their order.
  void Sort();
  virtual void AddStrings(const TStringList& source);
  // Clear, take the delimiter, quote and separator characters, then AddStrings.
  virtual void Assign(const TStringList& source);
  void BeginUpdate() { ++UpdateCount; }
  void EndUpdate() { --UpdateCount; }

  bool Sorted() const { return IsSorted; }
  void SetSorted(bool value);
  bool CaseSensitive() const { return IsCaseSensitive; }
  // A sorted list is sorted again by the new rule.
  void SetCaseSensitive(bool value);

  TDuplicates Duplicates = dupIgnore;
  char Delimiter = ',';
  char QuoteChar = '"';
  char NameValueSeparator = '=';

protected:
  // Compares two texts by the list's case rule: bytes as unsigned values; without case
  // sensitivity ASCII letters compare as upper case, while both bytes of a two-byte character
  // compare exactly. Negative, zero or positive.
  int CompareStrings(std::string_view a, std::string_view b) const;

  struct TItem {
    std::string Text;
    TObject* Object = nullptr;
  };
  std::vector<TItem> Items;
  int UpdateCount = 0;
  bool IsSorted = false;
  bool IsCaseSensitive = false;
  // A descendant that changes the texts of Items, their order or the case rule directly
  // calls this, so that IndexOf does not answer from an index of the former texts.
  void ItemsChanged() { ++Changes; }

private:
  class TNameIndex;
  int ScanFor(std::string_view text) const;
  // Counts every change of the texts, their order or the case rule.
  uint64_t Changes = 0;
  mutable std::unique_ptr<TNameIndex> Index;
  std::string DelimitedTextWith(char delimiter, char quote) const;
  void SetDelimitedTextWith(std::string_view text, char delimiter, char quote);
};

}  // namespace qnexp
