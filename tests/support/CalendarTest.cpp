// Tests of the calendar helpers: leap years, month lengths, clamped dates, calendar distances.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "runtime/Exception.h"
#include "support/Calendar.h"

namespace qnexp {
namespace {

TEST(CalendarTest, LeapYearsAndMonthLengths) {
  const struct {
    uint16_t Year;
    bool Leap;
  } years[] = {{1900, false}, {2000, true}, {2023, false}, {2024, true}, {2100, false}, {0, true}};
  for (const auto& r : years) EXPECT_EQ(IsLeapYear(r.Year), r.Leap) << r.Year;

  const struct {
    uint16_t Year, Month, Days;
  } months[] = {{2023, 1, 31}, {2023, 2, 28}, {2024, 2, 29}, {1900, 2, 28}, {2000, 2, 29},
                {2023, 4, 30}, {2023, 12, 31}, {2023, 0, 31}, {2023, 13, 31}, {2023, 65535, 31}};
  for (const auto& r : months) EXPECT_EQ(LastDay(r.Year, r.Month), r.Days) << r.Year << "." << r.Month;
}

TEST(CalendarTest, LeapDaysCountTheCurrentYearFromTheTwentyNinthOfFebruary) {
  const struct {
    uint16_t Year, Month, Day;
    int LeapDays;
  } rows[] = {{2000, 2, 28, 484}, {2000, 2, 29, 485}, {2000, 3, 1, 485}, {2000, 1, 31, 484},
              {1, 1, 1, 0},       {4, 2, 29, 1},      {4, 2, 28, 0},     {0, 1, 1, 0},
              {1900, 12, 31, 460}, {1901, 1, 1, 460}};
  for (const auto& r : rows)
    EXPECT_EQ(LeapDays(r.Year, r.Month, r.Day), r.LeapDays) << r.Year << "." << r.Month << "." << r.Day;
}

TEST(CalendarTest, GetValidDateClampsMonthAndDay) {
  const struct {
    uint16_t Year, Month, Day;
    int ExpectedMonth, ExpectedDay;
  } rows[] = {{2023, 2, 31, 2, 28}, {2024, 13, 0, 12, 1}, {2024, 0, 15, 1, 15},
              {2024, 2, 30, 2, 29}, {2024, 4, 65535, 4, 30}, {2024, 6, 6, 6, 6}};
  for (const auto& r : rows)
    EXPECT_EQ(GetValidDate(r.Year, r.Month, r.Day), EncodeDate(r.Year, r.ExpectedMonth, r.ExpectedDay));
  try {
    GetValidDate(0, 1, 1);
    ADD_FAILURE();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message, "Invalid argument to date encode");
  }
  EXPECT_THROW(GetValidDate(10000, 1, 1), EConvertError);
}

TEST(CalendarTest, YearsMonthsAndDaysBetweenDateTimes) {
  auto at = [](int y, int m, int d, int h = 0) { return EncodeDate(y, m, d) + h / 24.0; };
  const struct {
    TDateTime From, To;
    int Years, Months, Days;
  } rows[] = {
      {at(2020, 3, 15), at(2023, 3, 14), 2, 35, 1094},
      {at(2020, 3, 15), at(2023, 3, 15), 3, 36, 1095},
      {at(2023, 3, 15), at(2020, 3, 15), -3, -36, -1095},
      {at(2000, 3, 15), at(2001, 3, 14), 0, 11, 364},
      {at(2000, 3, 15, 10), at(2001, 3, 15, 9), 0, 11, 364},
      {at(2001, 3, 15, 9), at(2000, 3, 15, 10), 0, -11, -364},
      {at(2023, 1, 31), at(2023, 2, 28), 0, 0, 28},
      {at(2023, 1, 1), at(2023, 1, 3), 0, 0, 2},
      {at(2023, 1, 1, 10), at(2023, 1, 2, 9), 0, 0, 0},
      // The later date steps back over a month and a year end when its time is earlier.
      {at(2022, 12, 31, 12), at(2023, 1, 1, 6), 0, 0, 0},
      {at(2022, 11, 30, 12), at(2023, 1, 1, 6), 0, 1, 31},
      // Before 1899 days are negative with their time counted downward.
      {at(1899, 12, 27) - 0.25, at(1899, 12, 29) - 0.25, 0, 0, 2},
      {at(1800, 6, 1), at(1900, 6, 1), 100, 1200, 36524},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(::testing::Message() << r.From << " -> " << r.To);
    EXPECT_EQ(Years(r.From, r.To), r.Years);
    EXPECT_EQ(Months(r.From, r.To), r.Months);
    EXPECT_EQ(Days(r.From, r.To), r.Days);
  }
  // 28 November 12:00 to 28 December 06:00 of 1899 is not yet a whole month.
  EXPECT_EQ(Months(at(1899, 11, 28) - 0.5, at(1899, 12, 28) - 0.25), 0);
  EXPECT_EQ(Days(0, std::nan("")), 0);
  EXPECT_EQ(Days(-1e300, 1e300), INT_MAX);
  EXPECT_EQ(Days(1e300, -1e300), INT_MIN);
}

}  // namespace
}  // namespace qnexp
