// The string functions, ending with the family's registration tables.
#include "functions/Strings.h"

#include <cstdint>

#include "runtime/Gbk.h"
#include "support/SplitStr.h"
#include "support/StrFuncs.h"

namespace qnexp {

namespace {

int32_t ClampedLength(size_t size) {
  return size > static_cast<size_t>(INT32_MAX) ? INT32_MAX : static_cast<int32_t>(size);
}

}  // namespace

// --- SubS, SubSValid ---------------------------------------------------------------------

void TExp_SubS::Calculate() {
  std::string text = Arg(0).GetString();
  TExpression& second = Arg(1);
  // The form follows the type the second argument has now: a variable of type etAny only
  // knows it after its first evaluation.
  if (second.DataType == etInteger) {
    int start = second.GetInteger();
    PutString(CutByPosition(text, start, Arg(2).GetInteger()));
  } else {
    std::string separator = second.GetString();
    PutString(SubStr(text, separator, Arg(2).GetInteger()));
  }
}

std::string TExp_SubS::CutByPosition(std::string_view text, int start, int count) {
  if (count <= 0) return {};
  int64_t from = start < 1 ? 1 : start;
  if (from > static_cast<int64_t>(text.size())) return {};
  return std::string(text.substr(static_cast<size_t>(from - 1), static_cast<size_t>(count)));
}

std::string TExp_SubSValid::CutByPosition(std::string_view text, int start, int count) {
  return CopyValid(text, start, count);
}

// --- Measuring and searching -------------------------------------------------------------

void TExp_Length::Calculate() { PutInteger(ClampedLength(Arg(0).GetString().size())); }

void TExp_ASC::Calculate() {
  std::string text = Arg(0).GetString();
  PutInteger(text.empty() ? 0 : static_cast<unsigned char>(text[0]));
}

bool TExp_Pos::TransOverOK() {
  if (!TP2Function::TransOverOK()) return false;
  DataType = etInteger;
  return true;
}

void TExp_Pos::Calculate() {
  std::string sub = Arg(0).GetString();
  std::string text = Arg(1).GetString();
  PutInteger(FindText(text, sub));
}

void TExp_RPos::Calculate() {
  TExpression& wanted = Arg(0);
  std::string text = Arg(1).GetString();
  // An empty text names no character; its #0 must not match a NUL byte of the text.
  if (wanted.DataType == etString && wanted.GetString().empty()) {
    PutInteger(0);
    return;
  }
  PutInteger(RPos(wanted.GetChar(), text));
}

void TExp_SubStrCount::Calculate() {
  std::string text = Arg(0).GetString();
  std::string separator = Arg(1).GetString();
  PutInteger(SubStrCount(text, separator));
}

// --- Building ----------------------------------------------------------------------------

bool TExp_ChrS::TransOverOK() {
  if (!TP2Function::TransOverOK()) return false;
  DataType = etString;
  return true;
}

void TExp_ChrS::Calculate() {
  char c = Arg(0).GetChar();
  int32_t count = Arg(1).GetInteger();
  if (count > kMaxChrSCount) CalcError(Res("重复次数太大"));
  PutString(Chars(c, count));
}

// --- Trimming and case -------------------------------------------------------------------

void TExp_RTrim::Calculate() { PutString(Trim(Arg(0).GetString())); }

void TExp_LTrim::Calculate() { PutString(LTrim(Arg(0).GetString())); }

void TExp_Trim::Calculate() { PutString(TrimBoth(Arg(0).GetString())); }

void TExp_Upper::Calculate() { PutString(UpperCase(Arg(0).GetString())); }

void TExp_Lower::Calculate() { PutString(LowerCase(Arg(0).GetString())); }

void TExp_UpLower::Calculate() { PutString(UpcaseFirst(Arg(0).GetString())); }

// --- Registration ------------------------------------------------------------------------

std::span<const TClassInfo* const> StringClasses() {
  // The named functions in registration order.
  return ClassTable<TExp_RTrim, TExp_LTrim, TExp_Trim, TExp_Length, TExp_Pos, TExp_RPos,
      TExp_ASC, TExp_SubS, TExp_SubSValid, TExp_SubStrCount, TExp_ChrS, TExp_Upper, TExp_Lower,
      TExp_UpLower>();
}

}  // namespace qnexp
