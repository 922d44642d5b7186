// Formatting of date-times by the classic date-time patterns.
#include <cstring>

#include "runtime/DateTime.h"
#include "runtime/GbkChars.h"

namespace qnexp {

namespace {

bool StartsWithNoCase(std::string_view text, size_t pos, const char* word) {
  size_t n = std::strlen(word);
  if (pos > text.size() || text.size() - pos < n) return false;
  for (size_t i = 0; i < n; ++i)
    if (AsciiUpper(text[pos + i]) != AsciiUpper(word[i])) return false;
  return true;
}

// The format settings' short and long date and time patterns may name each other ("c" inside
// the short date); one level of nesting is honoured and deeper ones print nothing, so no
// setting can make formatting recurse without end.
constexpr int MaxPatternNesting = 2;

class TDateFormatter {
public:
  explicit TDateFormatter(TDateTime value) : Value(value) {}

  void Append(std::string_view pattern) {
    if (Nesting >= MaxPatternNesting) return;
    ++Nesting;
    AppendLevel(pattern);
    --Nesting;
  }

  std::string Result;

private:
  void AppendNumber(int value, int digits) {
    std::string text = std::to_string(value < 0 ? -value : value);
    if (static_cast<int>(text.size()) < digits) text.insert(0, digits - text.size(), '0');
    Result += text;
  }

  void NeedDate() {
    if (DateDecoded) return;
    DecodeDate(Value, Year, Month, Day);
    DateDecoded = true;
  }

  void NeedTime() {
    if (TimeDecoded) return;
    DecodeTime(Value, Hour, Minute, Second, MSec);
    TimeDecoded = true;
  }

  static const std::string& Name(const std::string* names, int count, int index) {
    static const std::string none;
    return index >= 1 && index <= count ? names[index - 1] : none;
  }

  // Whether an am/pm, a/p or ampm element follows before the next hour element, so that the
  // hour already prints on the 12-hour clock. Quoted text is passed over.
  static bool TwelveHourAhead(std::string_view pattern, size_t pos) {
    char quote = 0;
    while (pos < pattern.size()) {
      char c = pattern[pos];
      if (CharSize(pattern, pos) == 2) {
        pos += 2;
        continue;
      }
      if (quote) {
        if (c == quote) quote = 0;
      } else if (c == '\'' || c == '"') {
        quote = c;
      } else if (c == 'a' || c == 'A') {
        return StartsWithNoCase(pattern, pos, "AM/PM") || StartsWithNoCase(pattern, pos, "A/P") ||
               StartsWithNoCase(pattern, pos, "AMPM");
      } else if (c == 'h' || c == 'H') {
        return false;
      }
      ++pos;
    }
    return false;
  }

