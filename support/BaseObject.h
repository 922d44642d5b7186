// The persistent-object base: objects that describe their state through one property
// enumeration, on which releasing, writing, reading, cloning and copying are built.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "runtime/Object.h"

namespace qnexp {

class TStream;
class TStringList;

// The value kind of one enumerated property; the storage at the property's address.
enum TPropType : uint8_t {
  ptUnknown,     // nothing, ignored everywhere
  ptComponent,   // owned component reference (TObject*)
  ptObject,      // owned persistable object reference (TObject*)
  ptObjects,     // owned list object reference (TObject*)
  ptString,      // std::string
  ptPassword,    // std::string, stored scrambled
  ptStrings,     // owned string list reference (TObject*)
  ptPChar,       // owned zero-terminated buffer (char*, allocated with new[])
  ptEnum,        // 1-byte ordinal
  ptInteger,     // int32_t
  ptShortint,    // int8_t
  ptSmallInt,    // int16_t
  ptLongint,     // int32_t
  ptByte,        // uint8_t
  ptWord,        // uint16_t
  ptCardinal,    // uint32_t
  ptBoolean,     // 1 byte, 0 or 1
  ptByteBool,    // 1 byte, 0 false, other true
  ptWordBool,    // 2 bytes
  ptLongBool,    // 4 bytes
  ptChar,        // 1 byte
  ptReal,        // double
  ptSingle,      // float
  ptDouble,      // double
  ptExtended,    // 10-byte x87 extended (long double storage)
  ptComp,        // 8 opaque bytes
  ptDate,        // double date-time
  ptTime,        // double date-time
  ptDateTime,    // double date-time
  ptSet8,
  ptSet16,
  ptSet32,
  ptSet64,
  ptSet128,
  ptSet256,
  ptShortStr,    // length-prefixed, at most 255 bytes (uint8_t[256])
  ptSet,         // bit set of no fixed size
  ptVariant,     // TVariant
  ptBinary,      // raw bytes at the address; Extra is the size
  ptDynaData,    // owned heap block (uint8_t*, allocated with new[]); Extra is the size
};

// Raw size in bytes of a kind handled as plain bytes; 0 for the other kinds.
int PropRawSize(TPropType kind);

// Purposes of one enumeration.
enum TEnumPurpose : uint16_t {
  epVisit = 1,    // inspect or change properties in place
  epRelease = 2,  // free what the object owns
  epStore = 3,    // write, copy, collect names
  epLoad = 4,     // read
};

// The enumeration callback: property address, name, kind, whether it holds data worth
// writing, the kind-dependent Extra value and the caller's Param. Returns false to stop.
using TPropProcessor = std::function<bool(void* prop, const std::string& propName,
                                          TPropType propType, bool hasData, intptr_t extra,
                                          void* param)>;

// The writer or reader of an object stream, as seen by the objects it handles.
class TFiler {
public:
  virtual ~TFiler() = default;
  virtual bool IsReader() const = 0;
  // Writes (writer) or reads (reader) one enumerated property.
  virtual bool PropertyData(void* prop, const std::string& propName, TPropType propType,
                            bool hasData, intptr_t extra, void* param) = 0;
  // The name of the property a reader is looking for, while no property has taken it; null
  // otherwise. Objects that would have to offer very many names when loading ask for it.
  virtual const std::string* PendingName() const { return nullptr; }
};

// The filer behind the Param of an enumeration run by DefinePropertiesWith (null for null).
inline TFiler* FilerOfParam(void* param) {
  return param ? *static_cast<TFiler* const*>(param) : nullptr;
}

// What the stream writer and reader need of an object; implemented by TBaseObject and by
// persistable classes with another base (the keyed string list, collections).
class IBaseObject {
public:
  virtual ~IBaseObject() = default;
  virtual void DefineProperties(TFiler& filer) = 0;
  virtual bool EnumrateProperties(const TPropProcessor& callback, uint16_t purpose,
                                  void* param) = 0;
  virtual void BeforeSave(TFiler& filer) = 0;
  virtual void AfterSave(TFiler& filer) = 0;
  virtual void BeforeLoad(TFiler& filer) = 0;
  virtual void AfterLoad(TFiler& filer) = 0;
};

// The interface of obj, or null when its class does not implement it.
IBaseObject* BaseObjectIntf(TObject* obj);

// Runs the enumeration of obj with the filer's own callback: purpose 4 for a reader, 3 for a
// writer; Param is the address of the filer reference (see FilerOfParam). Shared by every
// IBaseObject implementation. Other loading enumerations pass a null Param.
void DefinePropertiesWith(IBaseObject& obj, TFiler& filer);

// The persistent-object base. Descendants report their state in EnumrateProperties: first
// the parent's enumeration (stop when it returned false), then their own properties in a
// fixed order, each only while every earlier callback returned true.
class TBaseObject : public TObject, public IBaseObject {
  QN_CLASS(TBaseObject, TObject)
public:
  TBaseObject() = default;
  // Releases what the enumeration reports as owned (purpose 2 with DestroyProp). A
  // descendant that owns members must release them in its own destructor by calling
  // ReleaseProperties(): by the time this destructor runs, the descendant is gone.
  ~TBaseObject() override = default;

