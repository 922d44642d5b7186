// Pointer lists, the stack and the owning persistable list.
#include "support/QnList.h"

#include <memory>

#include "runtime/Exception.h"
#include "runtime/Format.h"

namespace qnexp {

void TList::CheckIndex(int index) const {
  if (index < 0 || index >= Count()) throw EListError(Format(Msg::ListIndexError, {index}));
}

TObject* TList::Get(int index) const {
  CheckIndex(index);
  return Items[static_cast<size_t>(index)];
}

void TList::Put(int index, TObject* obj) {
  CheckIndex(index);
  Items[static_cast<size_t>(index)] = obj;
}

int TList::Add(TObject* obj) {
  Items.push_back(obj);
  return Count() - 1;
}

void TList::Insert(int index, TObject* obj) {
  if (index < 0 || index > Count()) throw EListError(Format(Msg::ListIndexError, {index}));
  Items.insert(Items.begin() + index, obj);
}

void TList::Delete(int index) {
  CheckIndex(index);
  Items.erase(Items.begin() + index);
}

void TList::Clear() { Items.clear(); }

int TList::IndexOf(const TObject* obj) const {
  for (int i = 0; i < Count(); ++i)
    if (Items[static_cast<size_t>(i)] == obj) return i;
  return -1;
}

TObject* TStack::Pop() {
  if (Items.empty()) return nullptr;
  TObject* last = Items.back();
  Items.pop_back();
  return last;
}

TQnList::~TQnList() { Clear(); }

void TQnList::Delete(int index) {
  CheckIndex(index);
  std::unique_ptr<TObject> owned(Items[static_cast<size_t>(index)]);
  Items.erase(Items.begin() + index);
}

void TQnList::Clear() {
  // Last first, each entry forgotten before it is freed, so a failing destructor leaves no
  // dangling entry behind.
  while (!Items.empty()) {
    std::unique_ptr<TObject> owned(Items.back());
    Items.pop_back();
  }
}

void TQnList::NilObjects() { Items.clear(); }

void TQnList::DefineProperties(TFiler& filer) { DefinePropertiesWith(*this, filer); }

bool TQnList::EnumrateProperties(const TPropProcessor& callback, uint16_t purpose,
                                 void* param) {
  if (purpose == epLoad) {
    TObject* next = nullptr;
    bool goOn = callback(&next, "Item" + std::to_string(Count()), ptObject, false, 0, param);
    if (next) Items.push_back(next);
    return goOn;
  }
  if (purpose == epRelease) {
    Clear();
    return true;
  }
  for (int i = 0; i < Count(); ++i) {
    TObject* item = Items[static_cast<size_t>(i)];
    if (!callback(&item, "Item" + std::to_string(i), ptObject, item != nullptr, 0, param))
      return false;
  }
  return true;
}

}  // namespace qnexp
