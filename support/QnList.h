// Pointer lists: the plain list of object references, the stack built on it, and the
// persistable list that owns its objects.
#pragma once

#include <vector>

#include "runtime/Object.h"
#include "support/BaseObject.h"

namespace qnexp {

// An ordered list of object references; it owns none of them (null entries are allowed).
// Bad indices raise EListError "List index out of bounds (%d)". Single-threaded.
class TList : public TObject {
  QN_CLASS(TList, TObject)
public:
  TList() = default;

  int Count() const { return static_cast<int>(Items.size()); }
  TObject* Get(int index) const;
  void Put(int index, TObject* obj);
  int Add(TObject* obj);
  void Insert(int index, TObject* obj);
  virtual void Delete(int index);
  // Forgets every entry (a descendant that owns them frees them).
  virtual void Clear();
  int IndexOf(const TObject* obj) const;

protected:
  void CheckIndex(int index) const;
  std::vector<TObject*> Items;
};

// Last in, first out over a TList: Push appends, Pop takes the last entry off.
class TStack : public TList {
  QN_CLASS(TStack, TList)
public:
  void Push(TObject* obj) { Add(obj); }
  // The last entry, removed; null when the stack is empty.
  TObject* Pop();
  // The last entry, left in place; null when the stack is empty.
  TObject* Peek() const { return Items.empty() ? nullptr : Items.back(); }
};

// A pointer list that owns its objects (Delete, Clear and the destructor free them) and
// persists them as children "Item<i>". Entries that are null are not stored, so a list
// read back holds only its objects, in order.
class TQnList : public TList, public IBaseObject {
  QN_CLASS(TQnList, TList)
public:
  TQnList() = default;
  ~TQnList() override;

  void Delete(int index) override;
  void Clear() override;
  // Forgets every entry without freeing (the caller has taken the objects over).
  void NilObjects();

  void DefineProperties(TFiler& filer) override;
  // Store: "Item<i>" (ptObject) per entry. Load: "Item<n>" for the next index n; a consumed
  // one is appended.
  bool EnumrateProperties(const TPropProcessor& callback, uint16_t purpose,
                          void* param) override;
  void BeforeSave(TFiler&) override {}
  void AfterSave(TFiler&) override {}
  void BeforeLoad(TFiler&) override {}
  void AfterLoad(TFiler&) override {}
};

}  // namespace qnexp
