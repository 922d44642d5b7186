// Calendar helpers: leap years, month lengths, clamped dates and whole calendar distances.
#include "support/Calendar.h"

#include <climits>
#include <cmath>
#include <utility>

namespace qnexp {

namespace {

struct TCalendarDate {
  int Year = 0, Month = 0, Day = 0;
};

// The two dates ordered, with the later one already stepped back a calendar day when its time
// of day is before the earlier's; Sign is -1 when they were exchanged.
struct TOrderedPair {
  TCalendarDate Earlier, Later;
  int Sign = 1;
};

TOrderedPair Order(TDateTime d1, TDateTime d2) {
  TOrderedPair r;
  if (d1 > d2) {
    std::swap(d1, d2);
    r.Sign = -1;
  }
  DecodeDate(d1, r.Earlier.Year, r.Earlier.Month, r.Earlier.Day);
  DecodeDate(d2, r.Later.Year, r.Later.Month, r.Later.Day);
  int h1, n1, s1, z1, h2, n2, s2, z2;
  DecodeTime(d1, h1, n1, s1, z1);
  DecodeTime(d2, h2, n2, s2, z2);
  long t1 = ((h1 * 60L + n1) * 60 + s1) * 1000 + z1;
  long t2 = ((h2 * 60L + n2) * 60 + s2) * 1000 + z2;
  // Stepping back in calendar terms, not by subtracting 1 from the value: days before 1899 are
  // negative and count their time downward, so value arithmetic would not land on the day before.
  if (t2 < t1 && r.Later.Year != 0) {
    TCalendarDate& l = r.Later;
    if (--l.Day == 0) {
      if (--l.Month == 0) {
        l.Month = 12;
        --l.Year;
      }
      l.Day = DaysInMonth(l.Year, l.Month);
    }
  }
  return r;
}

}  // namespace

bool IsLeapYear(uint16_t year) { return IsLeapYearNumber(year); }

uint16_t LastDay(uint16_t year, uint16_t month) {
  int m = month < 1 ? 1 : month > 12 ? 12 : month;
  return static_cast<uint16_t>(DaysInMonth(year, m));
}

int LeapDays(uint16_t year, uint16_t month, uint16_t day) {
  int y = (month < 2 || (month == 2 && day < 29)) ? year - 1 : year;
  return y / 4 + y / 400 - y / 100;
}

TDateTime GetValidDate(uint16_t year, uint16_t month, uint16_t day) {
  int m = month < 1 ? 1 : month > 12 ? 12 : month;
  int last = DaysInMonth(year, m);
  int d = day < 1 ? 1 : day > last ? last : day;
  return EncodeDate(year, m, d);
}

int Years(TDateTime d1, TDateTime d2) {
  TOrderedPair p = Order(d1, d2);
  int laterMonth = p.Later.Month;
  int laterYear = p.Later.Year;
  if (p.Later.Day < p.Earlier.Day) --laterMonth;
  if (laterMonth < p.Earlier.Month) --laterYear;
  return p.Sign * (laterYear - p.Earlier.Year);
}

int Months(TDateTime d1, TDateTime d2) {
  TOrderedPair p = Order(d1, d2);
  int laterMonth = p.Later.Month;
  if (p.Later.Day < p.Earlier.Day) --laterMonth;
  return p.Sign * ((p.Later.Year - p.Earlier.Year) * 12 + laterMonth - p.Earlier.Month);
}

int Days(TDateTime d1, TDateTime d2) {
  double gap = std::trunc(d2 - d1);
  if (std::isnan(gap)) return 0;
  if (gap >= static_cast<double>(INT_MAX)) return INT_MAX;
  if (gap <= static_cast<double>(INT_MIN)) return INT_MIN;
  return static_cast<int>(gap);
}

}  // namespace qnexp
