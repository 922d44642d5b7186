// The persistent-object base, its release enumeration, its operations over the object streams
// and the class registry functions.
#include "support/BaseObject.h"

#include <memory>

#include "runtime/Exception.h"
#include "runtime/Stream.h"
#include "runtime/StringList.h"
#include "support/ObjClipboard.h"
#include "support/ObjClone.h"
#include "support/ObjReader.h"
#include "support/ObjStream.h"

namespace qnexp {

int PropRawSize(TPropType kind) {
  switch (kind) {
    case ptEnum: case ptShortint: case ptByte: case ptBoolean: case ptByteBool: case ptChar:
    case ptSet8:
      return 1;
    case ptSmallInt: case ptWord: case ptWordBool: case ptSet16:
      return 2;
    case ptInteger: case ptLongint: case ptCardinal: case ptLongBool: case ptSingle: case ptSet32:
      return 4;
    case ptReal: case ptDouble: case ptComp: case ptDate: case ptTime: case ptDateTime:
    case ptSet64:
      return 8;
    case ptExtended:
      return 10;
    case ptSet128:
      return 16;
    case ptSet256:
      return 32;
    default:
      return 0;
  }
}

IBaseObject* BaseObjectIntf(TObject* obj) { return dynamic_cast<IBaseObject*>(obj); }

void DefinePropertiesWith(IBaseObject& obj, TFiler& filer) {
  TFiler* filerRef = &filer;
  TPropProcessor callback = [&filer](void* prop, const std::string& name, TPropType type,
                                     bool hasData, intptr_t extra, void* param) {
    return filer.PropertyData(prop, name, type, hasData, extra, param);
  };
  obj.EnumrateProperties(callback, filer.IsReader() ? epLoad : epStore, &filerRef);
}

void TBaseObject::DefineProperties(TFiler& filer) { DefinePropertiesWith(*this, filer); }

bool TBaseObject::EnumrateProperties(const TPropProcessor&, uint16_t, void*) { return true; }

std::string TBaseObject::GetObjCaption() { return ClassName(); }

void TBaseObject::SetObjCaption(const std::string&) {}

bool TBaseObject::DestroyProp(void* prop, const std::string&, TPropType propType, bool,
                              intptr_t, void*) {
  try {
    switch (propType) {
      case ptComponent: case ptObject: case ptObjects: case ptStrings: {
        auto& ref = *static_cast<TObject**>(prop);
        // Cleared before the delete so that a failing destructor leaves no dangling reference.
        std::unique_ptr<TObject> owned(ref);
        ref = nullptr;
        break;
      }
      case ptPChar: case ptDynaData: {
        auto& ref = *static_cast<char**>(prop);
        delete[] ref;
        ref = nullptr;
        break;
      }
      default:
        break;
    }
  } catch (...) {
    // A member that fails to go away must not keep the rest of the object alive.
  }
  return true;
}

void TBaseObject::ReleaseProperties() {
  try {
    EnumrateProperties(&TBaseObject::DestroyProp, epRelease, nullptr);
  } catch (...) {
  }
}

void TBaseObject::DefinePropertiesOld(TFiler& filer) {
  auto* reader = dynamic_cast<TObjReader*>(&filer);
  if (!reader) return;
  EnumrateProperties(
      [reader](void* prop, const std::string& name, TPropType type, bool, intptr_t extra,
               void*) { return reader->ReadPropertyOld(prop, name, type, extra); },
      epLoad, nullptr);
}

void TBaseObject::CopyProperties(TBaseObject& target, const std::string& names) {
  CopyObjectProperties(*this, target, names);
}

TBaseObject* TBaseObject::DuplicateSelf() {
  std::unique_ptr<TObject> copy(CloneObject(this));
  auto* base = ObjectAs<TBaseObject>(copy.get());
  if (!base) throw EReadError(Msg::InvalidStreamFormat);
  copy.release();
  return base;
}

void TBaseObject::CopyToClipBoard() { CopyObjectToClipboard(this); }

void TBaseObject::SaveToStream(TStream& stream) { StreamWriteObject(stream, this); }

void TBaseObject::SaveToFile(const std::string& fileName) {
  // Through memory, so that a failing object never leaves a half-written file.
  TMemoryStream bytes;
  SaveToStream(bytes);
  WriteFileBytes(fileName, bytes.Data());
}

void TBaseObject::SaveToTextStream(TStream& stream) { SaveObjectToTextStream(this, stream); }

void TBaseObject::SaveToTextFile(const std::string& fileName) {
  TMemoryStream text;
  SaveToTextStream(text);
  WriteFileBytes(fileName, text.Data());
}

std::string GetObjCaption(TObject* obj) {
  if (!obj) return "";
  if (auto* base = ObjectAs<TBaseObject>(obj)) return base->GetObjCaption();
  return obj->ClassName();
}

void SetObjCaption(TObject* obj, const std::string& text) {
  if (auto* base = ObjectAs<TBaseObject>(obj)) base->SetObjCaption(text);
}

void RegisterClass(const TClassInfo& cls) {
  try {
    RegisterPersistentClass(cls);
  } catch (...) {
    // A class that cannot be registered is simply not found by name later.
  }
}

void RegisterClasses(std::initializer_list<const TClassInfo*> classes) {
  for (const TClassInfo* cls : classes)
    if (cls) RegisterClass(*cls);
}

void RegisterClassAlias(const TClassInfo& cls, const std::string& alias) {
  UnRegisterPersistentClass(cls);
  RegisterPersistentClass(cls);
  RegisterPersistentClassAs(cls, alias);
}

void UnRegisterClass(const TClassInfo& cls) { UnRegisterPersistentClass(cls); }

void GetClassNames(TStringList& strings, const TClassInfo* base) {
  ForEachPersistentClass([&](const std::string& name, const TClassInfo& cls) {
    if (!base || cls.InheritsFrom(*base)) strings.Add(name);
  });
}

const TClassInfo* FindClassesAncestry(const TClassInfo* a, const TClassInfo* b,
                                      const TClassInfo* stop) {
  for (const TClassInfo* x = a; x && x != stop; x = x->Parent)
    for (const TClassInfo* y = b; y && y != stop; y = y->Parent)
      if (x == y) return x;
  return nullptr;
}

}  // namespace qnexp
