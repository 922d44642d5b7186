// The object stream reader: creates objects by class name and fills them through their
// property enumeration; skips what no property claims; reads the legacy layout too.
#pragma once

#include <cstdint>
#include <string>

#include "support/BaseObject.h"
#include "support/ObjStream.h"

namespace qnexp {

class TStream;
class TStringList;
class TVariant;

// Reads from a stream it does not own. Every count read from the stream (string lengths,
// binary sizes, list and array sizes) is checked against the bytes that remain before anything
// is allocated. Errors:
// - fewer bytes than announced: EReadError "Stream read error";
// - a tag that does not fit where it stands: EReadError "Invalid property value";
// - a record that is not an object record: EReadError "Invalid stream format";
// - nesting deeper than MaxObjectNesting: EReadError "Object nesting too deep";
// - an unknown class: the creation error of CreateObject, or EClassNotFound when skipping.
// An object that fails half-way is freed with what was read into it.
class TObjReader : public TFiler {
public:
  explicit TObjReader(TStream& stream) : Stream(stream) {}

  bool IsReader() const override { return true; }
  // The enumeration callback of DefineProperties: ReadPropertyData.
  bool PropertyData(void* prop, const std::string& propName, TPropType propType, bool hasData,
                    intptr_t extra, void* param) override;

  // One object record: null for the single byte 0x00, else ReadInstance. The caller owns it.
  TObject* ReadObject();
  // Class name, CreateObject (with the root and the current parent), object name, properties.
  TObject* ReadInstance();
  // As ReadObject; a TListContainer read is freed and the list it holds returned instead.
  TObject* ReadObjects();
  // BeforeLoad, DoReadProperties, AfterLoad (the hooks only for an IBaseObject).
  void ReadProperties(TObject* obj, const TStringList* filter);
  // The property list, then for an IBaseObject the child list, each up to its 0x00. Entries
  // that no property takes (or that filter, when given, does not name) are skipped.
  void DoReadProperties(TObject* obj, const TStringList* filter);
  // Reads the value of the property being looked for when name is that property's (compared
  // without regard to ASCII case) and the kind belongs to the list being read (values in the
  // property list, objects in the child list); then returns false to stop the enumeration.
  // Any other property: true.
  bool ReadPropertyData(void* prop, const std::string& propName, TPropType propType,
                        intptr_t extra);

  const std::string* PendingName() const override { return HasLookedFor ? &LookedFor : nullptr; }
  // The name the reader is looking for, and whether a property has not taken it yet.
  const std::string& LookedForName() const { return LookedFor; }
  bool IsLookingFor(const std::string& name) const;
  // Marks the looked-for property as taken.
  void TakeLookedFor() { HasLookedFor = false; }

  // The component handed to created objects as their owner, and the object whose children are
  // being read (their parent).
  TObject* Root = nullptr;
  TObject* CurrentParent = nullptr;

  // The primitives of the format.
  uint8_t ReadByte();
  // The next tag, left in the stream (end of the stream: EReadError "Stream read error").
  TValueType NextValue();
  TValueType ReadValue();
  // True, without consuming it, when the next byte is 0x00.
  bool EndOfList() { return NextValue() == vaNull; }
  // Consumes the 0x00 that ends a list (anything else: "Invalid property value").
  void ReadListEnd();
  // Consumes vaList (anything else: "Invalid property value").
  void ReadListBegin();
  std::string ReadStr();
  // A string value (tags 0x06, 0x0C, and 0x12 converted to GBK, a character without a GBK
  // form becoming "?").
  std::string ReadString();
  // Any integer form.
  int64_t ReadInteger();
  bool ReadBoolean();
  // An extended, single, date or currency value, or any integer form.
  long double ReadFloat();
  // An identifier value.
  std::string ReadIdent();
  // A single, date or currency value (currency as its integer times 10000), each by its own tag.
  float ReadSingle();
  double ReadDate();
  int64_t ReadCurrency();
  // The bytes of a binary value (tag 0x0A).
  std::string ReadBinary();
  // Reads a string value and sets *ordinal to the position of the first equal name
  // (case-sensitive) among the comma-separated names; an unknown name leaves it unchanged.
  void ReadEnum(uint8_t* ordinal, const char* names);
  std::string ReadPassword();
  // A string-list value: a new list of kind (lcUnknown: the kind named in the value) holding
  // the texts, which the caller owns; null for the kinds that make no list.
  TObject* ReadStrings(uint8_t kind);
  // A binary value into size bytes at buffer: a shorter value leaves the rest zero, a longer
  // one is cut. The tag must be 0x0A.
  void ReadBinData(void* buffer, size_t size);
  // A binary value into the block *block (made, zero-filled, when null): size bytes when size
  // is positive, otherwise the stored count.
  void ReadDynaData(uint8_t** block, intptr_t size);
  void ReadVariant(TVariant& value);

  void SkipBytes(int64_t count);
  void SkipValue();
  void SkipProperty();
  void SkipSetBody();
  // Skips one object record; its class must be known, to tell whether a child list follows.
  void SkipInstance();
  // Reads past a class name and an object name; the object name.
  std::string SeekFirstProperty();

  // The legacy layout: class name, then properties (name and a mostly untagged value) up to
  // 0x00; no object name and no child list. Properties the object does not report cannot be
  // skipped and raise EReadError "Invalid property value".
  TObject* ReadObjectOld();
  TObject* ReadObjectsOld();
  TObject* ReadStringsOld();
  void ReadEnumOld(uint8_t* ordinal, const char* names);
  uint8_t ReadListTypeOld();
  // The legacy enumeration callback: reads the looked-for property in the legacy encoding.
  bool ReadPropertyOld(void* prop, const std::string& propName, TPropType propType,
                       intptr_t extra);

private:
  void ReadRaw(void* buffer, size_t count);
  // Raises "Stream read error" unless count bytes remain.
  void Need(int64_t count);
  void ReadVariantAt(TVariant& value, int depth);
  void ReadVariantValue(TVariant& value, uint16_t typeCode, int depth);
  void SkipValueAt(int depth);
  void ReadValueInto(void* prop, TPropType propType, intptr_t extra);
  void LoadLegacyProperties(TObject* obj);

  TStream& Stream;
  std::string LookedFor;
  bool HasLookedFor = false;
  bool ReadingChildren = false;
  int Depth = 0;
};

}  // namespace qnexp
