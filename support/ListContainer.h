// List kinds and the list container: how plain string and pointer lists, which cannot describe
// themselves, travel through the object streams.
#pragma once

#include <cstdint>
#include <string>

#include "support/BaseObject.h"

namespace qnexp {

// The kind of a list object.
enum TListClassType : uint8_t {
  lcUnknown,        // no list
  lcStoredStrList,  // TStoredStrList
  lcQNStringList,   // TQnStringList
  lcStringList,     // a plain TStringList
  lcStack,          // TStack
  lcList,           // a plain TList
  lcQnList,         // TQnList
  lcUserDefine,     // any other object
};

// The names under which list kinds are written, in kind order. There are seven names for
// eight kinds: lcQnList is written as "UserDefine" (and read back as lcQnList), lcUserDefine
// as the empty name (read back as the default, lcQNStringList).
inline constexpr const char* ListClassNames =
    "Unknown,StoredStrList,QNStringList,StringList,Stack,List,UserDefine";

// The kind of obj: null, TStoredStrList, TQnStringList, another string list, the stack,
// TQnList, another pointer list, anything else, tested in that order.
TListClassType GetListClassType(TObject* obj);
// A new empty list of the kind (the caller owns it); null for lcUnknown, lcUserDefine and any
// other value.
TObject* CreateList(TListClassType kind);
// The kind whose written name is name (case-sensitive); lcQNStringList for an unknown name.
TListClassType ListClassTypeOfName(const std::string& name);
// The written name of kind; empty past the last name.
std::string ListClassTypeName(TListClassType kind);
// The string list through which a list's texts are read and written: the inner list of a
// TStoredStrList, the list itself for string lists; null otherwise.
class TStringList;
TStringList* StringListView(TObject* list);

// A temporary wrapper that persists a list which cannot describe itself. The container does
// not own the list it is given with Wrap; a list it made while being read is its own until
// TakeList hands it over (so a failed read frees it).
class TListContainer : public TBaseObject {
  QN_CLASS(TListContainer, TBaseObject)
public:
  TListContainer() = default;
  ~TListContainer() override;

  // Wraps list for writing; the container never frees it.
  void Wrap(TObject* list);
  // The list read (or wrapped), handed over to the caller; the container forgets it.
  TObject* TakeList();
  TObject* List() const { return Wrapped; }

  uint8_t ListType = lcUnknown;
  int32_t ListCount = 0;

  // "ListType" (ptEnum over ListClassNames), "ListCount" (ptInteger), "Strings" (ptStrings,
  // Extra = the list kind, stored when a list is wrapped), then "Object_<i>" (ptObject) per
  // item when storing. When loading, "Object_<i>" for i = 0, 1, ... are offered in order; the
  // object consumed becomes item i's object of a string list, or is appended to (or, within
  // the count, stored at i of) a pointer list. An item index with no string, a pointer list
  // already holding ListCount items, or a list kind that makes no list raises EReadError
  // "Invalid property value" (the object read is freed).
  bool EnumrateProperties(const TPropProcessor& callback, uint16_t purpose,
                          void* param) override;

private:
  bool EnumrateItemsForLoad(const TPropProcessor& callback, void* param);
  void Adopt(TObject* list);
  TObject* Wrapped = nullptr;
  bool OwnsList = false;
};

}  // namespace qnexp
