// Date-times as day counts, their encoding, formatting and reading with the process settings.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace qnexp {

// Days since 30 December 1899; the fraction is the time of day.
using TDateTime = double;

// The process-wide presentation of dates and times. Texts are GBK.
struct TFormatSettings {
  char DateSeparator = '.';
  char TimeSeparator = ':';
  std::string ShortDateFormat;
  std::string LongDateFormat;
  std::string ShortTimeFormat;
  std::string LongTimeFormat;
  std::string TimeAMString;
  std::string TimePMString;
  std::array<std::string, 12> ShortMonthNames;
  std::array<std::string, 12> LongMonthNames;
  std::array<std::string, 7> ShortDayNames;  // Sunday first
  std::array<std::string, 7> LongDayNames;   // Sunday first
  int TwoDigitYearCenturyWindow = 50;
};

// The settings in force. Set to the system's defaults on first use (or by ResetFormatSettings).
TFormatSettings& FormatSettings();

// Restores the defaults: ".", ":", "YYYY.M.D", "YYYY年M月D日", "hh:nn", "hh:nn:ss", the
// Chinese morning and afternoon markers, month names 元月 to 十二月, day names 星期日 to 星期六.
void ResetFormatSettings();

// Encoding and decoding in the proleptic Gregorian calendar, years 1 to 9999.
// EncodeDate/EncodeTime raise EConvertError "Invalid argument to date encode" /
// "Invalid argument to time encode" for impossible values; the Try forms return false.
bool TryEncodeDate(int year, int month, int day, TDateTime& result);
bool TryEncodeTime(int hour, int minute, int second, int msec, TDateTime& result);
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int minute, int second, int msec);
void DecodeDate(TDateTime value, int& year, int& month, int& day);
void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& msec);
// 1 = Sunday ... 7 = Saturday.
int DayOfWeek(TDateTime value);
bool IsLeapYearNumber(int year);
int DaysInMonth(int year, int month);

// Local time from the C library.
TDateTime Now();
TDateTime Date();
TDateTime Time();

// Formats by a date-time pattern: c d dd ddd dddd ddddd dddddd m mm mmm mmmm yy yyyy h hh n nn
// s ss z zzz t tt am/pm a/p ampm "/" ":" and quoted literals; letters in any case; m or mm
// right after an h or hh means minutes. An empty pattern means "c".
std::string FormatDateTime(std::string_view pattern, TDateTime value);

// Short date, then a blank and the long time unless the time is exactly midnight.
std::string DateTimeToStr(TDateTime value);
std::string DateToStr(TDateTime value);
std::string TimeToStr(TDateTime value);

// Reading: numbers in the order of the short date format separated by the date separator
// (two numbers are month and day of the current year; a two-digit year falls within the
// century window); times h[:n[:s[.zzz]]] with an optional AM/PM marker. Leading and trailing
// blanks are allowed. Failures raise EConvertError "'%s' is not a valid date" / "time" /
// "date and time"; the Try forms return false.
bool TryStrToDate(std::string_view text, TDateTime& result);
bool TryStrToTime(std::string_view text, TDateTime& result);
bool TryStrToDateTime(std::string_view text, TDateTime& result);
TDateTime StrToDate(std::string_view text);
TDateTime StrToTime(std::string_view text);
TDateTime StrToDateTime(std::string_view text);

}  // namespace qnexp
