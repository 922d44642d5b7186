// The variant value type: a value tagged with the classic variant type codes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace qnexp {

// Variant type codes (low 12 bits) and flags.
enum TVarType : uint16_t {
  varEmpty = 0,
  varNull = 1,
  varSmallint = 2,
  varInteger = 3,
  varSingle = 4,
  varDouble = 5,
  varCurrency = 6,
  varDate = 7,
  varOleStr = 8,
  varBoolean = 11,
  varVariant = 12,
  varByte = 17,
  varInt64 = 20,
  varString = 256,
  varTypeMask = 0x0FFF,
  varArray = 0x2000,
  varByRef = 0x4000,
};

class TVariant;

// A variant array: its element type code, the bounds of each dimension and the elements in
// storage order (first dimension varying fastest).
struct TVarArrayData {
  uint16_t ElementType = varVariant;
  std::vector<std::pair<int32_t, int32_t>> Bounds;  // low, high per dimension
  std::vector<TVariant> Elements;
};

// A value of one of the variant types. Texts are GBK. Conversions between the scalar types
// follow the runtime's rules; an impossible conversion raises EVariantError "Could not convert
// variant of type (%s) into type (%s)"; a text that is not a number raises EConvertError.
class TVariant {
public:
  TVariant() = default;
  static TVariant Null();
  TVariant(int32_t v);
  TVariant(int64_t v);
  TVariant(double v);
  TVariant(bool v);
  TVariant(const std::string& v);
  TVariant(const char* v);
  static TVariant FromSmallint(int16_t v);
  static TVariant FromByte(uint8_t v);
  static TVariant FromSingle(float v);
  static TVariant FromCurrency(int64_t scaledBy10000);
  static TVariant FromDate(double v);
  static TVariant FromOleStr(const std::string& v);
  // A one-dimensional array with bounds low..high of elements of the given type, all empty.
  static TVariant Array(int32_t low, int32_t high, uint16_t elementType = varVariant);
  // An array with several dimensions.
  static TVariant ArrayOf(const std::vector<std::pair<int32_t, int32_t>>& bounds,
                          uint16_t elementType = varVariant);

  // The full type code, flags included; and the code without flags.
  uint16_t VType() const { return Type; }
  uint16_t BaseType() const { return Type & varTypeMask; }
  bool IsEmpty() const { return Type == varEmpty; }
  bool IsNull() const { return Type == varNull; }
  bool IsArray() const { return (Type & varArray) != 0; }

  int32_t AsInteger() const;    // rounded (halves to even) from reals
  int64_t AsInt64() const;
  double AsDouble() const;
  long double AsReal() const;
  bool AsBoolean() const;
  std::string AsString() const;  // empty and null give the empty text
  int64_t AsCurrencyScaled() const;  // currency times 10000

  // Array access; index errors raise EVariantError "Variant or safe array index out of bounds".
  TVarArrayData& ArrayData();
  const TVarArrayData& ArrayData() const;
  TVariant& Element(int32_t index);  // one-dimensional arrays
  const TVariant& Element(int32_t index) const;

  bool operator==(const TVariant& other) const;

  // The name of a type code as the runtime spells it in messages ("Integer", "String", ...).
  static std::string TypeName(uint16_t type);

private:
  uint16_t Type = varEmpty;
  int64_t Int = 0;           // smallint, integer, byte, int64, boolean, currency (scaled)
  double Real = 0;           // single, double, date
  std::string Text;          // olestr, string
  std::shared_ptr<TVarArrayData> Arr;  // arrays; copied on write
};

}  // namespace qnexp
