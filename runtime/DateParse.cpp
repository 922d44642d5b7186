// Reading dates and times from text with the process's date and time settings.
#include <string>

#include "runtime/DateTime.h"
#include "runtime/Exception.h"
#include "runtime/GbkChars.h"

namespace qnexp {

namespace {

enum TDateOrder { doMDY, doDMY, doYMD };

// The order of year, month and day is that of the first of the letters Y, M, D (any case)
// found in the short date format; month first when it has none.
TDateOrder GetDateOrder(const std::string& format) {
  for (size_t i = 0; i < format.size(); i += CharSize(format, i)) {
    if (CharSize(format, i) == 2) continue;
    switch (AsciiUpper(format[i])) {
      case 'Y':
        return doYMD;
      case 'M':
        return doMDY;
      case 'D':
        return doDMY;
      default:
        break;
    }
  }
  return doMDY;
}

// A cursor over the text being read; every scan skips the blanks in front of what it reads.
class TScanner {
public:
  explicit TScanner(std::string_view text) : Text(text) {}

  bool AtEnd() const { return Pos >= Text.size(); }

  void SkipBlanks() {
    while (Pos < Text.size() && Text[Pos] == ' ') ++Pos;
  }

  // Digits as a number. Reading stops once the value reaches four digits, so an overlong run
  // leaves digits behind and the text fails at the next scan instead of overflowing.
  bool Number(int& value, int& digits) {
    SkipBlanks();
    size_t i = Pos;
    int n = 0;
    while (i < Text.size() && Text[i] >= '0' && Text[i] <= '9' && n < 1000) {
      n = n * 10 + (Text[i] - '0');
      ++i;
    }
    if (i == Pos) return false;
    digits = static_cast<int>(i - Pos);
    value = n;
    Pos = i;
    return true;
  }

  bool Char(char c) {
    SkipBlanks();
    if (Pos < Text.size() && Text[Pos] == c) {
      ++Pos;
      return true;
    }
    return false;
  }

  // A word compared without regard to the case of ASCII letters; an empty word never matches.
  bool Word(std::string_view word) {
    if (word.empty()) return false;
    SkipBlanks();
    if (Text.size() - Pos < word.size()) return false;
    if (!SameText(Text.substr(Pos, word.size()), word)) return false;
    Pos += word.size();
    return true;
  }

  bool Date(TDateTime& result);
  bool Time(TDateTime& result);

private:
  std::string_view Text;
  size_t Pos = 0;
};

int CurrentYear() {
  int year, month, day;
  DecodeDate(qnexp::Date(), year, month, day);
  return year;
}

// date := number sep number [sep number] [sep]
bool TScanner::Date(TDateTime& result) {
  const TFormatSettings& fs = FormatSettings();
  TDateOrder order = GetDateOrder(fs.ShortDateFormat);
  int n1, n2, n3, l1, l2, l3;
  if (!(Number(n1, l1) && Char(fs.DateSeparator) && Number(n2, l2))) return false;
  int year, month, day;
  if (Char(fs.DateSeparator)) {
    if (!Number(n3, l3)) return false;
    int yearDigits;
    switch (order) {
      case doMDY:
        year = n3;
        yearDigits = l3;
        month = n1;
        day = n2;
        break;
      case doDMY:
        year = n3;
        yearDigits = l3;
        month = n2;
        day = n1;
        break;
      default:
        year = n1;
        yearDigits = l1;
        month = n2;
        day = n3;
        break;
    }
    if (yearDigits <= 2) {
      int window = fs.TwoDigitYearCenturyWindow;
      int centuryBase = CurrentYear() - window;
      year += centuryBase / 100 * 100;
      if (window > 0 && year < centuryBase) year += 100;
    }
  } else {
    year = CurrentYear();
    month = order == doDMY ? n2 : n1;
    day = order == doDMY ? n1 : n2;
  }
  Char(fs.DateSeparator);
  SkipBlanks();
  return TryEncodeDate(year, month, day, result);
}

// time := [marker] number [":" number [":" number ["." number]]] [marker]
bool TScanner::Time(TDateTime& result) {
  const TFormatSettings& fs = FormatSettings();
  int baseHour = -1;
  auto marker = [&]() {
    if (Word(fs.TimeAMString) || Word("AM"))
      baseHour = 0;
    else if (Word(fs.TimePMString) || Word("PM"))
      baseHour = 12;
  };
  marker();
  int hour, minute = 0, second = 0, msec = 0, digits;
  if (!Number(hour, digits)) return false;
  if (Char(fs.TimeSeparator)) {
    if (!Number(minute, digits)) return false;
    if (Char(fs.TimeSeparator)) {
      if (!Number(second, digits)) return false;
      if (Char('.') && !Number(msec, digits)) return false;
    }
  }
  if (baseHour < 0) marker();
  if (baseHour >= 0) {
    if (hour == 0 || hour > 12) return false;
    if (hour == 12) hour = 0;
    hour += baseHour;
  }
  SkipBlanks();
  return TryEncodeTime(hour, minute, second, msec, result);
}

[[noreturn]] void Fail(const char* message, std::string_view text) {
  std::string m(message);
  size_t at = m.find("%s");
  m.replace(at, 2, text);
  throw EConvertError(std::move(m));
}

}  // namespace

bool TryStrToDate(std::string_view text, TDateTime& result) {
  TScanner scanner(text);
  TDateTime value = 0;
  if (!scanner.Date(value) || !scanner.AtEnd()) return false;
  result = value;
  return true;
}

bool TryStrToTime(std::string_view text, TDateTime& result) {
  TScanner scanner(text);
  TDateTime value = 0;
  if (!scanner.Time(value) || !scanner.AtEnd()) return false;
  result = value;
  return true;
}

bool TryStrToDateTime(std::string_view text, TDateTime& result) {
  TScanner scanner(text);
  TDateTime date = 0, time = 0;
  if (!scanner.Date(date)) return TryStrToTime(text, result);
  if (!scanner.AtEnd() && !(scanner.Time(time) && scanner.AtEnd()))
    return TryStrToTime(text, result);
  result = ComposeDateTime(date, time);
  return true;
}

TDateTime StrToDate(std::string_view text) {
  TDateTime result = 0;
  if (!TryStrToDate(text, result)) Fail(Msg::InvalidDate, text);
  return result;
}

TDateTime StrToTime(std::string_view text) {
  TDateTime result = 0;
  if (!TryStrToTime(text, result)) Fail(Msg::InvalidTime, text);
  return result;
}

TDateTime StrToDateTime(std::string_view text) {
  TDateTime result = 0;
  if (!TryStrToDateTime(text, result)) Fail(Msg::InvalidDateTime, text);
  return result;
}

}  // namespace qnexp
