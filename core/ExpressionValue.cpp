// The typed accessors of the expression node: every value type read as and written from
// every other, by fixed conversion rules.
#include <cmath>
#include <cstring>

#include "core/Expression.h"
#include "core/Sandbox.h"
#include "runtime/DateTime.h"
#include "runtime/Exception.h"
#include "runtime/Format.h"
#include "runtime/GbkChars.h"
#include "runtime/Variant.h"
#include "support/BoolWords.h"
#include "support/NumConv.h"

namespace qnexp {

namespace {

// Round to nearest, halves to even, into 64 bits; false when x is NaN or out of range.
bool TryRound64(long double x, int64_t& result) {
  long double r = std::nearbyintl(x);
  if (!(r >= -9223372036854775808.0L && r < 9223372036854775808.0L)) return false;
  result = static_cast<int64_t>(r);
  return true;
}

// Rounding where the conversion is allowed to fail: an impossible value raises EInvalidOp.
int64_t Round64(long double x) {
  int64_t result;
  if (!TryRound64(x, result)) throw EInvalidOp(Msg::InvalidOp);
  return result;
}

int64_t Trunc64(long double x) {
  long double t = std::truncl(x);
  if (!(t >= -9223372036854775808.0L && t < 9223372036854775808.0L))
    throw EInvalidOp(Msg::InvalidOp);
  return static_cast<int64_t>(t);
}

// The low 32 bits of a 64-bit value, without relying on implementation-defined narrowing.
int32_t Low32(int64_t v) { return static_cast<int32_t>(static_cast<uint32_t>(v)); }

uint8_t LowByte(int64_t v) { return static_cast<uint8_t>(static_cast<uint64_t>(v)); }

// A text read as a decimal real; a malformed text gives 0.
long double TextToReal(const std::string& text) {
  long double value = 0;
  if (!TryStrToFloat(text, value)) return 0;
  return value;
}

// A text read as a 64-bit integer (decimal, or hexadecimal after "$" or "0x").
int64_t TextToInt64(const std::string& text) {
  std::string body = text;
  bool negative = false;
  if (!body.empty() && (body[0] == '+' || body[0] == '-')) {
    negative = body[0] == '-';
    body.erase(0, 1);
  }
  int base = 10;
  if (!body.empty() && body[0] == '$') {
    base = 16;
    body.erase(0, 1);
  } else if (body.size() > 2 && body[0] == '0' && (body[1] == 'x' || body[1] == 'X')) {
    base = 16;
    body.erase(0, 2);
  }
  if (body.empty() || body.size() > 20) throw EConvertError(Format(Msg::InvalidInteger, {text}));
  uint64_t magnitude = 0;
  for (char c : body) {
    int digit;
    if (c >= '0' && c <= '9')
      digit = c - '0';
    else if (base == 16 && c >= 'A' && c <= 'F')
      digit = c - 'A' + 10;
    else if (base == 16 && c >= 'a' && c <= 'f')
      digit = c - 'a' + 10;
    else
      throw EConvertError(Format(Msg::InvalidInteger, {text}));
    uint64_t next = magnitude * base + digit;
    if (magnitude > (UINT64_MAX - digit) / base) throw EConvertError(Format(Msg::InvalidInteger, {text}));
    magnitude = next;
  }
  if (base == 10) {
    if (negative ? magnitude > 9223372036854775808ULL : magnitude > 9223372036854775807ULL)
      throw EConvertError(Format(Msg::InvalidInteger, {text}));
  }
  uint64_t bits = negative ? 0 - magnitude : magnitude;
  int64_t result;
  std::memcpy(&result, &bits, sizeof result);
  return result;
}

}  // namespace

std::string TExpression::GetFormatStr() {
  std::string format;
  if (FormatExp) {
    // Hosts read values outside the entry points; a format expression is evaluated here and
    // gets the sandbox's time budget like any evaluation.
    TBudgetScope budget;
    FormatExp->Evaluate(SyncFlag);
    format = FormatExp->GetString();
  }
  if (!format.empty()) return format;
  switch (DataType) {
    case etInteger: case etInt64: return "%d";
    case etReal: return "%g";
    case etDateTime: return "YYYY.MM.DD hh:nn:ss";
    default: return "%s";
  }
}

std::string TExpression::GetString() {
  if (DataType == etAny) return "";
  // The default numeric formats, without reading a format text.
  if (!FormatExp) {
    if (DataType == etReal) return FloatToStr(Value.RealValue);
    if (DataType == etInteger) return std::to_string(Value.IntValue);
    if (DataType == etInt64) return std::to_string(Int64Slot());
    // "%s" gives the text itself.
    if (DataType == etString) return Value.StrValue;
    if (DataType == etChar) return std::string(1, static_cast<char>(Value.IntValue & 0xFF));
  }
  std::string format = GetFormatStr();
  if (DataType == etDateTime) return FormatDateTime(format, DateTimeSlot());
  try {
    switch (DataType) {
      case etInteger: return Format(format, {Value.IntValue});
      case etInt64: return Format(format, {Int64Slot()});
      case etReal: return Format(format, {Value.RealValue});
      case etBoolean: return Format(format, {BoolStrs()[Value.IntValue & 0xFF ? 1 : 0]});
      case etChar: return Format(format, {static_cast<char>(Value.IntValue & 0xFF)});
      default: return Format(format, {Value.StrValue});
    }
  } catch (const EConvertError& error) {
    // A format that does not fit is shown, not raised.
    return error.Message + "(" + format + ")";
  }
}

int32_t TExpression::ConvertedInteger() {
  try {
    switch (DataType) {
      case etInteger: return Value.IntValue;
      case etReal: return Low32(Round64(Value.RealValue));
      case etBoolean: case etChar: return Value.IntValue & 0xFF;
      case etString: return StrToInt(Value.StrValue);
      case etDateTime: return Low32(Round64(DateTimeSlot()));
      case etInt64: return Low32(Int64Slot());
      default: return 0;
    }
  } catch (const Exception&) {
    return 0;
  }
}

int64_t TExpression::GetInt64() {
  try {
    switch (DataType) {
      case etInteger: return Value.IntValue;
      case etReal: return Round64(Value.RealValue);
      case etBoolean: case etChar: return Value.IntValue & 0xFF;
      case etString: return StrToInt(Value.StrValue);
      case etDateTime: return Round64(DateTimeSlot());
      case etInt64: return Int64Slot();
      default: return 0;
    }
  } catch (const Exception&) {
    return 0;
  }
}

long double TExpression::ConvertedReal() {
  switch (DataType) {
    case etInteger: return Value.IntValue;
    case etReal: return Value.RealValue;
    case etBoolean: case etChar: return Value.IntValue & 0xFF;
    case etString: return TextToReal(Value.StrValue);
    case etDateTime: return DateTimeSlot();
    case etInt64: return static_cast<long double>(Int64Slot());
    default: return 0;
  }
}

bool TExpression::GetBoolean() {
  switch (DataType) {
    case etInteger: return Value.IntValue > 0;
    case etReal: return Value.RealValue > 0;
    case etBoolean: return (Value.IntValue & 0xFF) != 0;
    case etChar: return AsciiUpper(static_cast<char>(Value.IntValue)) == AsciiUpper(BoolChars()[1]);
    case etString: return SameText(Value.StrValue, BoolStrs()[1]);
    case etDateTime: return DateTimeSlot() != 0;
    case etInt64: return Int64Slot() > 0;
    default: return false;
  }
}

char TExpression::GetChar() {
  switch (DataType) {
    case etInteger: return static_cast<char>(LowByte(Value.IntValue));
    case etReal: return static_cast<char>(LowByte(Trunc64(Value.RealValue)));
    case etBoolean: return BoolChars()[(Value.IntValue & 0xFF) ? 1 : 0];
    case etChar: return static_cast<char>(Value.IntValue);
    default: {
      std::string text = GetString();
      return text.empty() ? '\0' : text[0];
    }
  }
}

double TExpression::GetDateTime() {
  switch (DataType) {
    case etInteger: return Value.IntValue;
    case etReal: return static_cast<double>(Value.RealValue);
    case etDateTime: return DateTimeSlot();
    case etInt64: return static_cast<double>(Int64Slot());
    default: {
      std::string text = GetString();
      const TFormatSettings& settings = FormatSettings();
      if (FindChar(text, settings.DateSeparator) != std::string::npos) {
        if (FindChar(text, settings.TimeSeparator) != std::string::npos) return StrToDateTime(text);
        return StrToDate(text);
      }
      return StrToTime(text);
    }
  }
}

void TExpression::PutConvertedInteger(int32_t v) {
  switch (DataType) {
    case etInteger: Value.IntValue = v; break;
    case etReal: Value.RealValue = v; break;
    case etBoolean: Value.IntValue = LowByte(v) ? 1 : 0; break;
    case etChar: Value.IntValue = LowByte(v); break;
    case etString: Value.StrValue = std::to_string(v); break;
    case etDateTime: SetDateTimeSlot(v); break;
    case etInt64: SetInt64Slot(v); break;
    default: break;
  }
}

void TExpression::PutInt64(int64_t v) {
  switch (DataType) {
    case etInteger: Value.IntValue = Low32(v); break;
    case etReal: Value.RealValue = static_cast<long double>(v); break;
    case etBoolean: Value.IntValue = LowByte(v) ? 1 : 0; break;
    case etChar: Value.IntValue = LowByte(v); break;
    case etString: Value.StrValue = std::to_string(v); break;
    case etDateTime: SetDateTimeSlot(static_cast<double>(v)); break;
    case etInt64: SetInt64Slot(v); break;
    default: break;
  }
}

void TExpression::PutConvertedReal(long double x) {
  switch (DataType) {
    case etInteger: Value.IntValue = Low32(Round64(x)); break;
    case etReal: Value.RealValue = x; break;
    case etBoolean: Value.IntValue = LowByte(Round64(x)) ? 1 : 0; break;
    case etChar: Value.IntValue = LowByte(Round64(x)); break;
    case etString: Value.StrValue = Format("%g", {x}); break;
    case etDateTime: SetDateTimeSlot(static_cast<double>(x)); break;
    case etInt64: SetInt64Slot(Round64(x)); break;
    default: break;
  }
}

void TExpression::PutBoolean(bool b) {
  switch (DataType) {
    case etInteger: Value.IntValue = b; break;
    case etReal: Value.RealValue = b; break;
    case etBoolean: Value.IntValue = b; break;
    case etChar: Value.IntValue = static_cast<unsigned char>(BoolChars()[b ? 1 : 0]); break;
    case etString: Value.StrValue = BoolStrs()[b ? 1 : 0]; break;
    case etDateTime: SetDateTimeSlot(b ? 1 : 0); break;
    case etInt64: SetInt64Slot(b); break;
    default: break;
  }
}

void TExpression::PutDateTime(double d) {
  switch (DataType) {
    case etInteger: Value.IntValue = Low32(Round64(d)); break;
    case etReal: Value.RealValue = d; break;
    case etBoolean: Value.IntValue = 0; break;
    case etChar: Value.IntValue = LowByte(Round64(d)); break;
    case etString: Value.StrValue = DateTimeToStr(d); break;
    case etDateTime: SetDateTimeSlot(d); break;
    case etInt64: SetInt64Slot(Round64(d)); break;
    default: break;
  }
}

void TExpression::PutChar(char c) {
  switch (DataType) {
    case etChar: Value.IntValue = static_cast<unsigned char>(c); break;
    case etString: Value.StrValue.assign(1, c); break;
    default: PutInteger(static_cast<unsigned char>(c)); break;
  }
}

void TExpression::PutString(const std::string& text) {
  switch (DataType) {
    case etInteger: Value.IntValue = StrToInt(text); break;
    case etReal: Value.RealValue = TextToReal(text); break;
    case etBoolean:
      if (text.size() == 1)
        Value.IntValue = AsciiUpper(text[0]) == AsciiUpper(BoolChars()[1]);
      else
        Value.IntValue = SameText(text, BoolStrs()[1]);
      break;
    case etChar: Value.IntValue = text.empty() ? 0 : static_cast<unsigned char>(text[0]); break;
    case etString:
      if (text.size() > MaxTextBytes) [[unlikely]]
        TextTooLong();
      Value.StrValue = text;
      break;
    case etDateTime: SetDateTimeSlot(StrToDateTime(text)); break;
    case etInt64: SetInt64Slot(TextToInt64(text)); break;
    default: break;
  }
}

void TExpression::GetVariantValue(TVariant& v) {
  switch (DataType) {
    case etInteger: v = TVariant(GetInteger()); break;
    case etReal: v = TVariant(static_cast<double>(GetReal())); break;
    case etBoolean: v = TVariant(GetBoolean()); break;
    case etChar: v = TVariant(std::string(1, GetChar())); break;
    case etString: v = TVariant(GetString()); break;
    case etDateTime: v = TVariant::FromDate(GetDateTime()); break;
    case etInt64: v = TVariant(GetInt64()); break;
    default: break;
  }
}

void TExpression::SetVariantValue(const TVariant& v) {
  if (DataType == etAny) {
    switch (v.BaseType()) {
      case varSmallint: case varInteger: case varByte: DataType = etInteger; break;
      case varSingle: case varDouble: case varCurrency: DataType = etReal; break;
      case varDate: DataType = etDateTime; break;
      case varOleStr: case varString: DataType = etString; break;
      case varBoolean: DataType = etBoolean; break;
      case varInt64: DataType = etInt64; break;
      default: break;
    }
  }
  switch (DataType) {
    case etInteger: PutInteger(v.AsInteger()); break;
    case etReal: PutReal(v.AsReal()); break;
    case etBoolean: PutBoolean(v.AsBoolean()); break;
    case etChar: case etString: PutString(v.AsString()); break;
    case etDateTime: PutDateTime(v.AsDouble()); break;
    case etInt64: PutInt64(v.AsInt64()); break;
    default: break;
  }
}

void TExpression::GetValue(void* destination) {
  auto* bytes = static_cast<unsigned char*>(destination);
  switch (DataType) {
    case etInteger: std::memcpy(bytes, &Value.IntValue, 4); break;
    case etReal: std::memcpy(bytes, &Value.RealValue, 10); break;
    case etBoolean: case etChar: *bytes = static_cast<unsigned char>(Value.IntValue); break;
    case etString: *static_cast<std::string*>(destination) = Value.StrValue; break;
    case etDateTime: case etInt64: std::memcpy(bytes, &Value.RealValue, 8); break;
    default: break;
  }
}

void TExpression::PutValue(const void* source) {
  auto* bytes = static_cast<const unsigned char*>(source);
  switch (DataType) {
    case etInteger: std::memcpy(&Value.IntValue, bytes, 4); break;
    case etReal: std::memcpy(&Value.RealValue, bytes, 10); break;
    case etBoolean: case etChar:
      // Only the first byte is the value; the rest of the slot is cleared.
      Value.IntValue = *bytes;
      break;
    case etString: Value.StrValue = *static_cast<const std::string*>(source); break;
    case etDateTime: case etInt64: std::memcpy(&Value.RealValue, bytes, 8); break;
    default: break;
  }
}

}  // namespace qnexp
