// Cloning objects through the object streams, and copying the properties two objects share.
#include "support/ObjClone.h"

#include <cstring>
#include <memory>
#include <vector>

#include "runtime/Exception.h"
#include "runtime/Format.h"
#include "runtime/Gbk.h"
#include "runtime/GbkChars.h"
#include "runtime/Stream.h"
#include "runtime/StringList.h"
#include "runtime/Variant.h"
#include "support/BaseObject.h"
#include "support/ListContainer.h"
#include "support/ObjReader.h"
#include "support/ObjStream.h"
#include "support/ObjWriter.h"
#include "support/QnList.h"
#include "support/SplitStr.h"
#include "support/Wildcard.h"

namespace qnexp {

namespace {

template <class F>
TObject* WithCloneContext(TObject* obj, F copy) {
  try {
    return copy();
  } catch (Exception& error) {
    error.Message += "\r\n" + Format(Res("复制对象 %s 失败"), {GetObjCaption(obj)});
    throw;
  }
}

// A new list of the kind of source holding what it holds: texts (and clones of their objects
// for the keyed lists) or entries; other objects are cloned whole.
TObject* CopyStringsObject(TObject* source) {
  if (!source) return nullptr;
  TListClassType kind = GetListClassType(source);
  std::unique_ptr<TObject> copy(CreateList(kind));
  if (!copy) return CloneObject(source);
  if (TStringList* from = StringListView(source)) {
    StringListView(copy.get())->Assign(*from);
  } else if (auto* entries = ObjectAs<TList>(source)) {
    // An owning list must not share its objects with the copy.
    if (kind == lcQnList) return CloneListObject(source);
    for (int i = 0; i < entries->Count(); ++i) static_cast<TList*>(copy.get())->Add(entries->Get(i));
  }
  return copy.release();
}

// Copies one property value of kind type from source to target storage.
void AssignValue(void* target, const void* source, TPropType type, intptr_t extra) {
  switch (type) {
    case ptUnknown:
      return;
    case ptComponent: case ptObject: case ptObjects: case ptStrings: {
      auto& ref = *static_cast<TObject**>(target);
      TObject* from = *static_cast<TObject* const*>(source);
      TObject* copy = type == ptObjects   ? (from ? CloneListObject(from) : nullptr)
                      : type == ptStrings ? CopyStringsObject(from)
                                          : CloneObject(from);
      std::unique_ptr<TObject> old(ref);
      ref = copy;
      return;
    }
    case ptString: case ptPassword:
      *static_cast<std::string*>(target) = *static_cast<const std::string*>(source);
      return;
    case ptPChar: {
      auto& buffer = *static_cast<char**>(target);
      const char* text = *static_cast<char* const*>(source);
      size_t length = text ? std::strlen(text) : 0;
      char* fresh = new char[length + 1];
      if (length) std::memcpy(fresh, text, length);
      fresh[length] = '\0';
      delete[] buffer;
      buffer = fresh;
      return;
    }
    case ptShortStr:
      std::memcpy(target, source, size_t{*static_cast<const uint8_t*>(source)} + 1);
      return;
    case ptVariant:
      *static_cast<TVariant*>(target) = *static_cast<const TVariant*>(source);
      return;
    case ptBinary:
      if (extra > 0) std::memcpy(target, source, static_cast<size_t>(extra));
      return;
    case ptDynaData: {
      if (extra <= 0) return;
      auto& block = *static_cast<uint8_t**>(target);
      const uint8_t* from = *static_cast<uint8_t* const*>(source);
      if (!block) block = new uint8_t[static_cast<size_t>(extra)]();
      if (from) std::memcpy(block, from, static_cast<size_t>(extra));
      return;
    }
    default:
      std::memcpy(target, source, static_cast<size_t>(PropRawSize(type)));
      return;
  }
}

}  // namespace

TObject* CloneObject(TObject* obj) {
  if (!obj) return nullptr;
  return WithCloneContext(obj, [obj] {
    TMemoryStream stream;
    StreamWriteObject(stream, obj);
    stream.SetPosition(0);
    return StreamReadObject(stream);
  });
}

TObject* CloneListObject(TObject* list) {
  if (!list) return nullptr;
  return WithCloneContext(list, [list] {
    TMemoryStream stream;
    TObjWriter writer(stream);
    writer.WriteObjects(list, "");
    stream.SetPosition(0);
    TObjReader reader(stream);
    return reader.ReadObjects();
  });
}

void CopyObjectProperties(TBaseObject& source, TBaseObject& target, const std::string& names) {
  const TClassInfo* common = FindClassesAncestry(&source.ClassType(), &target.ClassType(),
                                                 &TBaseObject::StaticClass());
  if (!common || !common->Create) return;

  // The names the common class reports, from a fresh instance of it.
  std::vector<std::string> known;
  {
    std::unique_ptr<TObject> sample(common->Create());
    if (auto* base = ObjectAs<TBaseObject>(sample.get()))
      base->EnumrateProperties(
          [&known](void*, const std::string& name, TPropType, bool, intptr_t, void*) {
            known.push_back(name);
            return true;
          },
          epStore, nullptr);
  }
  std::string working;
  if (names.empty() || names == "*") {
    for (const std::string& name : known) working += (working.empty() ? "" : ";") + name;
  } else {
    for (int i = 0, n = SParamCount(names, ";"); i < n; ++i) {
      std::string pattern = SParam(names, ";", i);
      bool isKnown = false;
      for (const std::string& name : known) isKnown = isKnown || SameText(name, pattern);
      if (isKnown) working += (working.empty() ? "" : ";") + pattern;
    }
  }
  if (working.empty()) return;

  // Each matching property of the source is handed to the target's load enumeration, which
  // takes it in its own place as a reader's value would be taken, objects and lists included.
  source.EnumrateProperties(
      [&](void* prop, const std::string& name, TPropType type, bool, intptr_t extra, void*) {
        if (!prop || !LikeAny(name, working, ';', true)) return true;
        target.EnumrateProperties(
            [&](void* targetProp, const std::string& targetName, TPropType targetType, bool,
                intptr_t, void*) {
              if (targetName != name) return true;
              if (targetType == type && targetProp) AssignValue(targetProp, prop, type, extra);
              return false;
            },
            epLoad, nullptr);
        return true;
      },
      epStore, nullptr);
}

}  // namespace qnexp
