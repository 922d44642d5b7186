// Number conversions: integer and real reading, rounding, checked division, hex and binary.
#include "support/NumConv.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "runtime/Exception.h"
#include "runtime/Format.h"
#include "runtime/Gbk.h"
#include "support/BoolWords.h"
#include "support/SplitStr.h"
#include "support/StrFuncs.h"

namespace qnexp {

namespace {

constexpr char HexDigits[] = "0123456789ABCDEF";

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Decimal digits only, at most limit.
bool ReadDecimal(std::string_view digits, uint32_t limit, uint32_t& value) {
  if (digits.empty()) return false;
  uint64_t total = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return false;
    total = total * 10 + static_cast<uint64_t>(c - '0');
    if (total > limit) return false;
  }
  value = static_cast<uint32_t>(total);
  return true;
}

// Hexadecimal digits only, at most 32 bits of value (leading zeros are free).
bool ReadHex(std::string_view digits, uint32_t& value) {
  if (digits.empty()) return false;
  uint64_t total = 0;
  for (char c : digits) {
    int digit = HexDigitValue(c);
    if (digit < 0) return false;
    total = total * 16 + static_cast<uint64_t>(digit);
    if (total > UINT32_MAX) return false;
  }
  value = static_cast<uint32_t>(total);
  return true;
}

// StrToInt without raising: false where StrToInt raises.
bool TryStrToInt(std::string_view S, int32_t& result) {
  if (S.empty()) {
    result = 0;
    return true;
  }
  std::string_view rest = S;
  bool negative = false;
  if (rest[0] == '+' || rest[0] == '-') {
    negative = rest[0] == '-';
    rest.remove_prefix(1);
  }
  // The magnitude is computed unsigned, so -2147483648 and wrapped hex values need no signed
  // overflow.
  uint32_t magnitude = 0;
  bool ok = ReadDecimal(rest, negative ? 2147483648u : 2147483647u, magnitude) ||
            (!rest.empty() && rest[0] == '$' && ReadHex(rest.substr(1), magnitude)) ||
            (rest.size() > 2 && rest[0] == '0' && (rest[1] == 'x' || rest[1] == 'X') &&
             ReadHex(rest.substr(2), magnitude));
  if (!ok) return false;
  result = static_cast<int32_t>(negative ? 0u - magnitude : magnitude);
  return true;
}

std::string BinaryDigits(uint32_t value, int count) {
  std::string text(static_cast<size_t>(count), '0');
  for (int i = 0; i < count; ++i)
    if (value & (1u << (count - 1 - i))) text[static_cast<size_t>(i)] = '1';
  return text;
}

std::string HexDigitsOf(uint32_t value, int count) {
  std::string text(static_cast<size_t>(count), '0');
  for (int i = count - 1; i >= 0; --i, value >>= 4)
    text[static_cast<size_t>(i)] = HexDigits[value & 15];
  return text;
}

// Orders two version fields as CompareVersion describes.
int CompareVersionField(std::string_view a, std::string_view b) {
  int32_t x = 0;
  int32_t y = 0;
  if (TryStrToInt(a, x) && TryStrToInt(b, y)) return x < y ? -1 : (x > y ? 1 : 0);
  std::string left(a);
  std::string right(b);
  if (left.size() < right.size()) left.insert(0, right.size() - left.size(), '0');
  if (right.size() < left.size()) right.insert(0, left.size() - right.size(), '0');
  int order = left.compare(right);  // std::string compares bytes as unsigned
  return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

}  // namespace

int32_t StrToInt(std::string_view S) {
  int32_t result = 0;
  if (!TryStrToInt(S, result)) throw EConvertError(Format(Msg::InvalidInteger, {S}));
  return result;
}

namespace {

// The exact powers of ten of long double: 10^k is 5^k * 2^k, and 5^27 still fits the 64-bit
// significand.
constexpr int kExactPowers = 28;
constexpr long double kPowersOfTen[kExactPowers] = {
    1e0L,  1e1L,  1e2L,  1e3L,  1e4L,  1e5L,  1e6L,  1e7L,  1e8L,  1e9L,
    1e10L, 1e11L, 1e12L, 1e13L, 1e14L, 1e15L, 1e16L, 1e17L, 1e18L, 1e19L,
    1e20L, 1e21L, 1e22L, 1e23L, 1e24L, 1e25L, 1e26L, 1e27L};

// The value of a number written as an optional sign, digits and at most one '.', without an
// exponent, when it has at most 19 digits and at most 27 after the point: its digits form an
// exact integer and its scale an exact power of ten, so one division rounds the quotient just
// as the full conversion rounds the text. False for anything else.
bool ShortDecimal(std::string_view text, long double& value) {
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  uint64_t digits = 0;
  int count = 0;
  int scale = 0;
  bool point = false;
  for (; i < text.size(); ++i) {
    char c = text[i];
    if (c >= '0' && c <= '9') {
      if (++count > 19) return false;
      digits = digits * 10 + static_cast<uint64_t>(c - '0');
      if (point) ++scale;
    } else if (c == '.' && !point) {
      point = true;
    } else {
      return false;
    }
  }
  if (count == 0 || scale >= kExactPowers) return false;
  long double result = static_cast<long double>(digits) / kPowersOfTen[scale];
  value = negative ? -result : result;
  return true;
}

}  // namespace

long double StrToNum(std::string_view S) {
  size_t i = 0;
  while (i < S.size() && S[i] == ' ') ++i;
  size_t start = i;
  if (i < S.size() && (S[i] == '+' || S[i] == '-')) ++i;
  size_t digits = 0;
  for (; i < S.size() && S[i] >= '0' && S[i] <= '9'; ++i) ++digits;
  if (i < S.size() && S[i] == '.')
    for (++i; i < S.size() && S[i] >= '0' && S[i] <= '9'; ++i) ++digits;
  if (digits == 0) return 0;
  if (i < S.size() && (S[i] == 'e' || S[i] == 'E')) {
    size_t j = i + 1;
    if (j < S.size() && (S[j] == '+' || S[j] == '-')) ++j;
    size_t exponentStart = j;
    while (j < S.size() && S[j] >= '0' && S[j] <= '9') ++j;
    if (j > exponentStart) i = j;
  }
  long double value = 0;
  if (ShortDecimal(S.substr(start, i - start), value)) return value;
  if (!TryStrToFloat(S.substr(start, i - start), value)) throw EOverflow(Msg::Overflow);
  return value;
}

std::string NumToStr(long double X, int Width, int Decimals) {
  std::string text = FloatToStrF(X, Decimals < 0 ? 0 : Decimals);
  if (Width > MaxNumToStrWidth) Width = MaxNumToStrWidth;
  if (Width > static_cast<int>(text.size()))
    text.insert(0, static_cast<size_t>(Width) - text.size(), ' ');
  return text;
}

long double rRound(long double X, int N) {
  if (!std::isfinite(X)) return X;
  long double scale =
      std::pow(10.0L, N < 0 ? -static_cast<long double>(N) : static_cast<long double>(N));
  long double scaled;
  if (N >= 0) {
    if (std::isinf(scale)) return X;
    scaled = X * scale;
  } else {
    // |X| is below half of any power of ten too large for long double.
    if (std::isinf(scale)) return 0;
    // Dividing by the exact power keeps the place exact; multiplying by 10^N would not.
    scaled = X / scale;
  }
  // From 2^64 on every long double is an integer: nothing to round.
  if (!std::isfinite(scaled) || std::fabs(scaled) >= 18446744073709551616.0L) return X;
  // Rounding by hand keeps ties to even whatever rounding mode the FPU is set to.
  long double whole = std::floor(scaled);
  long double fraction = scaled - whole;
  if (fraction > 0.5L || (fraction == 0.5L && std::fmod(whole, 2.0L) != 0)) whole += 1;
  long double result = N >= 0 ? whole / scale : whole * scale;
  if (std::isinf(result)) throw EOverflow(Msg::Overflow);
  return result;
}

int32_t iDiv(int32_t A, int32_t B) {
  if (B == 0) throw EDivByZero(Format(Res("被0除iDiv(%d,0)"), {A}));
  if (B == -1 && A == INT32_MIN) throw EIntOverflow(Msg::IntOverflow);
  return A / B;
}

int32_t iMod(int32_t A, int32_t B) {
  if (B == 0) throw EDivByZero(Format(Res("被0除iMod(%d,0)"), {A}));
  if (B == -1) return 0;
  return A % B;
}

long double fDiv(long double X, long double Y) {
  if (std::fabs(Y) <= 1e-19L) throw EZeroDivide(Format(Res("被0除fDiv(%f,%f)"), {X, Y}));
  if (std::fabs(Y) < 1 && std::fabs(Y) * 1.1e4932L <= std::fabs(X))
    throw EOverflow(Format(Res("浮点数上溢fDiv(%f,%f)"), {X, Y}));
  return X / Y;
}

std::string hexb(uint8_t B) { return HexDigitsOf(B, 2); }
std::string hexW(uint16_t W) { return HexDigitsOf(W, 4); }
std::string hexI(int32_t I) { return HexDigitsOf(static_cast<uint32_t>(I) & 0xFFFF, 4); }
std::string hexL(uint32_t L) { return HexDigitsOf(L, 8); }

std::string HexStr(uint32_t L) {
  std::string text = hexL(L);
  size_t first = text.find_first_not_of('0');
  return first == std::string::npos ? std::string("0") : text.substr(first);
}

int32_t HexStrToInt(std::string_view S) {
  uint32_t value = 0;
  for (char c : S) {
    int digit = HexDigitValue(c);
    if (digit >= 0) value = (value << 4) | static_cast<uint32_t>(digit);
  }
  return static_cast<int32_t>(value);
}

std::string BytesToHexStr(const void* Buffer, int Count, std::string_view Prefix,
                          std::string_view Separator) {
  std::string text;
  if (!Buffer || Count <= 0) return text;
  const auto* bytes = static_cast<const unsigned char*>(Buffer);
  for (int i = 0; i < Count; ++i) {
    if (i > 0) text += Separator;
    text += Prefix;
    text += hexb(bytes[i]);
  }
  return text;
}

std::string ByteToBinStr(uint8_t B) { return BinaryDigits(B, 8); }
std::string WordToBinStr(uint16_t W) { return BinaryDigits(W, 16); }

std::string IntToBinStr(uint32_t I) {
  std::string text = BinaryDigits(I, 32);
  size_t first = text.find('1');
  return first == std::string::npos ? std::string("0") : text.substr(first);
}

int32_t BinStrToInt(std::string_view S) {
  uint32_t value = 0;
  for (char c : S) value = (value << 1) | (c == '1' ? 1u : 0u);
  return static_cast<int32_t>(value);
}

bool StrToBool(std::string_view S, bool Default) {
  const auto& words = BoolStrs();
  const auto& letters = BoolChars();
  if (SameText(S, words[1]) || SameText(S, std::string_view(&letters[1], 1))) return true;
  if (SameText(S, words[0]) || SameText(S, std::string_view(&letters[0], 1))) return false;
  return Default;
}

int CompareVersion(std::string_view A, std::string_view B) {
  int count = std::max(SParamCount(A, "."), SParamCount(B, "."));
  for (int i = 0; i < count; ++i) {
    int order = CompareVersionField(SParam(A, ".", i), SParam(B, ".", i));
    if (order != 0) return order;
  }
  return 0;
}

}  // namespace qnexp
