// Calendar helpers of the support library: leap years, month lengths, clamped dates and whole
// calendar distances between date-times.
#pragma once

#include <cstdint>

#include "runtime/DateTime.h"

namespace qnexp {

// The Gregorian rule: divisible by 4 and not by 100, or divisible by 400.
bool IsLeapYear(uint16_t year);

// Days in the month (28 to 31). A month outside 1 to 12 is clamped as GetValidDate does
// (0 counts as January, above 12 as December), so the result is always a real month length.
uint16_t LastDay(uint16_t year, uint16_t month);

// The leap days from year 1 up to the date: the leap years before the year, plus the year
// itself once the date has reached 29 February. Any month and day are accepted.
int LeapDays(uint16_t year, uint16_t month, uint16_t day);

// The date after clamping: month 0 becomes 1, above 12 becomes 12; day 0 becomes 1, past the
// month's end becomes its last day. A year outside 1 to 9999 raises EConvertError
// "Invalid argument to date encode".
TDateTime GetValidDate(uint16_t year, uint16_t month, uint16_t day);

// Whole calendar years and months from d1 to d2: positive when d2 is later, the negation of the
// exchanged call when it is earlier. The later date counts one day less when its time of day
// is before the earlier's. A date-time outside years 1 to 9999 counts as year, month and day 0.
int Years(TDateTime d1, TDateTime d2);
int Months(TDateTime d1, TDateTime d2);

// d2 - d1 truncated toward zero; NaN gives 0 and a distance beyond the int range is clamped.
int Days(TDateTime d1, TDateTime d2);

}  // namespace qnexp
