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
// Process-wide and unsynchronised, like everything else of the system.
TFormatSettings& FormatSettings();

// Restores the defaults: ".", ":", "YYYY.M.D", "YYYY年M月D日", "hh:nn", "hh:nn:ss", the
// Chinese morning and afternoon markers, month names 元月 to 十二月, day names 星期日 to 星期六.
void ResetFormatSettings();

// Encoding and decoding in the proleptic Gregorian calendar, years 1 to 9999.
// EncodeDate/EncodeTime raise EConvertError "Invalid argument to date encode" /
// "Invalid argument to time encode" for impossible values; the Try forms return false and
// leave result alone.
bool TryEncodeDate(int year, int month, int day, TDateTime& result);
bool TryEncodeTime(int hour, int minute, int second, int msec, TDateTime& result);
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int minute, int second, int msec);

// The day of a date-time is its integer part (toward zero), its time of day the absolute value
// of its fraction, rounded to whole milliseconds (a fraction that rounds to a full day carries
// into the day). A value whose day lies outside 1.1.1 to 9999.12.31, and NaN or infinity,
// decodes as year 0, month 0, day 0.
void DecodeDate(TDateTime value, int& year, int& month, int& day);
// Any finite value decodes to its time of day; NaN and infinity decode as 0:00:00.000.
void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& msec);
// 1 = Sunday ... 7 = Saturday; 0 for a value DecodeDate cannot decode.
int DayOfWeek(TDateTime value);
bool IsLeapYearNumber(int year);
// Days in the month, 28 to 31; 0 for a month outside 1 to 12.
int DaysInMonth(int year, int month);
// The day of the year, 1 to 366; 0 for a value DecodeDate cannot decode.
int DayOfTheYear(TDateTime value);

// The day of date joined with the time of day of time. Days before 30 December 1899 are
// negative and count their time of day downward, so the time is subtracted there.
TDateTime ComposeDateTime(TDateTime date, TDateTime time);

// value moved by a number of months (negative moves back); the day is clamped to the last day
// of the target month and the time of day is kept. A result outside years 1 to 9999, or a value
// that cannot be decoded, raises EConvertError "Invalid argument to date encode".
TDateTime IncMonth(TDateTime value, int months);

// Local time from the C library.
TDateTime Now();
TDateTime Date();
TDateTime Time();

// Formats by a date-time pattern: c d dd ddd dddd ddddd dddddd m mm mmm mmmm yy yyyy h hh n nn
// s ss z zzz t tt am/pm a/p ampm "/" ":" and quoted literals; letters in any case; m or mm
// right after an h or hh means minutes; one or two y's print two digits, three or more four.
// Every other byte, and every two-byte character, is copied. An empty pattern means "c".
// Never fails: a value DecodeDate cannot decode prints as year, month and day 0 with empty
// month and day names.
std::string FormatDateTime(std::string_view pattern, TDateTime value);

// Short date, then a blank and the long time unless hour, minute and second are all 0.
std::string DateTimeToStr(TDateTime value);
std::string DateToStr(TDateTime value);
std::string TimeToStr(TDateTime value);

// Reading: numbers in the order of the short date format separated by the date separator
// (two numbers are month and day of the current year; a year of one or two digits falls within
// the century window); times h[:n[:s[.zzz]]] with an optional AM/PM marker before or after
// (then the hour must be 1 to 12). Blanks around the parts are allowed. Failures raise
// EConvertError "'%s' is not a valid date" / "time" / "date and time" with the text; the Try
// forms return false and leave result alone.
bool TryStrToDate(std::string_view text, TDateTime& result);
bool TryStrToTime(std::string_view text, TDateTime& result);
bool TryStrToDateTime(std::string_view text, TDateTime& result);
TDateTime StrToDate(std::string_view text);
TDateTime StrToTime(std::string_view text);
TDateTime StrToDateTime(std::string_view text);

}  // namespace qnexp
