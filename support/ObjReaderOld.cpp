// The legacy layout of object streams, read only: objects without names or child lists, and
// property values that mostly carry no tag.
#include <cstring>
#include <memory>

#include "runtime/Exception.h"
#include "runtime/Stream.h"
#include "runtime/StringList.h"
#include "support/ListContainer.h"
#include "support/ObjCreators.h"
#include "support/ObjReader.h"
#include "support/QnList.h"
#include "support/SplitStr.h"

namespace qnexp {

namespace {

[[noreturn]] void RaiseBadValue() { throw EReadError(Msg::InvalidPropertyValue); }

// Adds an object read for a list (new, so never sorted) to it, or frees it where the list
// keeps no objects.
void AddItem(TObject* list, const std::string* text, TObject* item) {
  std::unique_ptr<TObject> owned(item);
  if (TStringList* strings = StringListView(list))
    strings->AddObject(text ? *text : std::string(), owned.release());
  else if (auto* entries = ObjectAs<TList>(list))
    entries->Add(owned.release());
}

// Frees the objects read into a list that does not free them itself.
void FreePlainItems(TObject* list, TListClassType kind) {
  if (kind == lcStringList) {
    auto* strings = static_cast<TStringList*>(list);
    for (int i = 0; i < strings->Count(); ++i) delete strings->GetObject(i);
  } else if (kind == lcList || kind == lcStack) {
    auto* entries = static_cast<TList*>(list);
    for (int i = 0; i < entries->Count(); ++i) delete entries->Get(i);
  }
}

}  // namespace

uint8_t TObjReader::ReadListTypeOld() {
  int64_t kind = ReadInteger() + 1;
  if (kind < lcUnknown || kind > lcUserDefine) RaiseBadValue();
  return static_cast<uint8_t>(kind);
}

void TObjReader::ReadEnumOld(uint8_t* ordinal, const char* names) {
  std::string name = ReadStr();
  std::string_view list = names ? names : "";
  int count = SParamCount(list, ",");
  for (int i = 0; i < count && i < 256; ++i)
    if (SParam(list, ",", i) == name) {
      *ordinal = static_cast<uint8_t>(i);
      return;
    }
  *ordinal = static_cast<uint8_t>(count < 255 ? count : 255);
}

TObject* TObjReader::ReadStringsOld() {
  auto kind = static_cast<TListClassType>(ReadListTypeOld());
  std::unique_ptr<TObject> list(CreateList(kind));
  TStringList* strings = StringListView(list.get());
  ReadListBegin();
  while (!EndOfList()) {
    std::string text = ReadString();
    if (strings) strings->Add(text);
  }
  ReadListEnd();
  return list.release();
}

TObject* TObjReader::ReadObjectsOld() {
  auto kind = static_cast<TListClassType>(ReadListTypeOld());
  std::unique_ptr<TObject> list(CreateList(kind));
  bool withTexts = kind >= lcStoredStrList && kind <= lcStringList;
  ReadListBegin();
  try {
    while (!EndOfList()) {
      std::string text;
      if (withTexts) text = ReadString();
      AddItem(list.get(), withTexts ? &text : nullptr, ReadObjectOld());
    }
    ReadListEnd();
  } catch (...) {
    if (list) FreePlainItems(list.get(), kind);
    throw;
  }
  return list.release();
}

TObject* TObjReader::ReadObjectOld() {
  TDepthGuard guard(Depth);
  std::string className = ReadStr();
  if (className.empty()) return nullptr;
  std::unique_ptr<TObject> obj(CreateObject(className, Root, CurrentParent));
  IBaseObject* intf = BaseObjectIntf(obj.get());
  if (intf) intf->BeforeLoad(*this);
  LoadLegacyProperties(obj.get());
  if (intf) intf->AfterLoad(*this);
  return obj.release();
}

void TObjReader::LoadLegacyProperties(TObject* obj) {
  auto* base = ObjectAs<TBaseObject>(obj);
  IBaseObject* intf = BaseObjectIntf(obj);
  while (!EndOfList()) {
    LookedFor = ReadStr();
    HasLookedFor = true;
    if (base) {
      base->DefinePropertiesOld(*this);
    } else if (intf) {
      intf->EnumrateProperties(
          [this](void* prop, const std::string& name, TPropType type, bool, intptr_t extra,
                 void*) { return ReadPropertyOld(prop, name, type, extra); },
          epLoad, nullptr);
    }
    // The legacy layout gives no way to step over a value of unknown kind.
    if (HasLookedFor) RaiseBadValue();
  }
  ReadListEnd();
}

bool TObjReader::ReadPropertyOld(void* prop, const std::string& propName, TPropType propType,
                                 intptr_t extra) {
  if (!prop || propType == ptUnknown || !IsLookingFor(propName)) return true;
  HasLookedFor = false;
  switch (propType) {
    case ptString:
      *static_cast<std::string*>(prop) = ReadStr();
      break;
    case ptShortStr: {
      std::string text = ReadStr();
      if (text.size() > 255) text.resize(255);
      auto* bytes = static_cast<uint8_t*>(prop);
      bytes[0] = static_cast<uint8_t>(text.size());
      std::memcpy(bytes + 1, text.data(), text.size());
      break;
    }
    case ptPChar: {
      int64_t length = ReadInteger();
      Need(length);
      auto fresh = std::make_unique<char[]>(static_cast<size_t>(length) + 1);
      ReadRaw(fresh.get(), static_cast<size_t>(length));
      fresh[static_cast<size_t>(length)] = '\0';
      auto& buffer = *static_cast<char**>(prop);
      delete[] buffer;
      buffer = fresh.release();
      break;
    }
    case ptEnum:
      ReadEnumOld(static_cast<uint8_t*>(prop), reinterpret_cast<const char*>(extra));
      break;
    case ptComponent: case ptObject: case ptObjects: case ptStrings: {
      auto& ref = *static_cast<TObject**>(prop);
      std::unique_ptr<TObject> old(ref);
      ref = nullptr;
      old.reset();
      ref = propType == ptObjects ? ReadObjectsOld()
            : propType == ptStrings ? ReadStringsOld()
                                    : ReadObjectOld();
      break;
    }
    default: {
      // Everything else is its raw bytes without a tag (nothing for the kinds of no fixed size).
      size_t size = static_cast<size_t>(PropRawSize(propType));
      ReadRaw(prop, size);
      if (propType == ptBoolean) *static_cast<uint8_t*>(prop) = *static_cast<uint8_t*>(prop) != 0;
      break;
    }
  }
  return false;
}

}  // namespace qnexp
