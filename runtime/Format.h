// printf-style formatting with the runtime's classic rules, and the runtime's decimal number reader.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace qnexp {

// One argument of Format, tagged with its kind. Integers match d u x, reals e f g n m,
// texts and characters s, pointers p; booleans match no directive.
// int and the narrower integers (signed char and unsigned char, that is int8_t and uint8_t,
// included) are fkInteger; unsigned int and the wider integers are fkInt64 (an unsigned 64-bit
// value keeps its bit pattern, so %u and %x print it as given); plain char is a character.
// A text argument refers to the caller's characters: keep the text alive until Format returns.
class TFormatArg {
public:
  enum TKind : uint8_t { fkInteger, fkInt64, fkReal, fkString, fkChar, fkPointer, fkBoolean };

  TFormatArg(signed char v) : Kind(fkInteger), Int(v) {}
  TFormatArg(unsigned char v) : Kind(fkInteger), Int(v) {}
  TFormatArg(short v) : Kind(fkInteger), Int(v) {}
  TFormatArg(unsigned short v) : Kind(fkInteger), Int(v) {}
  TFormatArg(int v) : Kind(fkInteger), Int(v) {}
  TFormatArg(unsigned v) : Kind(fkInt64), Int(v) {}
  TFormatArg(long v) : Kind(fkInt64), Int(v) {}
  TFormatArg(unsigned long v) : Kind(fkInt64), Int(static_cast<int64_t>(v)) {}
  TFormatArg(long long v) : Kind(fkInt64), Int(v) {}
  TFormatArg(unsigned long long v) : Kind(fkInt64), Int(static_cast<int64_t>(v)) {}
  TFormatArg(float v) : Kind(fkReal), Real(v) {}
  TFormatArg(double v) : Kind(fkReal), Real(v) {}
  TFormatArg(long double v) : Kind(fkReal), Real(v) {}
  TFormatArg(char v) : Kind(fkChar), Int(static_cast<unsigned char>(v)) {}
  TFormatArg(bool v) : Kind(fkBoolean), Int(v) {}
  TFormatArg(const std::string& v) : Kind(fkString), Text(v) {}
  TFormatArg(std::string_view v) : Kind(fkString), Text(v) {}
  TFormatArg(const char* v) : Kind(fkString), Text(v ? v : "") {}
  TFormatArg(const void* v) : Kind(fkPointer), Pointer(v) {}
  TFormatArg(std::nullptr_t) : Kind(fkPointer) {}

  TKind Kind;
  int64_t Int = 0;
  long double Real = 0;
  std::string_view Text;
  const void* Pointer = nullptr;
};

// The largest width or precision a directive may ask for; a larger one is a malformed format
// (it would only serve to exhaust memory).
inline constexpr int MaxFormatWidth = 1000000;

// Formats the arguments by the format text. A directive is
//   "%" [index ":"] ["-"] [width] ["." precision] type
// where index, width and precision are decimal numbers or "*" (taken from the next argument,
// which must be an integer; a negative width means none, a negative precision the default).
// An index selects the argument for this directive and the ones after it (0 is the first).
// Type letters may be written in either case:
//   d  signed decimal; precision = minimum digits, zero-padded after the sign
//   u  unsigned decimal (a negative 32-bit argument as its unsigned 32-bit value, a 64-bit one
//      as unsigned 64-bit)
//   x  upper-case hexadecimal of the value as unsigned; precision = minimum digits
//   f  fixed with precision decimals (default 2, at most 18)
//   n  as f with thousands grouped by ","
//   m  as n with the currency sign "￥" in front ("￥-1,234.50" when negative)
//   e  "d.dddE+ddd": precision significant digits (default 15, at most 18), at least three
//      exponent digits
//   g  at most precision significant digits (default 15, at most 18; 0 means the default), no
//      trailing zeros; scientific ("1E20", "1.5E-7") when the decimal exponent reaches the
//      precision or the magnitude is below 0.00001
//   s  text or character; precision = maximum bytes (never ending inside a two-byte character)
//   p  pointer as 16 upper-case hexadecimal digits
//   %% a percent sign
// Infinity and NaN print "INF", "-INF" and "NAN" for every real directive. A value that
// rounds to zero keeps its minus sign ("-0.00" for -0.001 with %.2f); negative zero does not.
// The width pads with blanks on the left, or on the right after "-".
// d u x take only integers, e f g n m only reals, s texts and characters, p pointers. A type
// that does not fit its argument, an unknown type, a width or precision above MaxFormatWidth,
// or a directive cut off at the end raises EConvertError "Format '%s' invalid or incompatible
// with argument" filled with the whole format text; an argument index past the last argument
// raises EConvertError "No argument for format '%s'".
std::string Format(std::string_view format, std::initializer_list<TFormatArg> args);

// The same with the arguments as an array (for callers that build the list at run time).
// args may be null when count is 0.
std::string FormatArgs(std::string_view format, const TFormatArg* args, size_t count);

// Fixed notation with the given decimals, as the "f" directive prints (no grouping).
// Decimals below 0 count as 0, above 18 as 18.
std::string FloatToStrF(long double value, int decimals);

// The general form, as "%g" prints: at most 15 significant digits.
std::string FloatToStr(long double value);

// The runtime's decimal number reader: optional blanks (spaces, tabs) around, an optional sign,
// digits with an optional "." and fraction (at least one digit in all), an optional exponent
// "e" or "E" with an optional sign and at least one digit. No thousands separators, no
// "INF" or "NAN". The result is correctly rounded; a value too small for the type reads as
// zero or as its nearest denormal. Returns false, leaving value unchanged, for any other text
// and for a value beyond the long double range.
bool TryStrToFloat(std::string_view text, long double& value);

// TryStrToFloat that raises EConvertError "'%s' is not a valid floating point value" with the
// text on failure.
long double StrToFloat(std::string_view text);

}  // namespace qnexp
