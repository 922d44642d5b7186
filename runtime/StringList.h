// The runtime's plain string list: ordered texts, each with an optional object reference,
// with optional sorting, a duplicates policy, case sensitivity and name=value access.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "runtime/Object.h"

namespace qnexp {

enum TDuplicates : uint8_t { dupIgnore, dupAccept, dupError };

// A list of GBK texts with an object reference per item. The plain list does not own the
// objects (descendants may). Bad indices raise EListError "List index out of bounds (%d)".
// Adding to a sorted list with dupError raises EListError "String list does not allow
// duplicates"; sorting-dependent operations on a sorted list (Insert) raise EListError
// "Operation not allowed on sorted string list".
class TStringList : public TObject {
  QN_CLASS(TStringList, TObject)
public:
  TStringList() = default;
  ~TStringList() override = default;

  int Count() const { return static_cast<int>(Items.size()); }
  const std::string& Get(int index) const;
  void Put(int index, const std::string& text);
  TObject* GetObject(int index) const;
  void PutObject(int index, TObject* obj);

  virtual int Add(const std::string& text);
  virtual int AddObject(const std::string& text, TObject* obj);
  virtual void Insert(int index, const std::string& text);
  virtual void InsertObject(int index, const std::string& text, TObject* obj);
  virtual void Delete(int index);
  virtual void Move(int from, int to);
  virtual void Clear();
  void Exchange(int a, int b);

  // Index of the first item equal to text (by the list's case rule), -1 when none.
  virtual int IndexOf(std::string_view text) const;
  int IndexOfObject(const TObject* obj) const;
  // Bisection on a sorted list: true and the index when found, else false and the insertion
  // point.
  bool Find(std::string_view text, int& index) const;

  // name=value access with NameValueSeparator.
  std::string Names(int index) const;
  std::string ValueFromIndex(int index) const;
  int IndexOfName(std::string_view name) const;
  std::string Values(std::string_view name) const;
  // Sets the value of name; an empty value deletes the item.
  void SetValue(std::string_view name, const std::string& value);

  // The items joined with CR LF after each; setting splits at CR LF, LF or CR.
  std::string Text() const;
  void SetText(std::string_view text);
  // Delimited form with Delimiter and QuoteChar (items containing blanks, the delimiter or
  // quotes are quoted); CommaText uses ',' and '"'.
  std::string DelimitedText() const;
  void SetDelimitedText(std::string_view text);
  std::string CommaText() const;
  void SetCommaText(std::string_view text);

  void Sort();
  virtual void AddStrings(const TStringList& source);
  virtual void Assign(const TStringList& source);
  void BeginUpdate() { ++UpdateCount; }
  void EndUpdate() { --UpdateCount; }

  bool Sorted() const { return IsSorted; }
  void SetSorted(bool value);
  bool CaseSensitive() const { return IsCaseSensitive; }
  void SetCaseSensitive(bool value);

  TDuplicates Duplicates = dupIgnore;
  char Delimiter = ',';
  char QuoteChar = '"';
  char NameValueSeparator = '=';

protected:
  // Compares two texts by the list's case rule (case-insensitive compares ASCII letters only).
  int CompareStrings(std::string_view a, std::string_view b) const;

  struct TItem {
    std::string Text;
    TObject* Object = nullptr;
  };
  std::vector<TItem> Items;
  int UpdateCount = 0;
  bool IsSorted = false;
  bool IsCaseSensitive = false;
};

}  // namespace qnexp
