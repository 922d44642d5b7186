// Number conversions of the text utilities: integer and real reading, fixed-width writing,
// rounding, checked division, hexadecimal and binary digits, boolean words, version order.
// Texts are GBK byte strings. Single-threaded.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qnexp {

// The integer of S: 0 for the empty text. One leading '+' or '-' is taken off and applied to
// the value of the rest, which is decimal digits, or hexadecimal digits after "$", or (when the
// rest is longer than two bytes) hexadecimal digits after "0x" or "0X". Blanks are not allowed.
// Decimal values must fit 32 bits ("-2147483648" reads); hexadecimal ones of up to 32 bits
// wrap to the signed value ("$FFFFFFFF" is -1). Anything else raises EConvertError
// "'%s' is not a valid integer value" with S.
int32_t StrToInt(std::string_view S);

// The value of the longest leading part of S that reads as a decimal number: spaces, an
// optional sign, digits with an optional '.' and fraction (at least one digit), an optional
// exponent (taken only with its digits). 0 when S does not start so. A value beyond the range
// of long double raises EOverflow "Floating point overflow".
long double StrToNum(std::string_view S);

// Longest text NumToStr pads to; wider requests are cut to it.
inline constexpr int MaxNumToStrWidth = 65535;

// X in fixed notation with Decimals digits after '.' (a negative Decimals counts as 0, so the
// text then has no '.'; more than 18 count as 18), right-aligned with spaces to Width bytes.
// A longer text is not cut; Width is taken as at most MaxNumToStrWidth.
std::string NumToStr(long double X, int Width, int Decimals);

// X rounded to N decimal places, ties to even, in extended precision; a negative N rounds to
// tens, hundreds, ... (N = -2 gives a multiple of 100). Values that have no digits at that
// place (too large, infinite, NaN) are returned unchanged; rounding to a place beyond the
// range of long double gives 0.
long double rRound(long double X, int N);

// A divided by B, truncated toward zero. B = 0 raises EDivByZero "被0除iDiv(%d,0)" with A;
// -2147483648 by -1, whose quotient has no 32-bit form, raises EIntOverflow "Integer overflow".
int32_t iDiv(int32_t A, int32_t B);

// The remainder of A by B with the sign of A (0 for -2147483648 by -1). B = 0 raises
// EDivByZero "被0除iMod(%d,0)" with A.
int32_t iMod(int32_t A, int32_t B);

// X / Y in extended precision. Raises, before dividing, EZeroDivide "被0除fDiv(%f,%f)" when
// abs(Y) <= 1e-19, and EOverflow "浮点数上溢fDiv(%f,%f)" when abs(Y) < 1 and
// abs(Y) * 1.1e4932 <= abs(X), both with X and Y.
long double fDiv(long double X, long double Y);

// Upper-case hexadecimal digits: 2 of a byte, 4 of a word, 4 of the low word of I, 8 of L.
std::string hexb(uint8_t B);
std::string hexW(uint16_t W);
std::string hexI(int32_t I);
std::string hexL(uint32_t L);

// hexL without leading zeros; at least one digit.
std::string HexStr(uint32_t L);

// The hexadecimal digits of S, every other byte dropped, read as a 32-bit value (more than 8
// digits keep the low 32 bits). 0 when S holds no digit.
int32_t HexStrToInt(std::string_view S);

// Prefix and two upper-case hex digits for every one of the Count bytes at Buffer, with
// Separator between bytes. Empty for a Count <= 0 or a null Buffer.
std::string BytesToHexStr(const void* Buffer, int Count, std::string_view Prefix,
                          std::string_view Separator);

// 8 and 16 binary digits, most significant first.
std::string ByteToBinStr(uint8_t B);
std::string WordToBinStr(uint16_t W);

// The binary digits of I without leading zeros ("0" for 0).
std::string IntToBinStr(uint32_t I);

// S read as binary digits, most significant first: every '1' is a one, any other byte a zero.
// Longer texts keep the low 32 bits.
int32_t BinStrToInt(std::string_view S);

// True when S is the true word or the true letter, false when it is the false word or the
// false letter (all without regard to letter case), Default otherwise.
bool StrToBool(std::string_view S, bool Default);

// Orders the dotted version texts A and B field by field over the larger field count, a
// missing field being empty: two fields that both read by StrToInt compare as integers (the
// empty field reads as 0), others as texts byte by byte after the shorter is prefixed with
// '0' characters to the same length. -1, 0 or 1 by the first differing field.
int CompareVersion(std::string_view A, std::string_view B);

}  // namespace qnexp
