// The string functions: Length, ASC, Pos, RPos, SubStrCount, ChrS, RTrim, LTrim, Trim, Upper,
// Lower, UpLower, SubS and SubSValid. Texts are GBK byte strings: positions and lengths count
// bytes, and characters are those of runtime/GbkChars.h (any lead byte 0x81..0xFE, so
// traditional and extension-area characters too). Every argument is read as text through
// GetString, so numbers, booleans and date-times take part by their formatted text.
//
// None of these functions raises an error of its own: out-of-range positions, counts and field
// numbers give the empty text or 0. Every node raises CalcError "参数不够" when an argument it
// must read is missing (a tree that the translator did not build). Single-threaded.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "core/Function.h"
#include "functions/Conversion.h"

namespace qnexp {

// SubS(s, start, count) / SubS(s, sep, n): etString, three fixed arguments of any type. The
// form is chosen at evaluation by the type of the second argument: etInteger takes at most
// count bytes from byte start (1-based; a start below 1 counts as 1, a start past the end or a
// count <= 0 gives the empty text); any other type gives field n (0-based) of s separated by
// the text of sep, quoted runs not splitting, empty for n < 0 or past the last field. An empty
// separator finds no boundary, so s is one field (field 0 is all of s).
class TExp_SubS : public TStrFunction {
  QN_CLASS(TExp_SubS, TStrFunction)
public:
  TExp_SubS() { FixedCount = 3; }
  void Calculate() override;

protected:
  // The position form; SubSValid overrides it to keep two-byte characters whole.
  virtual std::string CutByPosition(std::string_view text, int start, int count);
};

// SubSValid(...): as SubS, except that the position form never splits a two-byte character:
// a start on a second byte moves back one byte, and a last byte that would be the first half
// of a character is dropped.
class TExp_SubSValid : public TExp_SubS {
  QN_CLASS(TExp_SubSValid, TExp_SubS)
protected:
  std::string CutByPosition(std::string_view text, int start, int count) override;
};

// Length(s): the byte length of the text of s.
class TExp_Length : public TExp_ToInt {
  QN_CLASS(TExp_Length, TExp_ToInt)
public:
  void Calculate() override;
};

// ASC(s): the code 0..255 of the first byte of the text of s; 0 for the empty text.
class TExp_ASC : public TExp_Length {
  QN_CLASS(TExp_ASC, TExp_Length)
public:
  void Calculate() override;
};

// Pos(sub, s): etInteger, the 1-based byte position of the first occurrence of sub in s that
// starts on a character boundary (the search of the $ operator); 0 when there is none or sub
// is empty.
class TExp_Pos : public TP2Function {
  QN_CLASS(TExp_Pos, TP2Function)
public:
  void Calculate() override;
  // Always etInteger.
  bool TransOverOK() override;
};

// RPos(c, s): the position of the last occurrence of the character GetChar(c) in s, 0 when
// absent. Only whole characters match: the second byte of a two-byte character never does.
// An empty text c names no character and gives 0 (the character #0 itself finds a NUL
// byte). Texts of any length.
class TExp_RPos : public TExp_Pos {
  QN_CLASS(TExp_RPos, TExp_Pos)
public:
  void Calculate() override;
};

// SubStrCount(s, sep): the number of fields of s separated by sep, quoted runs not splitting:
// 0 for the empty text, and a separator at the very end opens no further field. An empty
// separator finds no boundary, so a non-empty text is one field.
class TExp_SubStrCount : public TExp_Pos {
  QN_CLASS(TExp_SubStrCount, TExp_Pos)
public:
  void Calculate() override;
};

// ChrS(c, n): etString, GetChar(c) repeated GetInteger(n) times; empty for n <= 0. Counts above
// kMaxChrSCount raise CalcError "重复次数太大" rather than exhausting memory.
class TExp_ChrS : public TP2Function {
  QN_CLASS(TExp_ChrS, TP2Function)
public:
  void Calculate() override;
  // Always etString.
  bool TransOverOK() override;
};

// The largest count ChrS builds (16 MiB of text).
inline constexpr int kMaxChrSCount = 16 * 1024 * 1024;

// RTrim(s): s without trailing blanks (the bytes 0, 9, 10, 13 and 32).
class TExp_RTrim : public TStrFunction {
  QN_CLASS(TExp_RTrim, TStrFunction)
public:
  void Calculate() override;
};

// LTrim(s): s without leading blanks.
class TExp_LTrim : public TStrFunction {
  QN_CLASS(TExp_LTrim, TStrFunction)
public:
  void Calculate() override;
};

// Trim(s): s without trailing, then leading blanks.
class TExp_Trim : public TStrFunction {
  QN_CLASS(TExp_Trim, TStrFunction)
public:
  void Calculate() override;
};

// Upper(s): the single-byte letters a to z made upper case; no byte of a two-byte character
// changes.
class TExp_Upper : public TStrFunction {
  QN_CLASS(TExp_Upper, TStrFunction)
public:
  void Calculate() override;
};

// Lower(s): the single-byte letters A to Z made lower case; no byte of a two-byte character
// changes.
class TExp_Lower : public TStrFunction {
  QN_CLASS(TExp_Lower, TStrFunction)
public:
  void Calculate() override;
};

// UpLower(s): s in lower case, then its first byte upper-cased when it is a to z.
class TExp_UpLower : public TStrFunction {
  QN_CLASS(TExp_UpLower, TStrFunction)
public:
  void Calculate() override;
};

// Every node class of this family, for the persistent-class registry (the library's
// initialisation unit registers the named ones as functions in the language's order).
std::span<const TClassInfo* const> StringClasses();

}  // namespace qnexp