  void AppendLevel(std::string_view pattern) {
    const TFormatSettings& fs = FormatSettings();
    bool twelveHour = false;
    char lastToken = ' ';
    size_t pos = 0;
    while (pos < pattern.size()) {
      char starter = pattern[pos];
      if (CharSize(pattern, pos) == 2) {
        Result.append(pattern.substr(pos, 2));
        pos += 2;
        lastToken = ' ';
        continue;
      }
      ++pos;
      char token = AsciiUpper(starter);
      if (token >= 'A' && token <= 'Z') {
        if (token == 'M' && lastToken == 'H') token = 'N';
        lastToken = token;
      }
      // The number of times the starter repeats, itself included; consumes the repeats.
      auto count = [&]() {
        int n = 1;
        while (pos < pattern.size() && pattern[pos] == starter) {
          ++pos;
          ++n;
        }
        return n;
      };
      switch (token) {
        case 'Y': {
          int n = count();
          NeedDate();
          if (n <= 2)
            AppendNumber(Year % 100, 2);
          else
            AppendNumber(Year, 4);
          break;
        }
        case 'M': {
          int n = count();
          NeedDate();
          if (n <= 2)
            AppendNumber(Month, n);
          else if (n == 3)
            Result += Name(fs.ShortMonthNames.data(), 12, Month);
          else
            Result += Name(fs.LongMonthNames.data(), 12, Month);
          break;
        }
        case 'D': {
          int n = count();
          if (n <= 2) {
            NeedDate();
            AppendNumber(Day, n);
          } else if (n == 3) {
            Result += Name(fs.ShortDayNames.data(), 7, DayOfWeek(Value));
          } else if (n == 4) {
            Result += Name(fs.LongDayNames.data(), 7, DayOfWeek(Value));
          } else if (n == 5) {
            Append(fs.ShortDateFormat);
          } else {
            Append(fs.LongDateFormat);
          }
          break;
        }
        case 'H': {
          int n = count();
          NeedTime();
          if (!twelveHour) twelveHour = TwelveHourAhead(pattern, pos);
          int hour = Hour;
          if (twelveHour) {
            if (hour == 0)
              hour = 12;
            else if (hour > 12)
              hour -= 12;
          }
          AppendNumber(hour, n > 2 ? 2 : n);
          break;
        }
        case 'N': {
          int n = count();
          NeedTime();
          AppendNumber(Minute, n > 2 ? 2 : n);
          break;
        }
        case 'S': {
          int n = count();
          NeedTime();
          AppendNumber(Second, n > 2 ? 2 : n);
          break;
        }
        case 'Z': {
          int n = count();
          NeedTime();
          AppendNumber(MSec, n > 3 ? 3 : n);
          break;
        }
        case 'T': {
          int n = count();
          Append(n == 1 ? fs.ShortTimeFormat : fs.LongTimeFormat);
          break;
        }
        case 'A': {
          NeedTime();
          size_t at = pos - 1;
          if (StartsWithNoCase(pattern, at, "AM/PM")) {
            // The marker keeps the letter case written in the pattern.
            Result.append(pattern.substr(Hour >= 12 ? at + 3 : at, 2));
            pos = at + 5;
            twelveHour = true;
          } else if (StartsWithNoCase(pattern, at, "A/P")) {
            Result.append(pattern.substr(Hour >= 12 ? at + 2 : at, 1));
            pos = at + 3;
            twelveHour = true;
          } else if (StartsWithNoCase(pattern, at, "AMPM")) {
            Result += Hour < 12 ? fs.TimeAMString : fs.TimePMString;
            pos = at + 4;
            twelveHour = true;
          } else {
            Result += starter;
          }
          break;
        }
        case 'C': {
          count();
          Append(fs.ShortDateFormat);
          NeedTime();
          if (Hour != 0 || Minute != 0 || Second != 0) {
            Result += ' ';
            Append(fs.LongTimeFormat);
          }
          break;
        }
        case '/':
          if (fs.DateSeparator != '\0') Result += fs.DateSeparator;
          break;
        case ':':
          if (fs.TimeSeparator != '\0') Result += fs.TimeSeparator;
          break;
        case '\'':
        case '"': {
          size_t start = pos;
          while (pos < pattern.size() && pattern[pos] != starter)
            pos += CharSize(pattern, pos);
          if (pos > pattern.size()) pos = pattern.size();
          Result.append(pattern.substr(start, pos - start));
          if (pos < pattern.size()) ++pos;
          break;
        }
        default:
          Result += starter;
          break;
      }
    }
  }

  TDateTime Value;
  int Nesting = 0;
  bool DateDecoded = false;
  bool TimeDecoded = false;
  int Year = 0, Month = 0, Day = 0;
  int Hour = 0, Minute = 0, Second = 0, MSec = 0;
};

}  // namespace

std::string FormatDateTime(std::string_view pattern, TDateTime value) {
  TDateFormatter formatter(value);
  formatter.Append(pattern.empty() ? std::string_view("c") : pattern);
  return std::move(formatter.Result);
}

std::string DateTimeToStr(TDateTime value) { return FormatDateTime("c", value); }

std::string DateToStr(TDateTime value) { return FormatDateTime("ddddd", value); }

std::string TimeToStr(TDateTime value) { return FormatDateTime("tt", value); }

}  // namespace qnexp
