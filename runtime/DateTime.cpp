// Date-time settings, calendar encoding and decoding, and the local clock.
#include "runtime/DateTime.h"

#include <cmath>
#include <cstdint>
#include <ctime>

#include "runtime/Exception.h"
#include "runtime/Gbk.h"

namespace qnexp {

namespace {

// Days from 1 January of year 1 (day 1) to 30 December 1899 (day 0 of a date-time).
constexpr int64_t DateDelta = 693594;
// Day numbers (counted from 1 January of year 1 as 1) of the first and last encodable dates.
constexpr int64_t FirstDayNumber = 1;
constexpr int64_t LastDayNumber = 3652059;  // 31 December 9999
constexpr int64_t MSecsPerDay = 86400000;

constexpr int DaysBeforeMonth[2][13] = {
    {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334, 365},
    {0, 31, 60, 91, 121, 152, 182, 213, 244, 274, 305, 335, 366}};

TFormatSettings MakeDefaults() {
  TFormatSettings s;
  s.DateSeparator = '.';
  s.TimeSeparator = ':';
  s.ShortDateFormat = "YYYY.M.D";
  s.LongDateFormat = Res("YYYY年M月D日");
  s.ShortTimeFormat = "hh:nn";
  s.LongTimeFormat = "hh:nn:ss";
  s.TimeAMString = Res("上午");
  s.TimePMString = Res("下午");
  static const char* const months[12] = {"元月", "二月", "三月", "四月", "五月", "六月",
                                         "七月", "八月", "九月", "十月", "十一月", "十二月"};
  for (int i = 0; i < 12; ++i) {
    s.ShortMonthNames[i] = Res(months[i]);
    s.LongMonthNames[i] = Res(months[i]);
  }
  static const char* const days[7] = {"星期日", "星期一", "星期二", "星期三",
                                      "星期四", "星期五", "星期六"};
  for (int i = 0; i < 7; ++i) {
    s.ShortDayNames[i] = Res(days[i]);
    s.LongDayNames[i] = Res(days[i]);
  }
  s.TwoDigitYearCenturyWindow = 50;
  return s;
}

// A date-time taken apart into a signed day and the milliseconds of its time of day.
struct TSplit {
  bool HasDay = false;  // the day lies within years 1 to 9999
  int64_t Day = 0;      // days from 30 December 1899, toward zero
  int64_t MSec = 0;     // 0 to 86399999
};

// Milliseconds are rounded half to even, as the x87 store of the classic runtime did, so that
// decoding agrees with values written by it. The bound keeps the product exact in an int64_t.
TSplit Split(TDateTime value) {
  TSplit r;
  if (!std::isfinite(value)) return r;
  double magnitude = std::fabs(value);
  if (magnitude < 4.0e6) {
    int64_t ms = static_cast<int64_t>(std::nearbyint(magnitude * static_cast<double>(MSecsPerDay)));
    r.Day = ms / MSecsPerDay;
    r.MSec = ms % MSecsPerDay;
    if (value < 0) r.Day = -r.Day;
    int64_t number = r.Day + DateDelta;
    r.HasDay = number >= FirstDayNumber && number <= LastDayNumber;
  } else {
    double fraction = magnitude - std::floor(magnitude);
    r.MSec = static_cast<int64_t>(std::nearbyint(fraction * static_cast<double>(MSecsPerDay))) %
             MSecsPerDay;
  }
  return r;
}

int64_t DayNumber(int year, int month, int day) {
  int64_t y = year - 1;
  return y * 365 + y / 4 - y / 100 + y / 400 + DaysBeforeMonth[IsLeapYearNumber(year)][month - 1] +
         day;
}

void DecodeDayNumber(int64_t number, int& year, int& month, int& day) {
  constexpr int64_t D1 = 365, D4 = 1461, D100 = 36524, D400 = 146097;
  int64_t t = number - 1;
  int64_t y = 1 + (t / D400) * 400;
  t %= D400;
  int64_t i = t / D100;
  t %= D100;
  if (i == 4) {  // the last day of a 400-year cycle
    --i;
    t += D100;
  }
  y += i * 100;
  y += (t / D4) * 4;
  t %= D4;
  i = t / D1;
  t %= D1;
  if (i == 4) {  // the last day of a leap year
    --i;
    t += D1;
  }
  y += i;
  year = static_cast<int>(y);
  const int* before = DaysBeforeMonth[IsLeapYearNumber(year)];
  int m = 1;
  while (m < 12 && t >= before[m]) ++m;
  month = m;
  day = static_cast<int>(t - before[m - 1]) + 1;
}

}  // namespace

TFormatSettings& FormatSettings() {
  static TFormatSettings settings = MakeDefaults();
  return settings;
}

void ResetFormatSettings() { FormatSettings() = MakeDefaults(); }

bool IsLeapYearNumber(int year) {
  return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int DaysInMonth(int year, int month) {
  if (month < 1 || month > 12) return 0;
  const int* before = DaysBeforeMonth[IsLeapYearNumber(year)];
  return before[month] - before[month - 1];
}

bool TryEncodeDate(int year, int month, int day, TDateTime& result) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
      day > DaysInMonth(year, month))
    return false;
  result = static_cast<double>(DayNumber(year, month, day) - DateDelta);
  return true;
}

