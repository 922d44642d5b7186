// The date and time functions, ending with the family's registration tables.
#include "functions/Time.h"

#include <cmath>
#include <string>
#include <string_view>

#include "core/FunctionList.h"
#include "functions/Periods.h"
#include "runtime/DateTime.h"
#include "runtime/Exception.h"
#include "runtime/Gbk.h"
#include "runtime/GbkChars.h"
#include "support/BusinessTime.h"
#include "support/Calendar.h"
#include "support/NumConv.h"

namespace qnexp {

namespace {

double DateArg(TExpression& self, int index) { return self.Arg(index).GetDateTime(); }

// The date with month and day clamped into the calendar; the year is not clamped.
TDateTime ValidDate(int32_t year, int32_t month, int32_t day) {
  if (year < 1 || year > 9999) throw EConvertError(Msg::DateEncodeError);
  int m = month < 1 ? 1 : month > 12 ? 12 : month;
  int last = DaysInMonth(year, m);
  int d = day < 1 ? 1 : day > last ? last : day;
  return EncodeDate(year, m, d);
}

// Cuts text at separator into at most count fields, the last taking the rest, and stores each
// non-empty field as an integer into its component. True when some field was present.
bool ReadFields(std::string_view text, char separator, int32_t* const* components, int count) {
  bool changed = false;
  for (int i = 0; i < count; ++i) {
    size_t cut = i + 1 < count ? FindChar(text, separator) : std::string_view::npos;
    std::string_view field = text.substr(0, cut);
    if (!field.empty()) {
      *components[i] = StrToInt(field);
      changed = true;
    }
    if (cut == std::string_view::npos) break;
    text.remove_prefix(cut + 1);
  }
  return changed;
}

int64_t FloorDiv(int64_t a, int64_t b) {
  int64_t q = a / b;
  return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

// Brings second, minute and hour back into their ranges after an addition, carrying whole
// units upward and whole days into dayCarry; negative values borrow.
void NormaliseClock(int64_t hour, int64_t minute, int64_t second, int32_t& h, int32_t& n,
                    int32_t& s, int32_t& dayCarry) {
  minute += FloorDiv(second, 60);
  second -= FloorDiv(second, 60) * 60;
  hour += FloorDiv(minute, 60);
  minute -= FloorDiv(minute, 60) * 60;
  int64_t days = FloorDiv(hour, 24);
  hour -= days * 24;
  h = static_cast<int32_t>(hour);
  n = static_cast<int32_t>(minute);
  s = static_cast<int32_t>(second);
  dayCarry = static_cast<int32_t>(dayCarry + days);
}

int32_t ScaledDays(TExpression& self, int64_t factor) {
  int64_t r = static_cast<int64_t>(Days(DateArg(self, 0), DateArg(self, 1))) * factor;
  if (r > INT32_MAX || r < INT32_MIN) throw EIntOverflow(Msg::IntOverflow);
  return static_cast<int32_t>(r);
}

}  // namespace

// --- Bases ------------------------------------------------------------------------------------

bool TDateTimeFunction::SetSubExp(int index, TExpression* node) {
  if (!node || (index == 0 && node->DataType != etDateTime)) return false;
  PutSubExp(index, node);
  return true;
}

bool TDateTimeFunction::TransOverOK() {
  DataType = etDateTime;
  return true;
}

void TExp_DateTime::Calculate() { PutDateTime(Now()); }

bool TExp_TimeModify::ModifyDate(int32_t&, int32_t&, int32_t&) { return false; }

bool TExp_TimeModify::ModifyTime(int32_t&, int32_t&, int32_t&, int32_t&, int32_t&) {
  return false;
}

int32_t TExp_TimeModify::Amount() { return Arg(1).GetInteger(); }

void TExp_TimeModify::Calculate() {
  TDateTime v = DateArg(*this, 0);
  PutDateTime(v);
  int year, month, day;
  DecodeDate(v, year, month, day);
  int32_t y = year, m = month, d = day;
  if (ModifyDate(y, m, d)) {
    // A value outside the calendar has no components to change.
    if (year == 0) throw EConvertError(Msg::DateEncodeError);
    v = ComposeDateTime(ValidDate(y, m, d), v);
  }
  int hour, minute, second, msec;
  DecodeTime(v, hour, minute, second, msec);
  int32_t h = hour, n = minute, s = second, z = msec, dayCarry = 0;
  if (ModifyTime(h, n, s, z, dayCarry)) {
    if (h < 0 || h > 23 || n < 0 || n > 59 || s < 0 || s > 59 || z < 0 || z > 999)
      throw EConvertError(Msg::TimeEncodeError);
    v = ComposeDateTime(std::trunc(v) + dayCarry, EncodeTime(h, n, s, z));
    // Carried days can leave the calendar.
    DecodeDate(v, year, month, day);
    if (year == 0) throw EConvertError(Msg::DateEncodeError);
  }
  PutDateTime(v);
}

// --- Changing components ----------------------------------------------------------------------

bool TExp_NewYear::ModifyDate(int32_t& year, int32_t&, int32_t&) {
  year = Amount();
  return true;
}

bool TExp_NewMonth::ModifyDate(int32_t&, int32_t& month, int32_t&) {
  month = Amount();
  return true;
}

bool TExp_NewDay::ModifyDate(int32_t&, int32_t&, int32_t& day) {
  day = Amount();
  return true;
}

bool TExp_NewDate::ModifyDate(int32_t& year, int32_t& month, int32_t& day) {
  int32_t* const components[] = {&year, &month, &day};
  return ReadFields(Arg(1).GetString(), FormatSettings().DateSeparator, components, 3);
}

bool TExp_NewHour::ModifyTime(int32_t& hour, int32_t&, int32_t&, int32_t&, int32_t&) {
  hour = Amount();
  return true;
}

bool TExp_NewMinute::ModifyTime(int32_t&, int32_t& minute, int32_t&, int32_t&, int32_t&) {
  minute = Amount();
  return true;
}

bool TExp_NewSecond::ModifyTime(int32_t&, int32_t&, int32_t& second, int32_t&, int32_t&) {
  second = Amount();
  return true;
}

bool TExp_NewTime::ModifyTime(int32_t& hour, int32_t& minute, int32_t& second, int32_t& msec,
                              int32_t&) {
  int32_t* const components[] = {&hour, &minute, &second, &msec};
  return ReadFields(Arg(1).GetString(), FormatSettings().TimeSeparator, components, 4);
}

bool TExp_AddYear::ModifyDate(int32_t& year, int32_t&, int32_t&) {
  int64_t y = static_cast<int64_t>(year) + Amount();
  if (y < 1 || y > 9999) throw EConvertError(Msg::DateEncodeError);
  year = static_cast<int32_t>(y);
  return true;
}

bool TExp_AddMonth::ModifyDate(int32_t& year, int32_t& month, int32_t&) {
  int32_t n = Amount();
  int64_t y = static_cast<int64_t>(year) + n / 12;
  int32_t m = month + n % 12;
  if (m <= 0) {
    --y;
    m += 12;
  } else if (m > 12) {
    ++y;
    m -= 12;
  }
  if (y < 1 || y > 9999) throw EConvertError(Msg::DateEncodeError);
  year = static_cast<int32_t>(y);
  month = m;
  return true;
}

void TExp_AddDay::Calculate() {
  PutDateTime(DateArg(*this, 0) + static_cast<double>(Arg(1).GetInteger()));
}

bool TExp_AddHour::ModifyTime(int32_t& hour, int32_t& minute, int32_t& second, int32_t&,
                              int32_t& dayCarry) {
  NormaliseClock(static_cast<int64_t>(hour) + Amount(), minute, second, hour, minute, second,
                 dayCarry);
  return true;
}

bool TExp_AddMinute::ModifyTime(int32_t& hour, int32_t& minute, int32_t& second, int32_t&,
                                int32_t& dayCarry) {
  NormaliseClock(hour, static_cast<int64_t>(minute) + Amount(), second, hour, minute, second,
                 dayCarry);
  return true;
}

bool TExp_AddSecond::ModifyTime(int32_t& hour, int32_t& minute, int32_t& second, int32_t&,
                                int32_t& dayCarry) {
  NormaliseClock(hour, minute, static_cast<int64_t>(second) + Amount(), hour, minute, second,
                 dayCarry);
  return true;
}

// --- Taking apart -----------------------------------------------------------------------------

bool TExp_TimeDecode::TransOverOK() {
  TDateTimeFunction::TransOverOK();
  DataType = etInteger;
  return true;
}

namespace {

struct TDateParts {
  int Year, Month, Day;
};

TDateParts DateOf(TExpression& self) {
  TDateParts p;
  DecodeDate(DateArg(self, 0), p.Year, p.Month, p.Day);
  return p;
}

struct TTimeParts {
  int Hour, Minute, Second, MSec;
};

TTimeParts TimeOf(TExpression& self) {
  TTimeParts p;
  DecodeTime(DateArg(self, 0), p.Hour, p.Minute, p.Second, p.MSec);
  return p;
}

}  // namespace

void TExp_Year::Calculate() { PutInteger(DateOf(*this).Year); }

void TExp_Month::Calculate() { PutInteger(DateOf(*this).Month); }

void TExp_Day::Calculate() { PutInteger(DateOf(*this).Day); }

void TExp_WeekDay::Calculate() { PutInteger(DayOfWeek(DateArg(*this, 0)) - 1); }

void TExp_Hour::Calculate() { PutInteger(TimeOf(*this).Hour); }

void TExp_Minute::Calculate() { PutInteger(TimeOf(*this).Minute); }

void TExp_Second::Calculate() { PutInteger(TimeOf(*this).Second); }

void TExp_LastDay::Calculate() {
  TDateParts p = DateOf(*this);
  PutInteger(DaysInMonth(p.Year, p.Month));
}

void TExp_LastDate::Calculate() {
  TDateTime v = DateArg(*this, 0);
  int year, month, day;
  DecodeDate(v, year, month, day);
  if (year == 0) throw EConvertError(Msg::DateEncodeError);
  PutDateTime(ComposeDateTime(EncodeDate(year, month, DaysInMonth(year, month)), v));
}

void TExp_Years::Calculate() { PutInteger(Years(DateArg(*this, 0), DateArg(*this, 1))); }

void TExp_Months::Calculate() { PutInteger(Months(DateArg(*this, 0), DateArg(*this, 1))); }

void TExp_Days::Calculate() { PutInteger(Days(DateArg(*this, 0), DateArg(*this, 1))); }

void TExp_Hours::Calculate() { PutInteger(ScaledDays(*this, 24)); }

void TExp_Minutes::Calculate() { PutInteger(ScaledDays(*this, 1440)); }

void TExp_Seconds::Calculate() { PutInteger(ScaledDays(*this, 86400)); }

// --- Registration -----------------------------------------------------------------------------

std::span<const TClassInfo* const> TimeClasses() {
  // The 37 named functions in registration order, then the classes that are only nodes.
  return ClassTable<TExp_DateTime, TExp_NewYear, TExp_NewMonth, TExp_NewDay, TExp_NewDate,
      TExp_NewHour, TExp_NewMinute, TExp_NewSecond, TExp_NewTime, TExp_AddYear, TExp_AddMonth,
      TExp_AddDay, TExp_AddHour, TExp_AddMinute, TExp_AddSecond, TExp_Year, TExp_Month, TExp_Day,
      TExp_WeekDay, TExp_Hour, TExp_Minute, TExp_Second, TExp_LastDay, TExp_LastDate, TExp_Years,
      TExp_Months, TExp_Days, TExp_Hours, TExp_Minutes, TExp_Seconds, TExp_BTime, TExp_BStartTime,
      TExp_BEndTime, TExp_BPriorStart, TExp_BNextEnd, TExp_BPStartTime, TExp_BPEndTime,
      TDateTimeFunction, TExp_TimeModify, TExp_TimeDecode, TExp_TimeGap>();
}



}  // namespace qnexp
