// The type-conversion functions ToInt, ToReal, ToBool, ToChar, ToStr, ToTime, ToShortCut and
// Hex. Each reads its argument through one typed accessor and stores through the matching one,
// so the value conversions are exactly those of the expression node.
//
// Every node raises CalcError "参数不够" when an argument it must read is missing (a tree that
// the translator did not build). Single-threaded, like every node.
#pragma once

#include <span>

#include "core/Function.h"

namespace qnexp {

// ToInt(x): etInteger, PutInteger(GetInteger(x)); accepts every type. A text that is not a
// number reads as 0, a real is rounded half to even. Also the base of the functions with one
// argument of any type and an integer result (Length, ASC, ToShortCut).
class TExp_ToInt : public TFunction {
  QN_CLASS(TExp_ToInt, TFunction)
public:
  void Calculate() override;
  // Always etInteger.
  bool TransOverOK() override;
};

// ToReal(x): etReal, PutReal(GetReal(x)).
class TExp_ToReal : public TFunction {
  QN_CLASS(TExp_ToReal, TFunction)
public:
  void Calculate() override;
  bool TransOverOK() override;
};

// ToBool(x): etBoolean, PutBoolean(GetBoolean(x)).
class TExp_ToBool : public TFunction {
  QN_CLASS(TExp_ToBool, TFunction)
public:
  void Calculate() override;
  bool TransOverOK() override;
};

// ToChar(x): etChar, PutChar(GetChar(x)) (the first byte of a text, #0 for an empty one).
class TExp_ToChar : public TFunction {
  QN_CLASS(TExp_ToChar, TFunction)
public:
  void Calculate() override;
  bool TransOverOK() override;
};

// ToStr(x): etString, the formatted text of x (its own format expression applies).
class TExp_ToStr : public TFunction {
  QN_CLASS(TExp_ToStr, TFunction)
public:
  void Calculate() override;
  bool TransOverOK() override;
};

// ToTime(x): etDateTime, PutDateTime(GetDateTime(x)); a text that is not a date raises the
// date-parsing EConvertError.
class TExp_ToTime : public TFunction {
  QN_CLASS(TExp_ToTime, TFunction)
public:
  void Calculate() override;
  bool TransOverOK() override;
};

// ToShortCut(s): etInteger, the keyboard shortcut code of the text s (see TextToShortCut in
// support/ShortCut.h); 0 for a text that is no shortcut.
class TExp_ToShortCut : public TExp_ToInt {
  QN_CLASS(TExp_ToShortCut, TExp_ToInt)
public:
  void Calculate() override;
};

// Hex(x [, p]): etString. For a text x, every byte as two upper-case hexadecimal digits joined
// by the text of p (nothing when p is absent). For any other x, the 32-bit two's complement of
// GetInteger(x) in upper-case hexadecimal with at least w = max(GetInteger(p), 0) digits (w is
// 1 without p): leading zeros beyond w are dropped, and zeros are added in front up to w.
// A width above 65535 counts as 65535, so no call can ask for an unbounded text.
class TExp_Hex : public TStrFunction {
  QN_CLASS(TExp_Hex, TStrFunction)
public:
  TExp_Hex() { OptionalCount = 1; }
  void Calculate() override;
};

// The widest Hex of an integer; wider requests are cut to it.
inline constexpr int kMaxHexWidth = 65535;

// Every node class of this family, for the persistent-class registry (the library's
// initialisation unit registers the named ones as functions in the language's order).
std::span<const TClassInfo* const> ConversionClasses();

}  // namespace qnexp
