// The variant value type: a value tagged with the classic variant type codes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
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

// The most elements one variant array may hold; creating a larger one raises EVariantError
// "Error creating variant or safe array".
inline constexpr int64_t MaxVarArrayElements = int64_t{1} << 24;

// A variant array: its element type code, the bounds of each dimension and the elements in
// storage order (first dimension varying fastest).
struct TVarArrayData {
  uint16_t ElementType = varVariant;
  std::vector<std::pair<int32_t, int32_t>> Bounds;  // low, high per dimension
  std::vector<TVariant> Elements;
};

// A value of one of the variant types. Texts are GBK. Conversions between the scalar types
// follow the runtime's rules; an impossible conversion (from null, from an array, a real out
// of the target's range, a text that is not a boolean) raises EVariantError "Could not convert
// variant of type (%s) into type (%s)"; a text that is not a number raises EConvertError.
// Copies share array elements until one of them changes them (copy on write).
class TVariant {
public:
  TVariant() = default;
  static TVariant Null();
  TVariant(int32_t v);
  TVariant(int64_t v);
  TVariant(long long v);
  TVariant(double v);
  TVariant(bool v);
  TVariant(const std::string& v);
  TVariant(std::string_view v);
  TVariant(const char* v);  // null gives the empty text
  static TVariant FromSmallint(int16_t v);
  static TVariant FromByte(uint8_t v);
  static TVariant FromSingle(float v);
  static TVariant FromCurrency(int64_t scaledBy10000);
  static TVariant FromDate(double v);
  static TVariant FromOleStr(const std::string& v);
  // A one-dimensional array with bounds low..high (high = low - 1 gives an empty array).
  // Elements of a scalar element type start as that type's zero (0, 0.0, "", false); of
  // varVariant (or any other code) as empty. Bounds that are reversed or ask for more than
  // MaxVarArrayElements raise EVariantError "Error creating variant or safe array".
  static TVariant Array(int32_t low, int32_t high, uint16_t elementType = varVariant);
  // An array with several dimensions (at least one), by the same rules.
  static TVariant ArrayOf(const std::vector<std::pair<int32_t, int32_t>>& bounds,
                          uint16_t elementType = varVariant);

  // The full type code, flags included; and the code without flags.
  uint16_t VType() const { return Type; }
  uint16_t BaseType() const { return Type & varTypeMask; }
  bool IsEmpty() const { return Type == varEmpty; }
  bool IsNull() const { return Type == varNull; }
  bool IsArray() const { return (Type & varArray) != 0; }

  // Integers from reals, dates and currency are rounded (halves to even); a boolean gives -1
  // for true and 0 for false, as the classic runtime does; empty gives 0; a text is read as a
  // decimal or "$"-hexadecimal integer (EConvertError "'%s' is not a valid integer value").
  // A 64-bit value read as 32-bit keeps its low 32 bits.
  int32_t AsInteger() const;
  int64_t AsInt64() const;
  // Reals: a text is read by the decimal number reader (EConvertError "'%s' is not a valid
  // floating point value"); a boolean gives -1 or 0. AsDouble raises EOverflow "Floating point
  // overflow" when a text holds a value beyond the double range.
  double AsDouble() const;
  long double AsReal() const;
  // Numbers are true when not zero; a text is "True" or "False" (any case) or a number.
  bool AsBoolean() const;
  // Numbers in their shortest decimal form (reals as %g prints), dates in the default
  // date-time text, booleans "True" or "False", empty the empty text. Null raises EVariantError,
  // as the classic cast does: callers that want "" for null test IsNull first.
  std::string AsString() const;
  int64_t AsCurrencyScaled() const;  // currency times 10000

  // Array access. ArrayData of a value that is not an array raises EVariantError "Variant is
  // not an array"; the non-const forms first give this variant its own copy of shared
  // elements. Element addresses one-dimensional arrays by index within the bounds; another
  // index, or an array of several dimensions, raises EVariantError "Variant or safe array index
  // out of bounds".
  TVarArrayData& ArrayData();
  const TVarArrayData& ArrayData() const;
  TVariant& Element(int32_t index);
  const TVariant& Element(int32_t index) const;

  // Same type code and same value; arrays compare bounds, element type and every element.
  bool operator==(const TVariant& other) const;

  // The name of a type code as the runtime spells it in messages ("Integer", "String", ...);
  // arrays are "Array " plus the element name, references "ByRef " plus the rest; a code
  // without a name is "$" and four hexadecimal digits.
  static std::string TypeName(uint16_t type);

private:
  [[noreturn]] void RaiseCast(uint16_t target) const;
  size_t ElementOffset(int32_t index) const;

  uint16_t Type = varEmpty;
  int64_t Int = 0;           // smallint, integer, byte, int64, boolean, currency (scaled)
  double Real = 0;           // single, double, date
  std::string Text;          // olestr, string
  std::shared_ptr<TVarArrayData> Arr;  // arrays; copied on write
};

}  // namespace qnexp
