// The object stream reader: objects, values, skipping and the variant encoding.
#include "support/ObjReader.h"

#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>

#include "runtime/Exception.h"
#include "runtime/Gbk.h"
#include "runtime/GbkChars.h"
#include "runtime/Stream.h"
#include "runtime/StringList.h"
#include "runtime/Variant.h"
#include "support/ListContainer.h"
#include "support/ObjCreators.h"
#include "support/ObjPassword.h"
#include "support/SplitStr.h"

namespace qnexp {

namespace {

// Restores a value when the scope ends, however it ends.
template <class T>
struct TRestore {
  TRestore(T& ref, T value) : Ref(ref), Saved(ref) { Ref = value; }
  ~TRestore() { Ref = Saved; }
  T& Ref;
  T Saved;
};

[[noreturn]] void RaiseShort() { throw EReadError("Stream read error"); }
[[noreturn]] void RaiseBadValue() { throw EReadError(Msg::InvalidPropertyValue); }

template <class T>
void Store(void* prop, T value) {
  std::memcpy(prop, &value, sizeof value);
}

// Narrowing of extended values that never leaves the target's range by undefined means.
double ToDouble(long double x) {
  if (std::isfinite(x) && std::fabs(x) > DBL_MAX) return x < 0 ? -HUGE_VAL : HUGE_VAL;
  return static_cast<double>(x);
}

float ToSingle(long double x) {
  if (std::isfinite(x) && std::fabs(x) > FLT_MAX) return x < 0 ? -HUGE_VALF : HUGE_VALF;
  return static_cast<float>(x);
}

// One UTF-16 code point in GBK; "?" when GBK has no such character.
std::string CodePointToGbk(uint32_t cp) {
  if (cp < 0x80) return std::string(1, static_cast<char>(cp));
  std::string utf8;
  if (cp < 0x800) {
    utf8 += static_cast<char>(0xC0 | (cp >> 6));
  } else if (cp < 0x10000) {
    utf8 += static_cast<char>(0xE0 | (cp >> 12));
    utf8 += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
  } else {
    utf8 += static_cast<char>(0xF0 | (cp >> 18));
    utf8 += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    utf8 += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
  }
  utf8 += static_cast<char>(0x80 | (cp & 0x3F));
  try {
    return Utf8ToGbk(utf8);
  } catch (const Exception&) {
    return "?";
  }
}

std::string Utf16ToGbk(const std::vector<uint16_t>& units) {
  std::string text;
  for (size_t i = 0; i < units.size(); ++i) {
    uint32_t cp = units[i];
    if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
        units[i + 1] < 0xE000) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (units[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp < 0xE000) {
      text += '?';
      continue;
    }
    text += CodePointToGbk(cp);
  }
  return text;
}

bool IsObjectKind(TPropType type) {
  return type == ptComponent || type == ptObject || type == ptObjects;
}

}  // namespace

// ---- primitives ----

void TObjReader::Need(int64_t count) {
  if (count < 0 || count > Stream.Remaining()) RaiseShort();
}

void TObjReader::ReadRaw(void* buffer, size_t count) { Stream.ReadBuffer(buffer, count); }

uint8_t TObjReader::ReadByte() {
  uint8_t byte;
  ReadRaw(&byte, 1);
  return byte;
}

TValueType TObjReader::NextValue() {
  uint8_t byte = ReadByte();
  Stream.Seek(-1, soCurrent);
  return static_cast<TValueType>(byte);
}

TValueType TObjReader::ReadValue() { return static_cast<TValueType>(ReadByte()); }

void TObjReader::ReadListEnd() {
  if (ReadValue() != vaNull) RaiseBadValue();
}

void TObjReader::ReadListBegin() {
  if (ReadValue() != vaList) RaiseBadValue();
}

void TObjReader::SkipBytes(int64_t count) {
  Need(count);
  Stream.Seek(count, soCurrent);
}

std::string TObjReader::ReadStr() {
  uint32_t length = ReadByte();
  if (length == 0xFF) ReadRaw(&length, 4);
  Need(length);
  std::string text(length, '\0');
  ReadRaw(text.data(), length);
  return text;
}

std::string TObjReader::ReadString() {
  uint32_t length = 0;
  switch (ReadValue()) {
    case vaString:
      length = ReadByte();
      break;
    case vaLString:
      ReadRaw(&length, 4);
      break;
    case vaWString: {
      ReadRaw(&length, 4);
      Need(int64_t{length} * 2);
      std::vector<uint16_t> units(length);
      ReadRaw(units.data(), size_t{length} * 2);
      return Utf16ToGbk(units);
    }
    default:
      RaiseBadValue();
  }
  Need(length);
  std::string text(length, '\0');
  ReadRaw(text.data(), length);
  return text;
}

std::string TObjReader::ReadIdent() {
  if (ReadValue() != vaIdent) RaiseBadValue();
  uint8_t length = ReadByte();
  Need(length);
  std::string text(length, '\0');
  ReadRaw(text.data(), length);
  return text;
}

int64_t TObjReader::ReadInteger() {
  switch (ReadValue()) {
    case vaInt8: {
      int8_t v;
      ReadRaw(&v, 1);
      return v;
    }
    case vaInt16: {
      int16_t v;
      ReadRaw(&v, 2);
      return v;
    }
    case vaInt32: {
      int32_t v;
      ReadRaw(&v, 4);
      return v;
    }
    case vaInt64: {
      int64_t v;
      ReadRaw(&v, 8);
      return v;
    }
    default:
      RaiseBadValue();
  }
}

bool TObjReader::ReadBoolean() {
  switch (ReadValue()) {
    case vaTrue: return true;
    case vaFalse: return false;
    default: RaiseBadValue();
  }
}

long double TObjReader::ReadFloat() {
  switch (NextValue()) {
    case vaExtended: {
      ReadValue();
      long double v = 0;
      ReadRaw(&v, 10);
      return v;
    }
    case vaSingle: {
      ReadValue();
      float v;
      ReadRaw(&v, 4);
      return v;
    }
    case vaDate: {
      ReadValue();
      double v;
      ReadRaw(&v, 8);
      return v;
    }
    case vaCurrency: {
      ReadValue();
      int64_t v;
      ReadRaw(&v, 8);
      return static_cast<long double>(v) / 10000;
    }
    default:
      return static_cast<long double>(ReadInteger());
  }
}

float TObjReader::ReadSingle() {
  if (ReadValue() != vaSingle) RaiseBadValue();
  float v;
  ReadRaw(&v, 4);
  return v;
}

double TObjReader::ReadDate() {
  if (ReadValue() != vaDate) RaiseBadValue();
  double v;
  ReadRaw(&v, 8);
  return v;
}

int64_t TObjReader::ReadCurrency() {
  if (ReadValue() != vaCurrency) RaiseBadValue();
  int64_t v;
  ReadRaw(&v, 8);
  return v;
}

std::string TObjReader::ReadBinary() {
  if (ReadValue() != vaBinary) RaiseBadValue();
  uint32_t count;
  ReadRaw(&count, 4);
  Need(count);
  std::string bytes(count, '\0');
  ReadRaw(bytes.data(), count);
  return bytes;
}

void TObjReader::ReadEnum(uint8_t* ordinal, const char* names) {
  std::string name = ReadString();
  std::string_view list = names ? names : "";
  int count = SParamCount(list, ",");
  for (int i = 0; i < count && i < 256; ++i)
    if (SParam(list, ",", i) == name) {
      *ordinal = static_cast<uint8_t>(i);
      return;
    }
}

std::string TObjReader::ReadPassword() { return UnscramblePassword(ReadString()); }

TObject* TObjReader::ReadStrings(uint8_t kind) {
  ReadListBegin();
  if (kind == lcUnknown) kind = ListClassTypeOfName(ReadString());
  std::unique_ptr<TObject> list(CreateList(static_cast<TListClassType>(kind)));
  TStringList* strings =
      kind >= lcStoredStrList && kind <= lcStringList ? StringListView(list.get()) : nullptr;
  while (!EndOfList()) {
    std::string text = ReadString();
    if (strings) strings->Add(text);
  }
  ReadListEnd();
  return list.release();
}

void TObjReader::ReadBinData(void* buffer, size_t size) {
  if (ReadValue() != vaBinary) RaiseBadValue();
  uint32_t count;
  ReadRaw(&count, 4);
  Need(count);
  size_t taken = std::min<size_t>(count, size);
  if (size) std::memset(buffer, 0, size);
  ReadRaw(buffer, taken);
  SkipBytes(count - static_cast<int64_t>(taken));
}

void TObjReader::ReadDynaData(uint8_t** block, intptr_t size) {
  if (ReadValue() != vaBinary) RaiseBadValue();
  uint32_t count;
  ReadRaw(&count, 4);
  Need(count);
  size_t capacity = size > 0 ? static_cast<size_t>(size) : count;
  if (!*block && capacity) *block = new uint8_t[capacity]();
  size_t taken = *block ? std::min<size_t>(count, capacity) : 0;
  ReadRaw(*block, taken);
  SkipBytes(count - static_cast<int64_t>(taken));
}

// ---- variants ----

void TObjReader::ReadVariant(TVariant& value) { ReadVariantAt(value, 0); }

void TObjReader::ReadVariantAt(TVariant& value, int depth) {
  TDepthGuard guard(depth);
  ReadListBegin();
  int64_t code = ReadInteger();
  if (code < 0 || code > 0xFFFF) RaiseBadValue();
  uint16_t type = static_cast<uint16_t>(code) & ~varByRef;
  if (type & varArray) {
    int64_t dims = ReadInteger();
    // Each bound takes at least two bytes in the stream.
    if (dims < 1 || dims * 4 > Stream.Remaining()) RaiseBadValue();
    std::vector<std::pair<int32_t, int32_t>> bounds;
    int64_t total = 1;
    for (int64_t d = 0; d < dims; ++d) {
      int64_t low = ReadInteger(), high = ReadInteger();
      if (low < INT32_MIN || low > INT32_MAX || high < low - 1 || high > INT32_MAX)
        RaiseBadValue();
      total *= high - low + 1;
      // Every element takes at least one byte, whatever its type.
      if (total > Stream.Remaining() + 1) RaiseShort();
      bounds.emplace_back(static_cast<int32_t>(low), static_cast<int32_t>(high));
    }
    try {
      value = TVariant::ArrayOf(bounds, type & varTypeMask);
    } catch (const EVariantError&) {
      RaiseBadValue();
    }
    for (TVariant& element : value.ArrayData().Elements)
      ReadVariantValue(element, type & varTypeMask, depth);
  } else {
    ReadVariantValue(value, type, depth);
  }
  ReadListEnd();
}

void TObjReader::ReadVariantValue(TVariant& value, uint16_t typeCode, int depth) {
  switch (typeCode) {
    case varSmallint: value = TVariant::FromSmallint(static_cast<int16_t>(ReadInteger())); break;
    case varInteger: value = TVariant(static_cast<int32_t>(ReadInteger())); break;
    case varByte: value = TVariant::FromByte(static_cast<uint8_t>(ReadInteger())); break;
    case varInt64: value = TVariant(ReadInteger()); break;
    case varSingle: value = TVariant::FromSingle(ToSingle(ReadFloat())); break;
    case varDouble: value = TVariant(ToDouble(ReadFloat())); break;
    case varDate: value = TVariant::FromDate(ToDouble(ReadFloat())); break;
    case varCurrency: {
      long double scaled = std::round(ReadFloat() * 10000);
      if (!(scaled >= -9.2233720368547758e18L && scaled <= 9.2233720368547758e18L))
        RaiseBadValue();
      value = TVariant::FromCurrency(static_cast<int64_t>(scaled));
      break;
    }
    case varOleStr: value = TVariant::FromOleStr(ReadString()); break;
    case varString: value = TVariant(ReadString()); break;
    case varBoolean: value = TVariant(ReadBoolean()); break;
    case varVariant: ReadVariantAt(value, depth); break;
    case varNull: value = TVariant::Null(); break;
    case 257: {
      uint8_t bytes[8];
      ReadBinData(bytes, sizeof bytes);
      value = TVariant();
      break;
    }
    default:
      // Types this runtime does not hold (and the empty variant) carry no payload.
      value = TVariant();
      break;
  }
}

// ---- skipping ----

void TObjReader::SkipValue() { SkipValueAt(0); }

void TObjReader::SkipValueAt(int depth) {
  TDepthGuard guard(depth);
  uint32_t count;
  switch (ReadValue()) {
    case vaNull: case vaFalse: case vaTrue: return;
    case vaList:
      while (!EndOfList()) SkipValueAt(depth);
      ReadListEnd();
      return;
    case vaInt8: SkipBytes(1); return;
    case vaInt16: SkipBytes(2); return;
    case vaInt32: case vaSingle: SkipBytes(4); return;
    case vaExtended: SkipBytes(10); return;
    case vaCurrency: case vaDate: case vaInt64: SkipBytes(8); return;
    case vaString: case vaIdent: SkipBytes(ReadByte()); return;
    case vaBinary: case vaLString:
      ReadRaw(&count, 4);
      SkipBytes(count);
      return;
    case vaWString:
      ReadRaw(&count, 4);
      SkipBytes(int64_t{count} * 2);
      return;
    case vaSet: SkipSetBody(); return;
    case vaCollection:
      while (!EndOfList()) {
        TValueType next = NextValue();
        if (next == vaInt8 || next == vaInt16 || next == vaInt32 || next == vaInt64)
          ReadInteger();
        ReadListBegin();
        while (!EndOfList()) {
          ReadStr();
          SkipValueAt(depth);
        }
        ReadListEnd();
      }
      ReadListEnd();
      return;
    default:
      RaiseBadValue();
  }
}

void TObjReader::SkipProperty() {
  ReadStr();
  SkipValue();
}

void TObjReader::SkipSetBody() {
  while (!ReadStr().empty()) {
  }
}

std::string TObjReader::SeekFirstProperty() {
  ReadStr();
  return ReadStr();
}

void TObjReader::SkipInstance() {
  TDepthGuard guard(Depth);
  std::string className = ReadStr();
  ReadStr();
  while (!EndOfList()) SkipProperty();
  ReadListEnd();
  if (ObjectHasChildList(className)) {
    while (!EndOfList()) SkipInstance();
    ReadListEnd();
  }
}

// ---- objects ----

TObject* TObjReader::ReadObject() {
  if (EndOfList()) {
    ReadByte();
    return nullptr;
  }
  return ReadInstance();
}

TObject* TObjReader::ReadInstance() {
  TDepthGuard guard(Depth);
  std::string className = ReadStr();
  if (className.empty()) throw EReadError(Msg::InvalidStreamFormat);
  std::unique_ptr<TObject> obj(CreateObject(className, Root, CurrentParent));
  ReadStr();
  ReadProperties(obj.get(), nullptr);
  return obj.release();
}

TObject* TObjReader::ReadObjects() {
  std::unique_ptr<TObject> obj(ReadObject());
  if (auto* container = ObjectAs<TListContainer>(obj.get())) return container->TakeList();
  return obj.release();
}

void TObjReader::ReadProperties(TObject* obj, const TStringList* filter) {
  IBaseObject* intf = BaseObjectIntf(obj);
  if (intf) intf->BeforeLoad(*this);
  DoReadProperties(obj, filter);
  if (intf) intf->AfterLoad(*this);
}

void TObjReader::DoReadProperties(TObject* obj, const TStringList* filter) {
  IBaseObject* intf = BaseObjectIntf(obj);
  {
    TRestore<bool> phase(ReadingChildren, false);
    while (!EndOfList()) {
      LookedFor = ReadStr();
      HasLookedFor = true;
      if (intf && (!filter || filter->IndexOf(LookedFor) >= 0)) intf->DefineProperties(*this);
      if (HasLookedFor) SkipValue();
      HasLookedFor = false;
    }
    ReadListEnd();
  }
  if (!intf) return;
  TRestore<bool> phase(ReadingChildren, true);
  TRestore<TObject*> parent(CurrentParent, obj);
  while (!EndOfList()) {
    int64_t start = Stream.Position();
    std::string name = SeekFirstProperty();
    Stream.SetPosition(start);
    LookedFor = name;
    HasLookedFor = true;
    if (!filter || filter->IndexOf(LookedFor) >= 0) intf->DefineProperties(*this);
    if (HasLookedFor) SkipInstance();
    HasLookedFor = false;
  }
  ReadListEnd();
}

bool TObjReader::IsLookingFor(const std::string& name) const {
  return HasLookedFor && SameText(name, LookedFor);
}

bool TObjReader::PropertyData(void* prop, const std::string& propName, TPropType propType,
                              bool, intptr_t extra, void*) {
  return ReadPropertyData(prop, propName, propType, extra);
}

bool TObjReader::ReadPropertyData(void* prop, const std::string& propName, TPropType propType,
                                  intptr_t extra) {
  if (!prop || propType == ptUnknown || !IsLookingFor(propName)) return true;
  // Objects come in the child list and values in the property list; a name that turns up in
  // the wrong list is left to be skipped.
  if (IsObjectKind(propType) != ReadingChildren) return true;
  HasLookedFor = false;
  ReadValueInto(prop, propType, extra);
  return false;
}

void TObjReader::ReadValueInto(void* prop, TPropType propType, intptr_t extra) {
  switch (propType) {
    case ptComponent: case ptObject: case ptObjects: case ptStrings: {
      auto& ref = *static_cast<TObject**>(prop);
      std::unique_ptr<TObject> old(ref);
      ref = nullptr;
      old.reset();
      if (propType == ptStrings)
        ref = ReadStrings(static_cast<uint8_t>(extra));
      else if (propType == ptObjects)
        ref = ReadObjects();
      else
        ref = ReadObject();
      break;
    }
    case ptString:
      *static_cast<std::string*>(prop) = ReadString();
      break;
    case ptPassword:
      *static_cast<std::string*>(prop) = ReadPassword();
      break;
    case ptPChar: {
      auto& buffer = *static_cast<char**>(prop);
      std::string text = (buffer ? std::string(buffer) : std::string()) + ReadString();
      char* fresh = new char[text.size() + 1];
      std::memcpy(fresh, text.c_str(), text.size() + 1);
      delete[] buffer;
      buffer = fresh;
      break;
    }
    case ptEnum:
      ReadEnum(static_cast<uint8_t*>(prop), reinterpret_cast<const char*>(extra));
      break;
    case ptInteger: case ptLongint: case ptCardinal:
      Store(prop, static_cast<uint32_t>(ReadInteger()));
      break;
    case ptShortint: case ptByte:
      Store(prop, static_cast<uint8_t>(ReadInteger()));
      break;
    case ptSmallInt: case ptWord:
      Store(prop, static_cast<uint16_t>(ReadInteger()));
      break;
    case ptBoolean:
      Store(prop, static_cast<uint8_t>(ReadBoolean() ? 1 : 0));
      break;
    case ptByteBool:
      Store(prop, static_cast<uint8_t>(ReadBoolean() ? 0xFF : 0));
      break;
    case ptWordBool:
      Store(prop, static_cast<uint16_t>(ReadBoolean() ? 0xFFFF : 0));
      break;
    case ptLongBool:
      Store(prop, static_cast<uint32_t>(ReadBoolean() ? 0xFFFFFFFFu : 0));
      break;
    case ptChar: {
      std::string text = ReadString();
      if (text.size() != 1) RaiseBadValue();
      *static_cast<char*>(prop) = text[0];
      break;
    }
    case ptReal: case ptDouble: case ptDate: case ptTime: case ptDateTime:
      Store(prop, ToDouble(ReadFloat()));
      break;
    case ptSingle:
      Store(prop, ToSingle(ReadFloat()));
      break;
    case ptExtended: {
      long double v = ReadFloat();
      std::memcpy(prop, &v, 10);
      break;
    }
    case ptShortStr: {
      std::string text = ReadString();
      if (text.size() > 255) text.resize(255);
      auto* bytes = static_cast<uint8_t*>(prop);
      bytes[0] = static_cast<uint8_t>(text.size());
      std::memcpy(bytes + 1, text.data(), text.size());
      break;
    }
    case ptVariant:
      ReadVariant(*static_cast<TVariant*>(prop));
      break;
    case ptBinary:
      ReadBinData(prop, extra > 0 ? static_cast<size_t>(extra) : 0);
      break;
    case ptDynaData:
      ReadDynaData(static_cast<uint8_t**>(prop), extra);
      break;
    default:  // ptComp, the sets, ptSet
      ReadBinData(prop, static_cast<size_t>(PropRawSize(propType)));
      break;
  }
}

}  // namespace qnexp
