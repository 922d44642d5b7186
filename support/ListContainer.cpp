// List kinds, their names and the list container.
#include "support/ListContainer.h"

#include <memory>

#include "runtime/Exception.h"
#include "runtime/StringList.h"
#include "support/QnList.h"
#include "support/QnStringList.h"
#include "support/SplitStr.h"
#include "support/StoredStrList.h"

namespace qnexp {

TListClassType GetListClassType(TObject* obj) {
  if (!obj) return lcUnknown;
  if (ObjectAs<TStoredStrList>(obj)) return lcStoredStrList;
  if (ObjectAs<TQnStringList>(obj)) return lcQNStringList;
  if (ObjectAs<TStringList>(obj)) return lcStringList;
  if (ObjectAs<TStack>(obj)) return lcStack;
  if (ObjectAs<TQnList>(obj)) return lcQnList;
  if (ObjectAs<TList>(obj)) return lcList;
  return lcUserDefine;
}

TObject* CreateList(TListClassType kind) {
  switch (kind) {
    case lcStoredStrList: return new TStoredStrList;
    case lcQNStringList: return new TQnStringList;
    case lcStringList: return new TStringList;
    case lcStack: return new TStack;
    case lcList: return new TList;
    case lcQnList: return new TQnList;
    default: return nullptr;
  }
}

TListClassType ListClassTypeOfName(const std::string& name) {
  int count = SParamCount(ListClassNames, ",");
  for (int i = 0; i < count; ++i)
    if (SParam(ListClassNames, ",", i) == name && !name.empty())
      return i == 6 ? lcQnList : static_cast<TListClassType>(i);
  return lcQNStringList;
}

std::string ListClassTypeName(TListClassType kind) {
  if (kind >= SParamCount(ListClassNames, ",")) return "";
  return SParam(ListClassNames, ",", kind);
}

TStringList* StringListView(TObject* list) {
  if (auto* stored = ObjectAs<TStoredStrList>(list)) return &stored->List();
  return ObjectAs<TStringList>(list);
}

namespace {

// Frees a list the container made, with the objects read into it: plain string and pointer
// lists do not free their objects themselves.
void FreeReadList(TObject* list) {
  if (!list) return;
  if (GetListClassType(list) == lcStringList) {
    auto* strings = static_cast<TStringList*>(list);
    for (int i = 0; i < strings->Count(); ++i) {
      std::unique_ptr<TObject> item(strings->GetObject(i));
      strings->PutObject(i, nullptr);
    }
  } else if (auto* pointers = ObjectAs<TList>(list); pointers && !ObjectAs<TQnList>(list)) {
    for (int i = 0; i < pointers->Count(); ++i) {
      std::unique_ptr<TObject> item(pointers->Get(i));
      pointers->Put(i, nullptr);
    }
  }
  delete list;
}

}  // namespace

TListContainer::~TListContainer() {
  // The release enumeration reports nothing owned: the wrapped list is forgotten or freed here.
  if (OwnsList) FreeReadList(Wrapped);
  Wrapped = nullptr;
}

void TListContainer::Wrap(TObject* list) {
  if (OwnsList) FreeReadList(Wrapped);
  OwnsList = false;
  Wrapped = list;
  ListType = GetListClassType(list);
  ListCount = 0;
  if (TStringList* strings = StringListView(list))
    ListCount = strings->Count();
  else if (auto* pointers = ObjectAs<TList>(list))
    ListCount = pointers->Count();
}

TObject* TListContainer::TakeList() {
  TObject* list = Wrapped;
  Wrapped = nullptr;
  OwnsList = false;
  return list;
}

void TListContainer::Adopt(TObject* list) {
  if (list == Wrapped) return;
  if (OwnsList) FreeReadList(Wrapped);
  Wrapped = list;
  OwnsList = list != nullptr;
}

bool TListContainer::EnumrateProperties(const TPropProcessor& callback, uint16_t purpose,
                                        void* param) {
  if (!TBaseObject::EnumrateProperties(callback, purpose, param)) return false;
  if (purpose == epRelease) return true;
  if (purpose == epLoad && ListType == lcUnknown) ListType = lcQNStringList;
  if (!callback(&ListType, "ListType", ptEnum, true,
                reinterpret_cast<intptr_t>(ListClassNames), param))
    return false;
  if (!callback(&ListCount, "ListCount", ptInteger, true, 0, param)) return false;

  // When loading, the callback gets an empty slot: a list read there replaces the container's
  // own (a stream may name "Strings" twice), which is then freed with the objects read into it.
  TObject* list = purpose == epLoad ? nullptr : Wrapped;
  bool goOn;
  try {
    goOn = callback(&list, "Strings", ptStrings, list != nullptr, ListType, param);
  } catch (...) {
    if (purpose == epLoad && list) Adopt(list);
    throw;
  }
  if (purpose == epLoad && list) Adopt(list);
  if (!goOn) return false;

  if (purpose == epLoad) return EnumrateItemsForLoad(callback, param);
  TStringList* strings = StringListView(Wrapped);
  auto* pointers = ObjectAs<TList>(Wrapped);
  int count = strings ? strings->Count() : pointers ? pointers->Count() : 0;
  for (int i = 0; i < count; ++i) {
    TObject* item = strings ? strings->GetObject(i) : pointers->Get(i);
    if (!callback(&item, "Object_" + std::to_string(i), ptObject, item != nullptr, 0, param))
      return false;
  }
  return true;
}

bool TListContainer::EnumrateItemsForLoad(const TPropProcessor& callback, void* param) {
  TStringList* strings = StringListView(Wrapped);
  auto* pointers = ObjectAs<TList>(Wrapped);
  // Items are offered up to the count the list can take; a pointer list grows by appending.
  int64_t limit = strings ? strings->Count() : pointers ? std::max(ListCount, 0) : -1;
  int64_t first = 0, last = limit;
  // The count comes from the stream: a reader names the one item it has, so that a huge count
  // does not make every entry walk through all the names.
  TFiler* filer = FilerOfParam(param);
  if (const std::string* wanted = filer && filer->IsReader() ? filer->PendingName() : nullptr) {
    static const std::string prefix = "Object_";
    int64_t index = -1;
    if (wanted->size() > prefix.size() && wanted->size() <= prefix.size() + 10 &&
        wanted->compare(0, prefix.size(), prefix) == 0) {
      index = 0;
      for (size_t i = prefix.size(); i < wanted->size() && index >= 0; ++i) {
        char c = (*wanted)[i];
        index = c >= '0' && c <= '9' ? index * 10 + (c - '0') : -1;
      }
      // The name must be the one the index prints as.
      if (index >= 0 && "Object_" + std::to_string(index) != *wanted) index = -1;
    }
    if (index < 0 || index > limit) return true;
    first = last = index;
  }
  for (int64_t i = first; i <= last; ++i) {
    TObject* item = nullptr;
    bool goOn = callback(&item, "Object_" + std::to_string(i), ptObject, false, 0, param);
    if (item) {
      std::unique_ptr<TObject> read(item);
      int index = static_cast<int>(i);
      if (strings && index < strings->Count()) {
        // Whatever a repeated entry put there before came from this stream and is freed.
        std::unique_ptr<TObject> old(strings->GetObject(index));
        strings->PutObject(index, read.release());
      } else if (pointers && index < pointers->Count()) {
        std::unique_ptr<TObject> old(pointers->Get(index));
        pointers->Put(index, read.release());
      } else if (pointers && pointers->Count() < ListCount) {
        pointers->Add(read.release());
      } else {
        throw EReadError(Msg::InvalidPropertyValue);
      }
    }
    if (!goOn) return false;
  }
  return true;
}

}  // namespace qnexp
