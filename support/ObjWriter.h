// The object stream writer: objects, their properties and children, and the tagged values of
// the binary format, written through the objects' property enumeration.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "support/BaseObject.h"
#include "support/ObjStream.h"

namespace qnexp {

class TStream;
class TVariant;

// Writes to a stream it does not own. One writer writes any number of objects. Write errors of
// the stream raise EWriteError "Stream write error"; objects nested deeper than
// MaxObjectNesting raise EWriteError "Object nesting too deep".
class TObjWriter : public TFiler {
public:
  explicit TObjWriter(TStream& stream) : Stream(stream) {}

  bool IsReader() const override { return false; }
  // The enumeration callback of DefineProperties: WritePropertyData.
  bool PropertyData(void* prop, const std::string& propName, TPropType propType, bool hasData,
                    intptr_t extra, void* param) override;

  // One object record: 0x00 for null; otherwise class name, name, properties up to 0x00 and,
  // for an IBaseObject, children up to 0x00, between its BeforeSave and AfterSave.
  void WriteObject(TObject* obj, const std::string& name);
  // As WriteObject, but a pointer list, or a string list other than a keyed one, is written
  // inside a TListContainer.
  void WriteObjects(TObject* obj, const std::string& name);
  // The property list of obj (without the closing 0x00).
  void WriteProperties(TObject* obj);

  // One property, when hasData and the kind is a value kind (children are written by
  // WriteChild): the name, then the tagged value. Always true.
  bool WritePropertyData(void* prop, const std::string& propName, TPropType propType,
                         bool hasData, intptr_t extra);
  // One child entry for ptComponent, ptObject and ptObjects when hasData and non-null.
  bool WriteChild(void* prop, const std::string& propName, TPropType propType, bool hasData);

  // The primitives of the format.
  void WriteByte(uint8_t byte);
  void WriteValue(TValueType tag) { WriteByte(tag); }
  void WriteListBegin() { WriteByte(vaList); }
  void WriteListEnd() { WriteByte(vaNull); }
  // Extended short string (names).
  void WriteStr(std::string_view text);
  // String value: tag 0x06 up to 255 bytes, 0x0C above.
  void WriteString(std::string_view text);
  // Identifier value (0x07); at most 255 bytes, longer names raise EWriteError.
  void WriteIdent(std::string_view text);
  // Integer value in the smallest of the 8-, 16-, 32- and 64-bit forms that holds it.
  void WriteInteger(int64_t value);
  void WriteBoolean(bool value);
  void WriteFloat(long double value);
  void WriteSingle(float value);
  void WriteDate(double value);
  void WriteCurrency(int64_t scaledBy10000);
  void WriteBinData(const void* buffer, uint32_t count);
  // String value of the name at ordinal's place in the comma-separated names (empty past the
  // last name).
  void WriteEnum(uint8_t ordinal, const char* names);
  // String value of the scrambled password.
  void WritePassword(const std::string& password);
  // String-list value: 0x01, the kind's name when kind is lcUnknown (taken from the list),
  // the texts for the string-list kinds, 0x00.
  void WriteStrings(TObject* list, uint8_t kind);
  // Variant encoding: 0x01, the type code, then for an array its dimension count, the bounds
  // and every element in storage order, else the value by its type; 0x00.
  void WriteVariant(const TVariant& value);

private:
  void WriteRaw(const void* buffer, size_t count);
  void WriteVariantAt(const TVariant& value, int depth);
  void WriteVariantValue(const TVariant& value, uint16_t typeCode, int depth);

  TStream& Stream;
  int Depth = 0;
};

}  // namespace qnexp
