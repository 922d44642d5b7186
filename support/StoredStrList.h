// The stored string list: a persistable object that owns one keyed string list and forwards
// the list operations to it; the base of the variable and macro lists.
#pragma once

#include <iosfwd>
#include <string>
#include <string_view>

#include "support/BaseObject.h"
#include "support/QnStringList.h"

namespace qnexp {

// Owns one TQnStringList, which owns the items' objects: Delete frees the item's object, the
// destructor frees them all, Clear and SetObj free nothing. Names are compared without regard
// to ASCII case unless the list is made case-sensitive. Bad indices raise EListError as the
// plain string list does. Single-threaded.
class TStoredStrList : public TBaseObject {
  QN_CLASS(TStoredStrList, TBaseObject)
public:
  TStoredStrList();
  // Releases the inner list and with it every item's object.
  ~TStoredStrList() override;

  // The inner list; there always is one (a list lost while loading is replaced by an empty one).
  TQnStringList& List() const;

  // Persisted as "Auto"; the library gives it no meaning of its own.
  bool AutoItemCaption = false;

  int Add(const std::string& text);
  // The list takes obj (see TQnStringList::AddObject for the one case where it does not).
  virtual int AddObject(const std::string& text, TObject* obj);
  void Insert(int index, const std::string& text);
  virtual void InsertObject(int index, const std::string& text, TObject* obj);
  // Removes the item and frees its object. Virtual so that a list with its own bookkeeping
  // (variable lists and their caches) sees every removal, whatever the caller's view of it.
  virtual void Delete(int index);
  // Removes every item; the objects are not freed (a variable list frees them).
  virtual void Clear();
  void Exchange(int a, int b);
  void Move(int from, int to);
  // Index of the first item equal to text by the list's case rule, -1 when none. Scans without
  // allocating (bisection on a sorted list).
  int IndexOf(std::string_view text) const;
  int IndexOfObject(const TObject* obj) const;
  void Sort();
  void BeginUpdate();
  void EndUpdate();
  // True when the texts are the same, in the same order (compared exactly).
  bool Equals(const TStringList& other) const;
  bool Equals(const TStoredStrList& other) const;
  // Appends the items of source, cloning attached objects (see TQnStringList::AddStrings).
  void AddStrings(const TStringList& source);

  // The items as plain text lines (each followed by CR LF); setting splits at CR LF, LF or CR
  // and replaces the items without freeing their objects.
  std::string GetText() const;
  void SetText(std::string_view text);
  // The plain text lines as GBK bytes in a file or a standard stream (not the object stream).
  // Reading also accepts UTF-8 that starts with a byte-order mark; invalid UTF-8 then raises
  // EConvertError. A file that cannot be opened raises EFOpenError "Cannot open file "%s". %s";
  // one that cannot be written EFCreateError "Cannot create file "%s". %s" and leaves any
  // existing file as it was (the file is replaced whole). A failing stream raises EReadError
  // "Stream read error" or EWriteError "Stream write error".
  void LoadFromFile(const std::string& fileName);
  void LoadFromStream(std::istream& stream);
  void SaveToFile(const std::string& fileName) override;
  void SaveToStream(std::ostream& stream);
  // The same plain lines on the library's streams: reading takes everything from the position
  // to the end, writing puts the lines at the position.
  void LoadFromStream(TStream& stream);
  void SaveToStream(TStream& stream) override;

  int GetCount() const;
  const std::string& GetString(int index) const;
  void SetString(int index, const std::string& text);
  // The object of item index; the list keeps owning it.
  virtual TObject* GetObj(int index) const;
  // Attaches obj to item index; the object attached before is neither freed nor returned, so
  // a caller replacing an object frees the old one itself (or keeps it elsewhere).
  virtual void SetObj(int index, TObject* obj);
  std::string GetValue(std::string_view name) const;
  // An empty value removes the item (freeing its object); a missing name is appended.
  void SetValue(std::string_view name, const std::string& value);
  TDuplicates GetDuplicates() const;
  void SetDuplicates(TDuplicates value);
  bool GetSorted() const;
  void SetSorted(bool value);
  const TListNotifyEvent& GetOnChange() const;
  void SetOnChange(TListNotifyEvent handler);
  const TListNotifyEvent& GetOnChanging() const;
  void SetOnChanging(TListNotifyEvent handler);

  // From a TBaseObject: the property copy (source.CopyProperties). From a string list: the
  // inner list's Assign. Anything else raises EConvertError "Cannot assign a %s to a %s".
  virtual void Assign(TObject& source);
  // To a TBaseObject: the property copy. To a string list: it assigns itself from the inner
  // list. Anything else raises EConvertError "Cannot assign a %s to a %s".
  virtual void AssignTo(TObject& dest);

  // "Auto" (ptBoolean, stored when true) and "List" (ptObjects, the inner list). A stream that
  // puts an object of another class in "List" raises EReadError "Invalid property value"; a
  // plain string list there is taken over into a keyed one.
  bool EnumrateProperties(const TPropProcessor& callback, uint16_t purpose,
                          void* param) override;
  void AfterLoad(TFiler& filer) override;
  // The legacy layout keeps the items in one property "List": pairs of a string value and a
  // legacy object up to 0x00, which replace the items.
  void DefinePropertiesOld(TFiler& filer) override;

private:
  // Null only between a release and the next use; List() makes a new one then.
  mutable TQnStringList* InnerList = nullptr;
  // Makes obj the inner list after an enumeration handed back another reference.
  void InstallList(TObject* obj);
};

// Reports a list that a node owns as the object property name: stored when it has items; a
// list read in its place replaces it (anything else read there is dropped); a release through
// the property leaves the owner without a list. The callback's result is returned.
bool EnumOwnedList(TStoredStrList*& list, const std::string& name,
                   const TPropProcessor& callback, uint16_t purpose, void* param);

}  // namespace qnexp
