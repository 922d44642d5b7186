// The type-conversion functions, ending with the family's registration tables.
#include "functions/Conversion.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include "runtime/Gbk.h"
#include "support/NumConv.h"
#include "support/ShortCut.h"

namespace qnexp {

namespace {

// The check every conversion shares: accept the call and fix the result type.
bool FixType(TExpression& self, bool accepted, TExpDataType type) {
  if (!accepted) return false;
  self.DataType = type;
  return true;
}

std::string HexOfBytes(const std::string& text, const std::string& separator) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size() * (2 + separator.size()));
  for (size_t i = 0; i < text.size(); ++i) {
    if (i > 0) out += separator;
    auto byte = static_cast<unsigned char>(text[i]);
    out += kDigits[byte >> 4];
    out += kDigits[byte & 0x0F];
  }
  return out;
}

// The digits of value, at least width of them (and at least one).
std::string HexOfInteger(int32_t value, int width) {
  std::string digits = HexStr(static_cast<uint32_t>(value));
  if (static_cast<int>(digits.size()) < width)
    digits.insert(0, static_cast<size_t>(width) - digits.size(), '0');
  return digits;
}

}  // namespace

void TExp_ToInt::Calculate() { PutInteger(Arg(0).GetInteger()); }
bool TExp_ToInt::TransOverOK() { return FixType(*this, TFunction::TransOverOK(), etInteger); }

void TExp_ToReal::Calculate() { PutReal(Arg(0).GetReal()); }
bool TExp_ToReal::TransOverOK() { return FixType(*this, TFunction::TransOverOK(), etReal); }

void TExp_ToBool::Calculate() { PutBoolean(Arg(0).GetBoolean()); }
bool TExp_ToBool::TransOverOK() { return FixType(*this, TFunction::TransOverOK(), etBoolean); }

void TExp_ToChar::Calculate() { PutChar(Arg(0).GetChar()); }
bool TExp_ToChar::TransOverOK() { return FixType(*this, TFunction::TransOverOK(), etChar); }

void TExp_ToStr::Calculate() { PutString(Arg(0).GetString()); }
bool TExp_ToStr::TransOverOK() { return FixType(*this, TFunction::TransOverOK(), etString); }

void TExp_ToTime::Calculate() { PutDateTime(Arg(0).GetDateTime()); }
bool TExp_ToTime::TransOverOK() { return FixType(*this, TFunction::TransOverOK(), etDateTime); }

void TExp_ToShortCut::Calculate() { PutInteger(TextToShortCut(Arg(0).GetString())); }

void TExp_Hex::Calculate() {
  TExpression& value = Arg(0);
  TExpression* extra = GetSubExp(1);
  if (value.DataType == etString) {
    std::string separator = extra ? extra->GetString() : std::string();
    PutString(HexOfBytes(value.GetString(), separator));
    return;
  }
  int width = extra ? std::clamp(extra->GetInteger(), 0, kMaxHexWidth) : 1;
  PutString(HexOfInteger(value.GetInteger(), width));
}

std::span<const TClassInfo* const> ConversionClasses() {
  // The named functions in registration order.
  return ClassTable<TExp_ToInt, TExp_ToReal, TExp_ToBool, TExp_ToChar, TExp_ToStr, TExp_ToTime,
      TExp_ToShortCut, TExp_Hex>();
}

}  // namespace qnexp
