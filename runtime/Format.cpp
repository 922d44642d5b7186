// printf-style formatting with the classic directive rules, and the decimal number reader.
#include "runtime/Format.h"

#include <locale.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "runtime/Exception.h"
#include "runtime/Gbk.h"
#include "runtime/GbkChars.h"
#include "runtime/RoundedDigits.h"

namespace qnexp {

namespace {

constexpr int DefaultFixedDecimals = 2;
constexpr int DefaultSignificantDigits = 15;
// An x87 extended value carries about 19 decimal digits; 18 keeps every printed digit exact.
constexpr int MaxRealDigits = 18;

// The C locale: printing and reading numbers must not follow the process's numeric locale,
// which a GUI toolkit may have switched to the user's (with "," as decimal separator).
locale_t CLocale() {
  static const locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return loc;
}

// Switches the calling thread to the C locale for its lifetime.
class TCLocaleScope {
public:
  TCLocaleScope() : Previous(uselocale(CLocale())) {}
  ~TCLocaleScope() { uselocale(Previous); }
  TCLocaleScope(const TCLocaleScope&) = delete;
  TCLocaleScope& operator=(const TCLocaleScope&) = delete;

private:
  locale_t Previous;
};

// The C library's correctly rounded %.*Lf (fixed) or %.*Le (scientific) of value.
std::string PrintReal(bool scientific, int precision, long double value) {
  TCLocaleScope scope;
  char buffer[128];
  auto print = [&](char* out, size_t size) {
    return scientific ? std::snprintf(out, size, "%.*Le", precision, value)
                      : std::snprintf(out, size, "%.*Lf", precision, value);
  };
  int length = print(buffer, sizeof buffer);
  if (length < 0) return std::string();
  if (static_cast<size_t>(length) < sizeof buffer) return std::string(buffer, length);
  std::string text(static_cast<size_t>(length) + 1, '\0');
  print(text.data(), text.size());
  text.resize(static_cast<size_t>(length));
  return text;
}

[[noreturn]] void RaiseInvalidFormat(std::string_view format) {
  throw EConvertError(Format(Msg::InvalidFormat, {format}));
}

[[noreturn]] void RaiseArgumentMissing(std::string_view format) {
  throw EConvertError(Format(Msg::ArgumentMissing, {format}));
}

std::string Digits(uint64_t value, int base) {
  char buffer[32];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value, base);
  std::string text(buffer, result.ptr);
  for (char& c : text)
    if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

void ZeroPad(std::string& digits, int minimum) {
  if (minimum > static_cast<int>(digits.size()))
    digits.insert(0, static_cast<size_t>(minimum) - digits.size(), '0');
}

// The printed forms of the non-finite values, shared by every real directive.
bool NonFiniteText(long double value, std::string& text) {
  if (std::isnan(value)) {
    text = "NAN";
    return true;
  }
  if (std::isinf(value)) {
    text = value < 0 ? "-INF" : "INF";
    return true;
  }
  return false;
}

// A zero prints without sign even when it is a negative zero.
void DropSignOfZero(long double value, std::string& text) {
  if (value == 0 && !text.empty() && text[0] == '-') text.erase(0, 1);
}

std::string FixedText(long double value, int decimals) {
  std::string text;
  if (NonFiniteText(value, text)) return text;
  text = PrintReal(false, decimals, value);
  DropSignOfZero(value, text);
  return text;
}

// Inserts "," between groups of three digits of the integer part.
std::string GroupThousands(const std::string& fixed) {
  size_t start = (!fixed.empty() && fixed[0] == '-') ? 1 : 0;
  size_t end = fixed.find('.');
  if (end == std::string::npos) end = fixed.size();
  std::string text = fixed.substr(0, start);
  for (size_t i = start; i < end; ++i) {
    if (i > start && (end - i) % 3 == 0) text += ',';
    text += fixed[i];
  }
  text.append(fixed, end, std::string::npos);
  return text;
}

std::string NumberText(long double value, int decimals) {
  std::string text;
  if (NonFiniteText(value, text)) return text;
  return GroupThousands(FixedText(value, decimals));
}

std::string ExponentText(long double value, int digits) {
  std::string text;
  if (NonFiniteText(value, text)) return text;
  std::string printed = PrintReal(true, digits - 1, value);
  DropSignOfZero(value, printed);
  size_t e = printed.find('e');
  if (e == std::string::npos || e + 2 > printed.size()) return printed;
  std::string exponent = printed.substr(e + 2);
  ZeroPad(exponent, 3);
  return printed.substr(0, e) + "E" + printed[e + 1] + exponent;
}

// Rounds |value| (finite, non-zero) to the given number of significant digits: the digits
// without trailing zeros, and the decimal exponent of the first one.
void SignificantDigits(long double value, int digits, std::string& mantissa, int& exponent) {
  std::string printed = PrintReal(true, digits - 1, std::fabs(value));
  size_t e = printed.find('e');
  mantissa.clear();
  for (size_t i = 0; i < e; ++i)
    if (printed[i] != '.') mantissa += printed[i];
  while (mantissa.size() > 1 && mantissa.back() == '0') mantissa.pop_back();
  exponent = std::atoi(printed.c_str() + e + 1);
}

// Writes count decimal digits of value (which has no more) ending at end, two at a time.
void PutDigits(char* end, uint32_t value, int count) {
  static constexpr char kPairs[] =
      "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
      "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
      "8081828384858687888990919293949596979899";
  while (count >= 2) {
    end -= 2;
    std::memcpy(end, kPairs + 2 * (value % 100), 2);
    value /= 100;
    count -= 2;
  }
  if (count == 1) end[-1] = static_cast<char>('0' + value);
}

// GeneralText for the digits TryRoundedDigits decides, laid out in buffer (at least 64 bytes);
// the length of the text, or 0 when the digits are not decided.
int QuickGeneralText(long double value, int digits, char* buffer) {
  uint64_t significand;
  int exponent;
  if (!TryRoundedDigits(std::fabs(value), digits, significand, exponent)) return 0;
  // The significand has exactly digits digits (at most 15): the low eight, then the rest.
  char mantissa[16];
  int lowCount = digits < 8 ? digits : 8;
  PutDigits(mantissa + digits, static_cast<uint32_t>(significand % 100000000), lowCount);
  PutDigits(mantissa + digits - lowCount, static_cast<uint32_t>(significand / 100000000),
            digits - lowCount);
  int length = digits;
  while (length > 1 && mantissa[length - 1] == '0') --length;
  char* out = buffer;
  if (value < 0) *out++ = '-';
  auto put = [&](const char* from, int count) {
    for (int i = 0; i < count; ++i) *out++ = from[i];
  };
  auto zeros = [&](int count) {
    for (int i = 0; i < count; ++i) *out++ = '0';
  };
  if (exponent >= digits || exponent < -5) {
    *out++ = mantissa[0];
    if (length > 1) {
      *out++ = '.';
      put(mantissa + 1, length - 1);
    }
    *out++ = 'E';
    out = std::to_chars(out, buffer + 64, exponent).ptr;
  } else if (exponent >= 0) {
    int whole = exponent + 1;
    if (length <= whole) {
      put(mantissa, length);
      zeros(whole - length);
    } else {
      put(mantissa, whole);
      *out++ = '.';
      put(mantissa + whole, length - whole);
    }
  } else {
    *out++ = '0';
    *out++ = '.';
    zeros(-exponent - 1);
    put(mantissa, length);
  }
  return static_cast<int>(out - buffer);
}

std::string GeneralText(long double value, int digits) {
  std::string text;
  if (NonFiniteText(value, text)) return text;
  if (value == 0) return "0";
  char quick[64];
  if (int length = QuickGeneralText(value, digits, quick)) return std::string(quick, length);
  std::string mantissa;
  int exponent = 0;
  SignificantDigits(value, digits, mantissa, exponent);
  if (value < 0) text = "-";
  int length = static_cast<int>(mantissa.size());
  if (exponent >= digits || exponent < -5) {
    text += mantissa[0];
    if (length > 1) text.append(".").append(mantissa, 1, std::string::npos);
    text += 'E';
    text += std::to_string(exponent);
  } else if (exponent >= 0) {
    int whole = exponent + 1;
    if (length <= whole) {
      text += mantissa;
      text.append(static_cast<size_t>(whole - length), '0');
    } else {
      text.append(mantissa, 0, static_cast<size_t>(whole));
      text.append(".").append(mantissa, static_cast<size_t>(whole), std::string::npos);
    }
  } else {
    text += "0.";
    text.append(static_cast<size_t>(-exponent - 1), '0');
    text += mantissa;
  }
  return text;
}

int ClampDecimals(int precision) {
  if (precision < 0) return DefaultFixedDecimals;
  return precision > MaxRealDigits ? MaxRealDigits : precision;
}

int ClampSignificant(int precision) {
  if (precision <= 0) return DefaultSignificantDigits;
  return precision > MaxRealDigits ? MaxRealDigits : precision;
}

// The formatting of one call: the format text, the arguments and the position in both.
class TFormatter {
public:
  TFormatter(std::string_view format, const TFormatArg* args, size_t count)
      : Fmt(format), Args(args), Count(count) {}

