// The variant value type: construction, conversions between the scalar kinds, arrays.
#include "runtime/GbkChars.h"
#include "runtime/Variant.h"

#include <cfloat>
#include <cmath>
#include <iterator>

#include "runtime/DateTime.h"
#include "runtime/Exception.h"
#include "runtime/Format.h"

namespace qnexp {

namespace {

constexpr const char* CastErrorText = "Could not convert variant of type (%s) into type (%s)";
constexpr const char* BadIndexText = "Variant or safe array index out of bounds";
constexpr const char* NotArrayText = "Variant is not an array";
constexpr const char* ArrayCreateText = "Error creating variant or safe array";
constexpr int64_t CurrencyScale = 10000;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads an integer of the given width (32 or 64 bits): optional leading blanks, an optional
// sign, then decimal digits, or hexadecimal digits after "$" or "0x". A decimal number must fit
// the signed range; a hexadecimal one may use every bit (so "$FFFFFFFF" is -1 at 32 bits).
bool TryReadInteger(std::string_view text, int bits, int64_t& result) {
  size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  bool hex = false;
  if (i < text.size() && text[i] == '$') {
    hex = true;
    ++i;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    hex = true;
    i += 2;
  }
  if (i == text.size()) return false;
  uint64_t signedLimit = (uint64_t{1} << (bits - 1)) - (negative ? 0 : 1);
  uint64_t limit = hex ? (bits == 64 ? UINT64_MAX : (uint64_t{1} << bits) - 1) : signedLimit;
  uint64_t base = hex ? 16 : 10;
  uint64_t value = 0;
  for (; i < text.size(); ++i) {
    int digit = hex ? HexDigit(text[i]) : (text[i] >= '0' && text[i] <= '9' ? text[i] - '0' : -1);
    if (digit < 0) return false;
    if (value > (limit - static_cast<uint64_t>(digit)) / base) return false;
    value = value * base + static_cast<uint64_t>(digit);
  }
  if (hex && bits == 32) value = static_cast<uint64_t>(static_cast<int64_t>(static_cast<int32_t>(value)));
  result = static_cast<int64_t>(negative ? 0 - value : value);
  return true;
}

int64_t ReadInteger(std::string_view text, int bits) {
  int64_t value = 0;
  if (!TryReadInteger(text, bits, value)) throw EConvertError(Format(Msg::InvalidInteger, {text}));
  return value;
}

// Rounds to the nearest integer, halves to the even neighbour, whatever the FPU rounding mode.
long double RoundHalfEven(long double value) {
  long double floor = std::floor(value);
  long double diff = value - floor;
  if (diff > 0.5L) return floor + 1;
  if (diff < 0.5L) return floor;
  return std::fmod(floor, 2.0L) == 0 ? floor : floor + 1;
}

// Rounds value into [low, high]; false when it does not fit (NaN and infinities included).
bool RoundInto(long double value, long double low, long double high, int64_t& result) {
  if (!std::isfinite(value)) return false;
  long double rounded = RoundHalfEven(value);
  if (rounded < low || rounded > high) return false;
  result = static_cast<int64_t>(rounded);
  return true;
}

constexpr long double Int32Low = -2147483648.0L;
constexpr long double Int32High = 2147483647.0L;
constexpr long double Int64Low = -9223372036854775808.0L;
// 2^63 - 1 is exact in the 64-bit mantissa of long double.
constexpr long double Int64High = 9223372036854775807.0L;

// The integer nearest to scaled / 10000, halves to even.
int64_t CurrencyRounded(int64_t scaled) {
  int64_t whole = scaled / CurrencyScale;
  int64_t rest = scaled % CurrencyScale;
  int64_t step = scaled < 0 ? -1 : 1;
  int64_t half = CurrencyScale / 2;
  int64_t restAbs = rest < 0 ? -rest : rest;
  if (restAbs > half || (restAbs == half && whole % 2 != 0)) whole += step;
  return whole;
}

std::string CurrencyText(int64_t scaled) {
  uint64_t magnitude = scaled < 0 ? 0 - static_cast<uint64_t>(scaled) : static_cast<uint64_t>(scaled);
  std::string text = scaled < 0 ? "-" : "";
  text += std::to_string(magnitude / CurrencyScale);
  uint64_t fraction = magnitude % CurrencyScale;
  if (fraction != 0) {
    std::string digits = std::to_string(fraction + CurrencyScale).substr(1);
    while (digits.back() == '0') digits.pop_back();
    text += '.' + digits;
  }
  return text;
}

// The value a fresh element of a typed array starts with.
TVariant ZeroOf(uint16_t type) {
  switch (type) {
    case varSmallint: return TVariant::FromSmallint(0);
    case varInteger: return TVariant(int32_t{0});
    case varSingle: return TVariant::FromSingle(0);
    case varDouble: return TVariant(0.0);
    case varCurrency: return TVariant::FromCurrency(0);
    case varDate: return TVariant::FromDate(0);
    case varOleStr: return TVariant::FromOleStr(std::string());
    case varBoolean: return TVariant(false);
    case varByte: return TVariant::FromByte(0);
    case varInt64: return TVariant(int64_t{0});
    case varString: return TVariant(std::string());
    default: return TVariant();
  }
}

}  // namespace

TVariant TVariant::Null() {
  TVariant v;
  v.Type = varNull;
  return v;
}

TVariant::TVariant(int32_t v) : Type(varInteger), Int(v) {}
TVariant::TVariant(int64_t v) : Type(varInt64), Int(v) {}
TVariant::TVariant(long long v) : Type(varInt64), Int(v) {}
TVariant::TVariant(double v) : Type(varDouble), Real(v) {}
TVariant::TVariant(bool v) : Type(varBoolean), Int(v ? 1 : 0) {}
TVariant::TVariant(const std::string& v) : Type(varString), Text(v) {}
TVariant::TVariant(std::string_view v) : Type(varString), Text(v) {}
TVariant::TVariant(const char* v) : Type(varString), Text(v ? v : "") {}

TVariant TVariant::FromSmallint(int16_t v) {
  TVariant r;
  r.Type = varSmallint;
  r.Int = v;
  return r;
}

TVariant TVariant::FromByte(uint8_t v) {
  TVariant r;
  r.Type = varByte;
  r.Int = v;
  return r;
}

TVariant TVariant::FromSingle(float v) {
  TVariant r;
  r.Type = varSingle;
  r.Real = v;
  return r;
}

TVariant TVariant::FromCurrency(int64_t scaledBy10000) {
  TVariant r;
  r.Type = varCurrency;
  r.Int = scaledBy10000;
  return r;
}

TVariant TVariant::FromDate(double v) {
  TVariant r;
  r.Type = varDate;
  r.Real = v;
  return r;
}

TVariant TVariant::FromOleStr(const std::string& v) {
  TVariant r;
  r.Type = varOleStr;
  r.Text = v;
  return r;
}

TVariant TVariant::Array(int32_t low, int32_t high, uint16_t elementType) {
  return ArrayOf({{low, high}}, elementType);
}

TVariant TVariant::ArrayOf(const std::vector<std::pair<int32_t, int32_t>>& bounds,
                           uint16_t elementType) {
  if (bounds.empty()) throw EVariantError(ArrayCreateText);
  int64_t total = 1;
  for (const auto& [low, high] : bounds) {
    int64_t length = int64_t{high} - low + 1;
    if (length < 0) throw EVariantError(ArrayCreateText);
    total *= length;
    if (total > MaxVarArrayElements) throw EVariantError(ArrayCreateText);
  }
  uint16_t type = elementType & varTypeMask;
  TVariant v;
  v.Type = static_cast<uint16_t>(varArray | type);
  v.Arr = std::make_shared<TVarArrayData>();
  v.Arr->ElementType = type;
  v.Arr->Bounds = bounds;
  v.Arr->Elements.assign(static_cast<size_t>(total), ZeroOf(type));
  return v;
}

void TVariant::RaiseCast(uint16_t target) const {
  throw EVariantError(Format(CastErrorText, {TypeName(Type), TypeName(target)}));
}

int32_t TVariant::AsInteger() const {
  int64_t result = 0;
  switch (Type) {
    case varEmpty: return 0;
    case varSmallint:
    case varInteger:
    case varByte: return static_cast<int32_t>(Int);
    case varInt64: return static_cast<int32_t>(static_cast<uint32_t>(Int));
    case varBoolean: return Int ? -1 : 0;
    case varSingle:
    case varDouble:
    case varDate:
      if (RoundInto(Real, Int32Low, Int32High, result)) return static_cast<int32_t>(result);
      break;
    case varCurrency:
      result = CurrencyRounded(Int);
      if (result >= INT32_MIN && result <= INT32_MAX) return static_cast<int32_t>(result);
      break;
    case varOleStr:
    case varString: return static_cast<int32_t>(ReadInteger(Text, 32));
    default: break;
  }
  RaiseCast(varInteger);
}

int64_t TVariant::AsInt64() const {
  int64_t result = 0;
  switch (Type) {
    case varEmpty: return 0;
    case varSmallint:
    case varInteger:
    case varByte:
    case varInt64: return Int;
    case varBoolean: return Int ? -1 : 0;
    case varSingle:
    case varDouble:
    case varDate:
      if (RoundInto(Real, Int64Low, Int64High, result)) return result;
      break;
    case varCurrency: return CurrencyRounded(Int);
    case varOleStr:
    case varString: return ReadInteger(Text, 64);
    default: break;
  }
  RaiseCast(varInt64);
}

long double TVariant::AsReal() const {
  switch (Type) {
    case varEmpty: return 0;
    case varSmallint:
    case varInteger:
    case varByte:
    case varInt64: return static_cast<long double>(Int);
    case varBoolean: return Int ? -1 : 0;
    case varSingle:
    case varDouble:
    case varDate: return Real;
    case varCurrency: return static_cast<long double>(Int) / CurrencyScale;
    case varOleStr:
    case varString: return StrToFloat(Text);
    default: break;
  }
  RaiseCast(varDouble);
}

double TVariant::AsDouble() const {
  long double value = AsReal();
  double result = static_cast<double>(value);
  if (std::isinf(result) && std::isfinite(value)) throw EOverflow(Msg::Overflow);
  return result;
}

bool TVariant::AsBoolean() const {
  switch (Type) {
    case varEmpty: return false;
    case varSmallint:
    case varInteger:
    case varByte:
    case varInt64:
    case varBoolean:
    case varCurrency: return Int != 0;
    case varSingle:
    case varDouble:
    case varDate: return Real != 0;
    case varOleStr:
    case varString: {
      if (SameText(Text, "True")) return true;
      if (SameText(Text, "False")) return false;
      long double number = 0;
      if (TryStrToFloat(Text, number)) return number != 0;
      break;
    }
    default: break;
  }
  RaiseCast(varBoolean);
}

std::string TVariant::AsString() const {
  switch (Type) {
    case varEmpty: return std::string();
    case varSmallint:
    case varInteger:
    case varByte:
    case varInt64: return std::to_string(Int);
    case varBoolean: return Int ? "True" : "False";
    case varSingle:
    case varDouble: return FloatToStr(Real);
    case varDate: return DateTimeToStr(Real);
    case varCurrency: return CurrencyText(Int);
    case varOleStr:
    case varString: return Text;
    default: break;
  }
  RaiseCast(varString);
}

int64_t TVariant::AsCurrencyScaled() const {
  int64_t result = 0;
  switch (Type) {
    case varCurrency: return Int;
    case varEmpty: return 0;
    case varBoolean: return Int ? -CurrencyScale : 0;
    case varSmallint:
    case varInteger:
    case varByte:
    case varInt64:
      if (!__builtin_mul_overflow(Int, CurrencyScale, &result)) return result;
      break;
    case varSingle:
    case varDouble:
    case varDate:
      if (RoundInto(static_cast<long double>(Real) * CurrencyScale, Int64Low, Int64High, result))
        return result;
      break;
    case varOleStr:
    case varString:
      if (RoundInto(StrToFloat(Text) * CurrencyScale, Int64Low, Int64High, result)) return result;
      break;
    default: break;
  }
  RaiseCast(varCurrency);
}

TVarArrayData& TVariant::ArrayData() {
  if (!IsArray() || !Arr) throw EVariantError(NotArrayText);
  if (Arr.use_count() > 1) Arr = std::make_shared<TVarArrayData>(*Arr);
  return *Arr;
}

const TVarArrayData& TVariant::ArrayData() const {
  if (!IsArray() || !Arr) throw EVariantError(NotArrayText);
  return *Arr;
}

size_t TVariant::ElementOffset(int32_t index) const {
  const TVarArrayData& data = ArrayData();
  if (data.Bounds.size() != 1 || index < data.Bounds[0].first || index > data.Bounds[0].second)
    throw EVariantError(BadIndexText);
  return static_cast<size_t>(int64_t{index} - data.Bounds[0].first);
}

TVariant& TVariant::Element(int32_t index) {
  size_t offset = ElementOffset(index);
  return ArrayData().Elements[offset];
}

const TVariant& TVariant::Element(int32_t index) const {
  return ArrayData().Elements[ElementOffset(index)];
}

bool TVariant::operator==(const TVariant& other) const {
  if (Type != other.Type) return false;
  if (IsArray()) {
    if (Arr == other.Arr) return true;
    if (!Arr || !other.Arr) return false;
    return Arr->ElementType == other.Arr->ElementType && Arr->Bounds == other.Arr->Bounds &&
           Arr->Elements == other.Arr->Elements;
  }
  switch (Type) {
    case varEmpty:
    case varNull: return true;
    case varSmallint:
    case varInteger:
    case varByte:
    case varInt64:
    case varBoolean:
    case varCurrency: return Int == other.Int;
    case varSingle:
    case varDouble:
    case varDate: return Real == other.Real;
    case varOleStr:
    case varString: return Text == other.Text;
    default: return Int == other.Int && Real == other.Real && Text == other.Text;
  }
}

std::string TVariant::TypeName(uint16_t type) {
  static const char* const names[] = {
      "Empty",   "Null",    "Smallint", "Integer", "Single",   "Double",   "Currency",
      "Date",    "OleStr",  "Dispatch", "Error",   "Boolean",  "Variant",  "Unknown",
      "Decimal", nullptr,   "ShortInt", "Byte",    "Word",     "LongWord", "Int64"};
  uint16_t base = type & varTypeMask;
  std::string name;
  if (base < std::size(names) && names[base])
    name = names[base];
  else if (base == varString)
    name = "String";
  else if (base == 0x101)
    name = "Any";
  else
    name = Format("$%.4x", {static_cast<int>(base)});
  if (type & varArray) name = "Array " + name;
  if (type & varByRef) name = "ByRef " + name;
  return name;
}

}  // namespace qnexp
