// The object stream writer.
#include "support/ObjWriter.h"

#include <cstring>
#include <limits>

#include "runtime/Exception.h"
#include "runtime/Stream.h"
#include "runtime/StringList.h"
#include "runtime/Variant.h"
#include "support/ListContainer.h"
#include "support/ObjPassword.h"
#include "support/QnList.h"
#include "support/QnStringList.h"
#include "support/SplitStr.h"

namespace qnexp {

static_assert(std::numeric_limits<long double>::digits == 64,
              "extended values are stored as x87 80-bit numbers");

namespace {

template <class T>
T Load(const void* prop) {
  T value;
  std::memcpy(&value, prop, sizeof value);
  return value;
}

bool AnyBitSet(const void* prop, size_t size) {
  const auto* bytes = static_cast<const uint8_t*>(prop);
  for (size_t i = 0; i < size; ++i)
    if (bytes[i]) return true;
  return false;
}

}  // namespace

void TObjWriter::WriteRaw(const void* buffer, size_t count) { Stream.WriteBuffer(buffer, count); }

void TObjWriter::WriteByte(uint8_t byte) { WriteRaw(&byte, 1); }

void TObjWriter::WriteStr(std::string_view text) {
  if (text.size() < 255) {
    WriteByte(static_cast<uint8_t>(text.size()));
  } else {
    if (text.size() > std::numeric_limits<uint32_t>::max())
      throw EWriteError("Stream write error");
    WriteByte(0xFF);
    uint32_t length = static_cast<uint32_t>(text.size());
    WriteRaw(&length, 4);
  }
  WriteRaw(text.data(), text.size());
}

void TObjWriter::WriteString(std::string_view text) {
  if (text.size() <= 255) {
    WriteValue(vaString);
    WriteByte(static_cast<uint8_t>(text.size()));
  } else {
    if (text.size() > std::numeric_limits<uint32_t>::max())
      throw EWriteError("Stream write error");
    WriteValue(vaLString);
    uint32_t length = static_cast<uint32_t>(text.size());
    WriteRaw(&length, 4);
  }
  WriteRaw(text.data(), text.size());
}

void TObjWriter::WriteIdent(std::string_view text) {
  if (text.size() > 255) throw EWriteError("Identifier too long");
  WriteValue(vaIdent);
  WriteByte(static_cast<uint8_t>(text.size()));
  WriteRaw(text.data(), text.size());
}

void TObjWriter::WriteInteger(int64_t value) {
  if (value >= INT8_MIN && value <= INT8_MAX) {
    WriteValue(vaInt8);
    int8_t v = static_cast<int8_t>(value);
    WriteRaw(&v, 1);
  } else if (value >= INT16_MIN && value <= INT16_MAX) {
    WriteValue(vaInt16);
    int16_t v = static_cast<int16_t>(value);
    WriteRaw(&v, 2);
  } else if (value >= INT32_MIN && value <= INT32_MAX) {
    WriteValue(vaInt32);
    int32_t v = static_cast<int32_t>(value);
    WriteRaw(&v, 4);
  } else {
    WriteValue(vaInt64);
    WriteRaw(&value, 8);
  }
}

void TObjWriter::WriteBoolean(bool value) { WriteValue(value ? vaTrue : vaFalse); }

void TObjWriter::WriteFloat(long double value) {
  WriteValue(vaExtended);
  WriteRaw(&value, 10);
}

void TObjWriter::WriteSingle(float value) {
  WriteValue(vaSingle);
  WriteRaw(&value, 4);
}

void TObjWriter::WriteDate(double value) {
  WriteValue(vaDate);
  WriteRaw(&value, 8);
}

void TObjWriter::WriteCurrency(int64_t scaledBy10000) {
  WriteValue(vaCurrency);
  WriteRaw(&scaledBy10000, 8);
}

void TObjWriter::WriteBinData(const void* buffer, uint32_t count) {
  WriteValue(vaBinary);
  WriteRaw(&count, 4);
  if (count) WriteRaw(buffer, count);
}

void TObjWriter::WriteEnum(uint8_t ordinal, const char* names) {
  std::string_view list = names ? names : "";
  WriteString(ordinal < SParamCount(list, ",") ? SParam(list, ",", ordinal) : "");
}

void TObjWriter::WritePassword(const std::string& password) {
  WriteString(ScramblePassword(password));
}

void TObjWriter::WriteStrings(TObject* list, uint8_t kind) {
  WriteListBegin();
  if (kind == lcUnknown) {
    kind = GetListClassType(list);
    WriteString(ListClassTypeName(static_cast<TListClassType>(kind)));
  }
  if (kind >= lcStoredStrList && kind <= lcStringList)
    if (TStringList* strings = StringListView(list))
      for (int i = 0; i < strings->Count(); ++i) WriteString(strings->Get(i));
  WriteListEnd();
}

void TObjWriter::WriteVariant(const TVariant& value) { WriteVariantAt(value, 0); }

void TObjWriter::WriteVariantAt(const TVariant& value, int depth) {
  TDepthGuard guard(depth, false);
  WriteListBegin();
  // A reference is written as the value it refers to; this runtime keeps none.
  uint16_t type = value.VType() & ~varByRef;
  WriteInteger(type);
  if (value.IsArray()) {
    const TVarArrayData& array = value.ArrayData();
    WriteInteger(static_cast<int64_t>(array.Bounds.size()));
    for (const auto& [low, high] : array.Bounds) {
      WriteInteger(low);
      WriteInteger(high);
    }
    for (const TVariant& element : array.Elements)
      WriteVariantValue(element, type & varTypeMask, depth);
  } else {
    WriteVariantValue(value, type & varTypeMask, depth);
  }
  WriteListEnd();
}

void TObjWriter::WriteVariantValue(const TVariant& value, uint16_t typeCode, int depth) {
  switch (typeCode) {
    case varSmallint: case varInteger: case varByte: case varInt64:
      WriteInteger(value.AsInt64());
      break;
    case varSingle: case varDouble: case varDate:
      WriteFloat(value.AsReal());
      break;
    case varCurrency:
      WriteFloat(static_cast<long double>(value.AsCurrencyScaled()) / 10000);
      break;
    case varOleStr: case varString:
      WriteString(value.AsString());
      break;
    case varBoolean:
      WriteBoolean(value.AsBoolean());
      break;
    case varVariant:
      WriteVariantAt(value, depth);
      break;
    default:
      break;
  }
}

bool TObjWriter::PropertyData(void* prop, const std::string& propName, TPropType propType,
                              bool hasData, intptr_t extra, void*) {
  return WritePropertyData(prop, propName, propType, hasData, extra);
}

bool TObjWriter::WritePropertyData(void* prop, const std::string& propName, TPropType propType,
                                   bool hasData, intptr_t extra) {
  if (!hasData || propType <= ptObjects || !prop) return true;
  WriteStr(propName);
  switch (propType) {
    case ptString:
      WriteString(*static_cast<std::string*>(prop));
      break;
    case ptShortStr: {
      const auto* bytes = static_cast<const uint8_t*>(prop);
      WriteString(std::string_view(reinterpret_cast<const char*>(bytes + 1), bytes[0]));
      break;
    }
    case ptPassword:
      WritePassword(*static_cast<std::string*>(prop));
      break;
    case ptStrings:
      WriteStrings(*static_cast<TObject**>(prop), static_cast<uint8_t>(extra));
      break;
    case ptPChar: {
      const char* text = *static_cast<char**>(prop);
      WriteString(text ? text : "");
      break;
    }
    case ptEnum:
      WriteEnum(*static_cast<uint8_t*>(prop), reinterpret_cast<const char*>(extra));
      break;
    case ptInteger: case ptLongint:
      WriteInteger(Load<int32_t>(prop));
      break;
    case ptShortint:
      WriteInteger(Load<int8_t>(prop));
      break;
    case ptSmallInt:
      WriteInteger(Load<int16_t>(prop));
      break;
    case ptByte:
      WriteInteger(Load<uint8_t>(prop));
      break;
    case ptWord:
      WriteInteger(Load<uint16_t>(prop));
      break;
    case ptCardinal:
      WriteInteger(Load<uint32_t>(prop));
      break;
    case ptBoolean: case ptByteBool: case ptWordBool: case ptLongBool:
      WriteBoolean(AnyBitSet(prop, static_cast<size_t>(PropRawSize(propType))));
      break;
    case ptChar:
      WriteString(std::string_view(static_cast<const char*>(prop), 1));
      break;
    case ptReal: case ptDouble:
      WriteFloat(Load<double>(prop));
      break;
    case ptExtended:
      WriteFloat(Load<long double>(prop));
      break;
    case ptSingle:
      WriteSingle(Load<float>(prop));
      break;
    case ptDate: case ptTime: case ptDateTime:
      WriteDate(Load<double>(prop));
      break;
    case ptVariant:
      WriteVariant(*static_cast<TVariant*>(prop));
      break;
    case ptBinary:
      WriteBinData(prop, static_cast<uint32_t>(extra > 0 ? extra : 0));
      break;
    case ptDynaData: {
      const void* block = *static_cast<void**>(prop);
      WriteBinData(block, block && extra > 0 ? static_cast<uint32_t>(extra) : 0);
      break;
    }
    default:  // ptComp, the sets, ptSet: their raw bytes
      WriteBinData(prop, static_cast<uint32_t>(PropRawSize(propType)));
      break;
  }
  return true;
}

bool TObjWriter::WriteChild(void* prop, const std::string& propName, TPropType propType,
                            bool hasData) {
  if (!hasData || !prop) return true;
  if (propType != ptComponent && propType != ptObject && propType != ptObjects) return true;
  TObject* obj = *static_cast<TObject**>(prop);
  // A null child would be the byte that ends the child list.
  if (!obj) return true;
  if (propType == ptObjects)
    WriteObjects(obj, propName);
  else
    WriteObject(obj, propName);
  return true;
}

void TObjWriter::WriteProperties(TObject* obj) {
  if (IBaseObject* intf = BaseObjectIntf(obj)) intf->DefineProperties(*this);
}

void TObjWriter::WriteObject(TObject* obj, const std::string& name) {
  if (!obj) {
    WriteByte(vaNull);
    return;
  }
  TDepthGuard guard(Depth, false);
  WriteStr(obj->ClassName());
  WriteStr(name);
  IBaseObject* intf = BaseObjectIntf(obj);
  if (intf) intf->BeforeSave(*this);
  WriteProperties(obj);
  WriteListEnd();
  if (intf) {
    TFiler* self = this;
    intf->EnumrateProperties(
        [this](void* prop, const std::string& propName, TPropType propType, bool hasData,
               intptr_t, void*) { return WriteChild(prop, propName, propType, hasData); },
        epStore, &self);
    WriteListEnd();
    intf->AfterSave(*this);
  }
}

void TObjWriter::WriteObjects(TObject* obj, const std::string& name) {
  bool plainList = ObjectAs<TList>(obj) ||
                   (ObjectAs<TStringList>(obj) && !ObjectAs<TQnStringList>(obj));
  if (!plainList) {
    WriteObject(obj, name);
    return;
  }
  TListContainer container;
  container.Wrap(obj);
  WriteObject(&container, name);
}

}  // namespace qnexp