  std::string Run();

private:
  bool AtEnd() const { return Pos >= Fmt.size(); }
  bool AtDigit() const { return !AtEnd() && Fmt[Pos] >= '0' && Fmt[Pos] <= '9'; }
  const TFormatArg& NextArgument();
  // A number in a directive: decimal digits or "*"; absent gives -1.
  int64_t ReadCount();
  std::string Directive();
  std::string IntegerText(char type, const TFormatArg& arg, int precision);
  std::string RealText(char type, long double value, int precision);
  std::string StringText(const TFormatArg& arg, int precision);

  std::string_view Fmt;
  const TFormatArg* Args;
  size_t Count;
  size_t Pos = 0;
  uint64_t ArgIndex = 0;
};

std::string TFormatter::Run() {
  std::string out;
  out.reserve(Fmt.size() + 16);
  while (!AtEnd()) {
    size_t percent = Fmt.find('%', Pos);
    if (percent == std::string_view::npos) percent = Fmt.size();
    out.append(Fmt, Pos, percent - Pos);
    Pos = percent;
    if (AtEnd()) break;
    ++Pos;
    if (!AtEnd() && Fmt[Pos] == '%') {
      out += '%';
      ++Pos;
      continue;
    }
    out += Directive();
  }
  return out;
}

const TFormatArg& TFormatter::NextArgument() {
  if (ArgIndex >= Count) RaiseArgumentMissing(Fmt);
  return Args[ArgIndex++];
}

int64_t TFormatter::ReadCount() {
  // Values are capped just above MaxFormatWidth, so that no count can overflow.
  constexpr int64_t cap = int64_t{MaxFormatWidth} + 1;
  if (!AtEnd() && Fmt[Pos] == '*') {
    ++Pos;
    const TFormatArg& arg = NextArgument();
    int64_t value;
    if (arg.Kind == TFormatArg::fkInteger)
      value = static_cast<int32_t>(arg.Int);
    else if (arg.Kind == TFormatArg::fkInt64)
      value = arg.Int;
    else
      RaiseInvalidFormat(Fmt);
    return value < 0 ? -1 : std::min(value, cap);
  }
  if (!AtDigit()) return -1;
  int64_t value = 0;
  for (; AtDigit(); ++Pos) value = std::min(value * 10 + (Fmt[Pos] - '0'), cap);
  return value;
}

std::string TFormatter::Directive() {
  int64_t width = ReadCount();
  bool left = false;
  if (!AtEnd() && Fmt[Pos] == ':') {
    if (width < 0) RaiseInvalidFormat(Fmt);
    ArgIndex = static_cast<uint64_t>(width);
    ++Pos;
    width = -1;
  }
  if (width < 0) {
    if (!AtEnd() && Fmt[Pos] == '-') {
      left = true;
      ++Pos;
    }
    width = ReadCount();
  }
  if (width > MaxFormatWidth) RaiseInvalidFormat(Fmt);
  int64_t precision = -1;
  if (!AtEnd() && Fmt[Pos] == '.') {
    ++Pos;
    precision = ReadCount();
    // "." without digits asks for precision 0; a negative "*" precision means the default.
    if (precision < 0 && Fmt[Pos - 1] == '.') precision = 0;
    if (precision > MaxFormatWidth) RaiseInvalidFormat(Fmt);
  }
  if (AtEnd()) RaiseInvalidFormat(Fmt);
  char type = Fmt[Pos++];
  type = AsciiUpper(type);
  if (!std::strchr("DUXEFGNMSP", type) || type == '\0') RaiseInvalidFormat(Fmt);
  const TFormatArg& arg = NextArgument();
  int prec = static_cast<int>(precision);
  std::string text;
  switch (type) {
    case 'D':
    case 'U':
    case 'X':
      if (arg.Kind != TFormatArg::fkInteger && arg.Kind != TFormatArg::fkInt64)
        RaiseInvalidFormat(Fmt);
      text = IntegerText(type, arg, prec);
      break;
    case 'S':
      if (arg.Kind != TFormatArg::fkString && arg.Kind != TFormatArg::fkChar)
        RaiseInvalidFormat(Fmt);
      text = StringText(arg, prec);
      break;
    case 'P':
      if (arg.Kind != TFormatArg::fkPointer) RaiseInvalidFormat(Fmt);
      text = Digits(reinterpret_cast<uintptr_t>(arg.Pointer), 16);
      ZeroPad(text, 16);
      break;
    default:
      if (arg.Kind != TFormatArg::fkReal) RaiseInvalidFormat(Fmt);
      text = RealText(type, arg.Real, prec);
      break;
  }
  if (width > static_cast<int64_t>(text.size())) {
    size_t pad = static_cast<size_t>(width) - text.size();
    if (left)
      text.append(pad, ' ');
    else
      text.insert(0, pad, ' ');
  }
  return text;
}

std::string TFormatter::IntegerText(char type, const TFormatArg& arg, int precision) {
  bool is64 = arg.Kind == TFormatArg::fkInt64;
  std::string text;
  if (type == 'D') {
    int64_t value = is64 ? arg.Int : static_cast<int32_t>(arg.Int);
    // The magnitude is taken unsigned so that the most negative value has one.
    uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    text = Digits(magnitude, 10);
    ZeroPad(text, precision);
    if (value < 0) text.insert(0, 1, '-');
    return text;
  }
  uint64_t value = is64 ? static_cast<uint64_t>(arg.Int) : static_cast<uint32_t>(arg.Int);
  text = Digits(value, type == 'X' ? 16 : 10);
  ZeroPad(text, precision);
  return text;
}

std::string TFormatter::RealText(char type, long double value, int precision) {
  switch (type) {
    case 'F':
      return FixedText(value, ClampDecimals(precision));
    case 'N':
      return NumberText(value, ClampDecimals(precision));
    case 'M': {
      std::string text = NumberText(value, ClampDecimals(precision));
      return std::isfinite(value) ? Res("￥") + text : text;
    }
    case 'E':
      return ExponentText(value, ClampSignificant(precision));
    default:
      return GeneralText(value, ClampSignificant(precision));
  }
}

std::string TFormatter::StringText(const TFormatArg& arg, int precision) {
  std::string text;
  if (arg.Kind == TFormatArg::fkChar)
    text.assign(1, static_cast<char>(arg.Int));
  else
    text.assign(arg.Text);
  if (precision >= 0 && static_cast<size_t>(precision) < text.size()) {
    // Cutting between the two bytes of a character would leave half a character behind.
    size_t cut = 0;
    while (cut < static_cast<size_t>(precision)) {
      size_t step = CharSize(text, cut);
      if (cut + step > static_cast<size_t>(precision)) break;
      cut += step;
    }
    text.resize(cut);
  }
  return text;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::string Format(std::string_view format, std::initializer_list<TFormatArg> args) {
  return FormatArgs(format, args.begin(), args.size());
}

std::string FormatArgs(std::string_view format, const TFormatArg* args, size_t count) {
  return TFormatter(format, args, args ? count : 0).Run();
}

std::string FloatToStrF(long double value, int decimals) {
  if (decimals < 0) decimals = 0;
  return FixedText(value, decimals > MaxRealDigits ? MaxRealDigits : decimals);
}

std::string FloatToStr(long double value) { return GeneralText(value, DefaultSignificantDigits); }

bool TryStrToFloat(std::string_view text, long double& value) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  size_t i = begin;
  if (i < end && (text[i] == '+' || text[i] == '-')) ++i;
  size_t digits = 0;
  for (; i < end && IsDigit(text[i]); ++i) ++digits;
  if (i < end && text[i] == '.')
    for (++i; i < end && IsDigit(text[i]); ++i) ++digits;
  if (digits == 0) return false;
  if (i < end && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < end && (text[i] == '+' || text[i] == '-')) ++i;
    size_t exponentDigits = 0;
    for (; i < end && IsDigit(text[i]); ++i) ++exponentDigits;
    if (exponentDigits == 0) return false;
  }
  if (i != end) return false;
  std::string number(text.substr(begin, end - begin));
  long double result = strtold_l(number.c_str(), nullptr, CLocale());
  if (std::isinf(result)) return false;
  value = result;
  return true;
}

long double StrToFloat(std::string_view text) {
  long double value = 0;
  if (!TryStrToFloat(text, value)) throw EConvertError(Format(Msg::InvalidFloat, {text}));
  return value;
}

}  // namespace qnexp
