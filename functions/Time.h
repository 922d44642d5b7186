// The date and time functions: the clock, changing and shifting components of a date-time,
// taking it apart, and whole-unit distances between two date-times.
//
// Every function takes a date-time first argument, checked when the call is translated. An
// impossible date after a change (a year outside 1 to 9999) raises EConvertError "Invalid
// argument to date encode", an impossible time "Invalid argument to time encode". Components
// are handled as plain integers, so a value beyond 16 bits is refused rather than wrapped.
// Every node raises CalcError "参数不够" when an argument it must read is missing (a tree
// the translator did not build). Single-threaded, like every node.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "core/Function.h"

namespace qnexp {

class TFunctionList;

// The base of the family: argument 0 must be of type etDateTime when the call is translated
// (anything else, a null node included, is refused); the result type is etDateTime.
class TDateTimeFunction : public TFunction {
  QN_CLASS(TDateTimeFunction, TFunction)
public:
  bool SetSubExp(int index, TExpression* node) override;
  bool TransOverOK() override;
};

// DateTime(): the local date and time.
class TExp_DateTime : public TDateTimeFunction {
  QN_CLASS(TExp_DateTime, TDateTimeFunction)
public:
  TExp_DateTime() { FixedCount = 0; }
  void Calculate() override;
};

// The functions that change components of dt (argument 0) by argument 1. The date components
// are changed first, then clamped (month into 1..12, day into the month) and encoded; then the
// time components, whose changes may carry whole days.
class TExp_TimeModify : public TDateTimeFunction {
  QN_CLASS(TExp_TimeModify, TDateTimeFunction)
public:
  TExp_TimeModify() { FixedCount = 2; }
  void Calculate() override;
  // Changes year, month, day; true when something changed. Nothing here.
  virtual bool ModifyDate(int32_t& year, int32_t& month, int32_t& day);
  // Changes the clock components and may put whole days into dayCarry; true when something
  // changed. Nothing here.
  virtual bool ModifyTime(int32_t& hour, int32_t& minute, int32_t& second, int32_t& msec,
                          int32_t& dayCarry);

protected:
  // GetInteger of argument 1.
  int32_t Amount();
};

// NewYear(dt, y), NewMonth(dt, m), NewDay(dt, d): dt with that component replaced.
class TExp_NewYear : public TExp_TimeModify {
  QN_CLASS(TExp_NewYear, TExp_TimeModify)
public:
  bool ModifyDate(int32_t& year, int32_t& month, int32_t& day) override;
};
class TExp_NewMonth : public TExp_TimeModify {
  QN_CLASS(TExp_NewMonth, TExp_TimeModify)
public:
  bool ModifyDate(int32_t& year, int32_t& month, int32_t& day) override;
};
class TExp_NewDay : public TExp_TimeModify {
  QN_CLASS(TExp_NewDay, TExp_TimeModify)
public:
  bool ModifyDate(int32_t& year, int32_t& month, int32_t& day) override;
};

// NewDate(dt, text): text cut at the date separator into year, month and day fields (the last
// field takes the rest); an empty field keeps its component. A field that is no integer raises
// EConvertError "'%s' is not a valid integer value".
class TExp_NewDate : public TExp_TimeModify {
  QN_CLASS(TExp_NewDate, TExp_TimeModify)
public:
  bool ModifyDate(int32_t& year, int32_t& month, int32_t& day) override;
};

// NewHour(dt, h), NewMinute(dt, n), NewSecond(dt, s): dt with that clock component replaced.
class TExp_NewHour : public TExp_TimeModify {
  QN_CLASS(TExp_NewHour, TExp_TimeModify)
public:
  bool ModifyTime(int32_t& hour, int32_t& minute, int32_t& second, int32_t& msec,
                  int32_t& dayCarry) override;
};
class TExp_NewMinute : public TExp_TimeModify {
  QN_CLASS(TExp_NewMinute, TExp_TimeModify)
public:
  bool ModifyTime(int32_t& hour, int32_t& minute, int32_t& second, int32_t& msec,
                  int32_t& dayCarry) override;
};
class TExp_NewSecond : public TExp_TimeModify {
  QN_CLASS(TExp_NewSecond, TExp_TimeModify)
public:
  bool ModifyTime(int32_t& hour, int32_t& minute, int32_t& second, int32_t& msec,
                  int32_t& dayCarry) override;
};

// NewTime(dt, text): text cut at the time separator into hour, minute, second and millisecond
// fields, with the rules of NewDate.
class TExp_NewTime : public TExp_TimeModify {
  QN_CLASS(TExp_NewTime, TExp_TimeModify)
public:
  bool ModifyTime(int32_t& hour, int32_t& minute, int32_t& second, int32_t& msec,
                  int32_t& dayCarry) override;
};

// AddYear(dt, n): n years later; 29 February becomes 28 February in a common year.
class TExp_AddYear : public TExp_TimeModify {
  QN_CLASS(TExp_AddYear, TExp_TimeModify)
public:
  bool ModifyDate(int32_t& year, int32_t& month, int32_t& day) override;
};

// AddMonth(dt, n): n months later (earlier for negative n), the day clamped to the month.
class TExp_AddMonth : public TExp_TimeModify {
  QN_CLASS(TExp_AddMonth, TExp_TimeModify)
public:
  bool ModifyDate(int32_t& year, int32_t& month, int32_t& day) override;
};

// AddDay(dt, n): GetDateTime(dt) + GetInteger(n); the time of day is kept.
class TExp_AddDay : public TExp_TimeModify {
  QN_CLASS(TExp_AddDay, TExp_TimeModify)
public:
  void Calculate() override;
};

// AddHour(dt, n), AddMinute(dt, n), AddSecond(dt, n): shifted by n units; negative amounts
// borrow from the larger units, and whole days move the date.
class TExp_AddHour : public TExp_TimeModify {
  QN_CLASS(TExp_AddHour, TExp_TimeModify)
public:
  bool ModifyTime(int32_t& hour, int32_t& minute, int32_t& second, int32_t& msec,
                  int32_t& dayCarry) override;
};
class TExp_AddMinute : public TExp_TimeModify {
  QN_CLASS(TExp_AddMinute, TExp_TimeModify)
public:
  bool ModifyTime(int32_t& hour, int32_t& minute, int32_t& second, int32_t& msec,
                  int32_t& dayCarry) override;
};
class TExp_AddSecond : public TExp_TimeModify {
  QN_CLASS(TExp_AddSecond, TExp_TimeModify)
public:
  bool ModifyTime(int32_t& hour, int32_t& minute, int32_t& second, int32_t& msec,
                  int32_t& dayCarry) override;
};

// The functions that take one component out of dt; the result type is etInteger. A dt outside
// years 1 to 9999 decodes as year, month and day 0.
class TExp_TimeDecode : public TDateTimeFunction {
  QN_CLASS(TExp_TimeDecode, TDateTimeFunction)
public:
  bool TransOverOK() override;
};

class TExp_Year : public TExp_TimeDecode {
  QN_CLASS(TExp_Year, TExp_TimeDecode)
public:
  void Calculate() override;
};
class TExp_Month : public TExp_TimeDecode {
  QN_CLASS(TExp_Month, TExp_TimeDecode)
public:
  void Calculate() override;
};
class TExp_Day : public TExp_TimeDecode {
  QN_CLASS(TExp_Day, TExp_TimeDecode)
public:
  void Calculate() override;
};
// WeekDay(dt): 0 = Sunday ... 6 = Saturday (-1 for a dt outside the calendar).
class TExp_WeekDay : public TExp_TimeDecode {
  QN_CLASS(TExp_WeekDay, TExp_TimeDecode)
public:
  void Calculate() override;
};
class TExp_Hour : public TExp_TimeDecode {
  QN_CLASS(TExp_Hour, TExp_TimeDecode)
public:
  void Calculate() override;
};
class TExp_Minute : public TExp_TimeDecode {
  QN_CLASS(TExp_Minute, TExp_TimeDecode)
public:
  void Calculate() override;
};
class TExp_Second : public TExp_TimeDecode {
  QN_CLASS(TExp_Second, TExp_TimeDecode)
public:
  void Calculate() override;
};
// LastDay(dt): the number of days in dt's month (0 for a dt outside the calendar).
class TExp_LastDay : public TExp_TimeDecode {
  QN_CLASS(TExp_LastDay, TExp_TimeDecode)
public:
  void Calculate() override;
};

// The distances from argument 0 to argument 1 (both read with GetDateTime; only the first is
// checked at translation), negative when the second is earlier.
class TExp_TimeGap : public TExp_TimeDecode {
  QN_CLASS(TExp_TimeGap, TExp_TimeDecode)
public:
  TExp_TimeGap() { FixedCount = 2; }
};

// Years(a, b), Months(a, b): whole calendar years and months; the later date counts one day
// less when its time of day is earlier than the other's.
class TExp_Years : public TExp_TimeGap {
  QN_CLASS(TExp_Years, TExp_TimeGap)
public:
  void Calculate() override;
};
class TExp_Months : public TExp_TimeGap {
  QN_CLASS(TExp_Months, TExp_TimeGap)
public:
  void Calculate() override;
};
// Days(a, b): b - a truncated toward zero (clamped to the integer range).
class TExp_Days : public TExp_TimeGap {
  QN_CLASS(TExp_Days, TExp_TimeGap)
public:
  void Calculate() override;
};
// Hours(a, b), Minutes(a, b), Seconds(a, b): the whole days of Days(a, b) times 24, 1440 and
// 86400; a product beyond the integer range raises EIntOverflow "Integer overflow".
class TExp_Hours : public TExp_TimeGap {
  QN_CLASS(TExp_Hours, TExp_TimeGap)
public:
  void Calculate() override;
};
class TExp_Minutes : public TExp_TimeGap {
  QN_CLASS(TExp_Minutes, TExp_TimeGap)
public:
  void Calculate() override;
};
class TExp_Seconds : public TExp_TimeGap {
  QN_CLASS(TExp_Seconds, TExp_TimeGap)
public:
  void Calculate() override;
};

// LastDate(dt): the last day of dt's month with dt's time of day.
class TExp_LastDate : public TDateTimeFunction {
  QN_CLASS(TExp_LastDate, TDateTimeFunction)
public:
  void Calculate() override;
};

// Every node class of this family (the bases and the named date, time and business-period
// functions), for the persistent-class registry; the library's initialisation unit registers
// the named ones.
// The 37 named functions come first, in registration order.
std::span<const TClassInfo* const> TimeClasses();
inline constexpr size_t kTimeFunctionCount = 37;

}  // namespace qnexp
