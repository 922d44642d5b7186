// printf-style formatting with the runtime's classic rules (the Format of the original runtime).
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace qnexp {

// One argument of Format, tagged with its kind. Integers match d u x, reals e f g n m,
// texts and characters s, pointers p.
class TFormatArg {
public:
  enum TKind : uint8_t { fkInteger, fkInt64, fkReal, fkString, fkChar, fkPointer, fkBoolean };

  TFormatArg(int v) : Kind(fkInteger), Int(v) {}
  TFormatArg(long v) : Kind(fkInt64), Int(v) {}
  TFormatArg(long long v) : Kind(fkInt64), Int(v) {}
  TFormatArg(unsigned v) : Kind(fkInt64), Int(v) {}
  TFormatArg(double v) : Kind(fkReal), Real(v) {}
  TFormatArg(long double v) : Kind(fkReal), Real(v) {}
  TFormatArg(char v) : Kind(fkChar), Int(static_cast<unsigned char>(v)) {}
  TFormatArg(bool v) : Kind(fkBoolean), Int(v) {}
  TFormatArg(const std::string& v) : Kind(fkString), Text(v) {}
  TFormatArg(std::string_view v) : Kind(fkString), Text(v) {}
  TFormatArg(const char* v) : Kind(fkString), Text(v ? v : "") {}
  TFormatArg(const void* v) : Kind(fkPointer), Pointer(v) {}

  TKind Kind;
  int64_t Int = 0;
  long double Real = 0;
  std::string_view Text;
  const void* Pointer = nullptr;
};

// Formats the arguments by the format text:
//   "%" [index ":"] ["-"] [width] ["." precision] type, width and precision may be "*";
//   d u x (integers; precision = minimum digits), e f g n m (reals), s (texts; precision =
//   maximum characters), p (pointers), "%%".
// A type that does not fit its argument, or a malformed directive, raises EConvertError
// "Format '%s' invalid or incompatible with argument"; a missing argument raises
// EConvertError "No argument for format '%s'".
std::string Format(std::string_view format, std::initializer_list<TFormatArg> args);

// The same with the arguments as an array (for callers that build the list at run time).
std::string FormatArgs(std::string_view format, const TFormatArg* args, size_t count);

// Fixed notation with the given decimals, as the "f" directive prints (no grouping).
std::string FloatToStrF(long double value, int decimals);

// The shortest general form, as "%g" prints: at most 15 significant digits.
std::string FloatToStr(long double value);

}  // namespace qnexp