  // IBaseObject
  void DefineProperties(TFiler& filer) override;
  bool EnumrateProperties(const TPropProcessor& callback, uint16_t purpose,
                          void* param) override;
  void BeforeSave(TFiler&) override {}
  void AfterSave(TFiler&) override {}
  void BeforeLoad(TFiler&) override {}
  void AfterLoad(TFiler&) override {}

  // A caption for lists and messages; the base answers its class name.
  virtual std::string GetObjCaption();
  virtual void SetObjCaption(const std::string& caption);

  // Frees one owned member by kind (the release callback); always returns true.
  static bool DestroyProp(void* prop, const std::string& propName, TPropType propType,
                          bool hasData, intptr_t extra, void* param);

  // Reads the looked-for property of the legacy layout (the reader is a TObjReader): the base
  // enumerates with purpose 4 and the reader's legacy callback. A descendant whose legacy
  // layout differs from its enumeration reads such a property itself.
  virtual void DefinePropertiesOld(TFiler& filer);

  // Copies the properties this object shares with target (those of their closest common class
  // below TBaseObject) whose names match names: ";"-separated wildcard patterns, compared with
  // case, after dropping every pattern that is not such a name (compared without case); empty
  // or "*" means all. Owned objects and lists are copied, never shared. Classes with nothing
  // in common copy nothing. A failing copy of an object raises the cloning error (see
  // CloneObject); the properties copied before it stay.
  virtual void CopyProperties(TBaseObject& target, const std::string& names);
  // A new copy of this object (CloneObject), which the caller owns.
  virtual TBaseObject* DuplicateSelf();
  // Puts this object on the clipboard in the object format.
  virtual void CopyToClipBoard();
  // This object as a binary object stream (signature and record).
  virtual void SaveToStream(TStream& stream);
  // The binary object stream in a file, replaced whole or not at all (EFCreateError).
  virtual void SaveToFile(const std::string& fileName);
  // This object in the text form of the object stream.
  virtual void SaveToTextStream(TStream& stream);
  virtual void SaveToTextFile(const std::string& fileName);

protected:
  // Enumerates with purpose 2 and DestroyProp; swallows errors of the freed members.
  void ReleaseProperties();
};

// The caption of any object: a TBaseObject's own, otherwise its class name ("" for null).
std::string GetObjCaption(TObject* obj);
// Forwarded to a TBaseObject; ignored for other objects.
void SetObjCaption(TObject* obj, const std::string& text);

// The class registry. A different class registered under the same name is replaced.
void RegisterClass(const TClassInfo& cls);
void RegisterClasses(std::initializer_list<const TClassInfo*> classes);
// Registers the class again under its own name and under alias.
void RegisterClassAlias(const TClassInfo& cls, const std::string& alias);
void UnRegisterClass(const TClassInfo& cls);
// Adds the names of every registered class that inherits from base (all when null).
void GetClassNames(TStringList& strings, const TClassInfo* base);
// Walks from a up its ancestors, stopping before stop or at the root; the first of them that
// is b or an ancestor of b (searched the same way, not past stop); null when none.
const TClassInfo* FindClassesAncestry(const TClassInfo* a, const TClassInfo* b,
                                      const TClassInfo* stop);

}  // namespace qnexp