bool TryEncodeTime(int hour, int minute, int second, int msec, TDateTime& result) {
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 ||
      msec < 0 || msec > 999)
    return false;
  int64_t ms = ((static_cast<int64_t>(hour) * 60 + minute) * 60 + second) * 1000 + msec;
  result = static_cast<double>(ms) / static_cast<double>(MSecsPerDay);
  return true;
}

TDateTime EncodeDate(int year, int month, int day) {
  TDateTime result = 0;
  if (!TryEncodeDate(year, month, day, result)) throw EConvertError(Msg::DateEncodeError);
  return result;
}

TDateTime EncodeTime(int hour, int minute, int second, int msec) {
  TDateTime result = 0;
  if (!TryEncodeTime(hour, minute, second, msec, result)) throw EConvertError(Msg::TimeEncodeError);
  return result;
}

void DecodeDate(TDateTime value, int& year, int& month, int& day) {
  TSplit s = Split(value);
  if (!s.HasDay) {
    year = month = day = 0;
    return;
  }
  DecodeDayNumber(s.Day + DateDelta, year, month, day);
}

void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& msec) {
  int64_t ms = Split(value).MSec;
  msec = static_cast<int>(ms % 1000);
  ms /= 1000;
  second = static_cast<int>(ms % 60);
  ms /= 60;
  minute = static_cast<int>(ms % 60);
  hour = static_cast<int>(ms / 60);
}

int DayOfWeek(TDateTime value) {
  TSplit s = Split(value);
  if (!s.HasDay) return 0;
  // Day number 1 (1 January of year 1) was a Monday.
  return static_cast<int>((s.Day + DateDelta) % 7) + 1;
}

int DayOfTheYear(TDateTime value) {
  int year, month, day;
  DecodeDate(value, year, month, day);
  if (year == 0) return 0;
  return DaysBeforeMonth[IsLeapYearNumber(year)][month - 1] + day;
}

TDateTime ComposeDateTime(TDateTime date, TDateTime time) {
  double day = std::trunc(date);
  double fraction = std::fabs(time - std::trunc(time));
  return day >= 0 ? day + fraction : day - fraction;
}

TDateTime IncMonth(TDateTime value, int months) {
  int year, month, day;
  DecodeDate(value, year, month, day);
  if (year == 0) throw EConvertError(Msg::DateEncodeError);
  // 64-bit so that a huge count cannot overflow; the encoder rejects the year afterwards.
  int64_t total = static_cast<int64_t>(year) * 12 + (month - 1) + months;
  int64_t newYear = total >= 0 ? total / 12 : (total - 11) / 12;
  int newMonth = static_cast<int>(total - newYear * 12) + 1;
  if (newYear < 1 || newYear > 9999) throw EConvertError(Msg::DateEncodeError);
  int last = DaysInMonth(static_cast<int>(newYear), newMonth);
  TDateTime date = EncodeDate(static_cast<int>(newYear), newMonth, day > last ? last : day);
  int hour, minute, second, msec;
  DecodeTime(value, hour, minute, second, msec);
  return ComposeDateTime(date, EncodeTime(hour, minute, second, msec));
}

TDateTime Now() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  std::tm local{};
  time_t seconds = now.tv_sec;
  localtime_r(&seconds, &local);
  int msec = static_cast<int>(now.tv_nsec / 1000000);
  // A leap second (tm_sec 60) is held at 59 rather than failing the encoder.
  int second = local.tm_sec > 59 ? 59 : local.tm_sec;
  return EncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday) +
         EncodeTime(local.tm_hour, local.tm_min, second, msec);
}

TDateTime Date() { return std::trunc(Now()); }

TDateTime Time() {
  TDateTime now = Now();
  return now - std::trunc(now);
}

}  // namespace qnexp
