// Tests of date-time encoding, decoding, pattern formatting and reading.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "runtime/DateTime.h"
#include "runtime/Exception.h"
#include "runtime/Gbk.h"

namespace qnexp {
namespace {

class DateTimeTest : public ::testing::Test {
protected:
  void TearDown() override { ResetFormatSettings(); }
};

struct DateRow {
  int Year, Month, Day;
  double Value;
};

TEST_F(DateTimeTest, EncodesAndDecodesDatesAcrossTheWholeRange) {
  const DateRow rows[] = {
      {1899, 12, 30, 0},     {1900, 1, 1, 2},         {2024, 3, 5, 45356},
      {2000, 2, 29, 36585},  {1899, 12, 29, -1},      {1, 1, 1, -693593},
      {9999, 12, 31, 2958465}, {1600, 2, 29, -109512}, {1900, 3, 1, 61},
  };
  for (const DateRow& r : rows) {
    SCOPED_TRACE(r.Value);
    EXPECT_EQ(EncodeDate(r.Year, r.Month, r.Day), r.Value);
    int y, m, d;
    DecodeDate(ComposeDateTime(r.Value, 0.75), y, m, d);
    EXPECT_EQ(y * 10000 + m * 100 + d, r.Year * 10000 + r.Month * 100 + r.Day);
  }
}

TEST_F(DateTimeTest, RejectsImpossibleDatesAndTimes) {
  const int dates[][3] = {{0, 1, 1},    {10000, 1, 1}, {2023, 2, 29}, {1900, 2, 29},
                          {2024, 13, 1}, {2024, 0, 1},  {2024, 1, 0},  {2024, 4, 31}};
  for (const auto& d : dates) {
    TDateTime v = 123;
    EXPECT_FALSE(TryEncodeDate(d[0], d[1], d[2], v));
    EXPECT_EQ(v, 123);
    try {
      EncodeDate(d[0], d[1], d[2]);
      ADD_FAILURE() << d[0] << "." << d[1] << "." << d[2];
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message, "Invalid argument to date encode");
    }
  }
  const int times[][4] = {{24, 0, 0, 0}, {0, 60, 0, 0}, {0, 0, 60, 0}, {0, 0, 0, 1000}, {-1, 0, 0, 0}};
  for (const auto& t : times) {
    TDateTime v;
    EXPECT_FALSE(TryEncodeTime(t[0], t[1], t[2], t[3], v));
    EXPECT_THROW(EncodeTime(t[0], t[1], t[2], t[3]), EConvertError);
  }
}

TEST_F(DateTimeTest, DecodesTimeOfDayAsAbsoluteFractionInMilliseconds) {
  struct Row {
    double Value;
    int Year, Month, Day, Hour, Minute, Second, MSec;
  };
  const Row rows[] = {
      {-1.25, 1899, 12, 29, 6, 0, 0, 0},
      {45356 + EncodeTime(23, 59, 59, 999), 2024, 3, 5, 23, 59, 59, 999},
      // A fraction that rounds to a whole day carries into the next day, not to 24:00.
      {45356.9999999999, 2024, 3, 6, 0, 0, 0, 0},
      {-0.5, 1899, 12, 30, 12, 0, 0, 0},
      {-693593.5, 1, 1, 1, 12, 0, 0, 0},
      {-693594.5, 0, 0, 0, 12, 0, 0, 0},
      {2958466.0, 0, 0, 0, 0, 0, 0, 0},
      {1e300, 0, 0, 0, 0, 0, 0, 0},
      {std::numeric_limits<double>::quiet_NaN(), 0, 0, 0, 0, 0, 0, 0},
      {-std::numeric_limits<double>::infinity(), 0, 0, 0, 0, 0, 0, 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.Value);
    int y, m, d, h, n, s, z;
    DecodeDate(r.Value, y, m, d);
    DecodeTime(r.Value, h, n, s, z);
    EXPECT_EQ((std::array<int, 7>{y, m, d, h, n, s, z}),
              (std::array<int, 7>{r.Year, r.Month, r.Day, r.Hour, r.Minute, r.Second, r.MSec}));
  }
}

TEST_F(DateTimeTest, CalendarQueries) {
  EXPECT_EQ(DayOfWeek(EncodeDate(2024, 3, 5)), 3);  // a Tuesday
  EXPECT_EQ(DayOfWeek(0), 7);                       // 30 December 1899 was a Saturday
  EXPECT_EQ(DayOfWeek(EncodeDate(1, 1, 1)), 2);
  EXPECT_EQ(DayOfWeek(-1e7), 0);
  EXPECT_EQ(DayOfTheYear(EncodeDate(2024, 3, 5) + 0.9), 65);
  EXPECT_EQ(DayOfTheYear(EncodeDate(2024, 12, 31)), 366);
  EXPECT_EQ(DayOfTheYear(-1.25), 363);
  EXPECT_EQ(DayOfTheYear(1e9), 0);
  EXPECT_EQ(DaysInMonth(2024, 2), 29);
  EXPECT_EQ(DaysInMonth(2024, 13), 0);
  EXPECT_EQ(ComposeDateTime(EncodeDate(1899, 12, 29), 0.25), -1.25);
  EXPECT_EQ(ComposeDateTime(2.9, -1.25), 2.25);
}

TEST_F(DateTimeTest, IncMonthClampsTheDayAndKeepsTheTime) {
  const double noon = 0.5;
  struct Row {
    TDateTime From;
    int Months;
    TDateTime To;
  } rows[] = {
      {EncodeDate(2024, 1, 31) + noon, 1, EncodeDate(2024, 2, 29) + noon},
      {EncodeDate(2023, 1, 31), 1, EncodeDate(2023, 2, 28)},
      {EncodeDate(2024, 1, 31), -1, EncodeDate(2023, 12, 31)},
      {EncodeDate(2023, 1, 31), 13, EncodeDate(2024, 2, 29)},
      {EncodeDate(2024, 5, 15), -17, EncodeDate(2022, 12, 15)},
      {-1.25, 1, ComposeDateTime(EncodeDate(1900, 1, 29), 0.25)},
  };
  for (const Row& r : rows) EXPECT_EQ(IncMonth(r.From, r.Months), r.To) << r.From << " " << r.Months;
  EXPECT_THROW(IncMonth(EncodeDate(9999, 12, 1), 1), EConvertError);
  EXPECT_THROW(IncMonth(EncodeDate(1, 1, 1), -1), EConvertError);
  EXPECT_THROW(IncMonth(std::nan(""), 1), EConvertError);
  EXPECT_THROW(IncMonth(EncodeDate(2024, 1, 1), std::numeric_limits<int>::min()), EConvertError);
}

TEST_F(DateTimeTest, NowAgreesWithDateAndTime) {
  TDateTime now = Now();
  int y, m, d;
  DecodeDate(now, y, m, d);
  EXPECT_GE(y, 2024);
  EXPECT_LE(Date() - std::trunc(now), 1);
  EXPECT_GE(Time(), 0);
  EXPECT_LT(Time(), 1);
}

struct PatternRow {
  const char* Pattern;
  const char* Expected;  // UTF-8
};

TEST_F(DateTimeTest, FormatsEveryPatternElement) {
  const TDateTime afternoon = EncodeDate(2024, 3, 5) + EncodeTime(14, 7, 9, 45);
  const PatternRow rows[] = {
      {"YYYY.MM.DD hh:nn:ss", "2024.03.05 14:07:09"},
      {"c", "2024.3.5 14:07:09"},
      {"", "2024.3.5 14:07:09"},
      {"d|dd|ddd|dddd", "5|05|星期二|星期二"},
      {"ddddd|dddddd", "2024.3.5|2024年3月5日"},
      {"m|mm|mmm|mmmm", "3|03|三月|三月"},
      {"y|yy|yyy|yyyy|yyyyy", "24|24|2024|2024|2024"},
      {"h|hh|hhh|n|nn|s|ss|z|zz|zzz|zzzz", "14|14|14|7|07|9|09|45|45|045|045"},
      {"h:m|hh.mm|mm:hh|hh yyyy mm", "14:7|14.07|03:14|14 2024 03"},
      {"t|tt", "14:07|14:07:09"},
      {"h am/pm|h AM/PM|hh a/p|hh A/P|h ampm", "2 pm|2 PM|02 p|02 P|2 下午"},
      {"ampm h|am/pm hh", "下午 2|pm 02"},
      {"'yyyy' yyyy|\"hh\"hh|'it''s'", "yyyy 2024|hh14|its"},
      {"yyyy/mm/dd hh:nn", "2024.03.05 14:07"},
      {"YYYY-MM-DD HH:NN:SS Q [x] a aaa", "2024-03-05 14:07:09 Q [x] a aaa"},
      {"yyyy年m月d日", "2024年3月5日"},
      {"癲yyyy皔", "癲2024皔"},  // the second bytes of these are 'd' and 'y'
      {"'abc", "abc"},
      {"hh 'am/pm' nn", "14 am/pm 07"},
  };
  for (const PatternRow& r : rows)
    EXPECT_EQ(FormatDateTime(Utf8ToGbk(r.Pattern), afternoon), Utf8ToGbk(r.Expected)) << r.Pattern;
}

TEST_F(DateTimeTest, FormatsTwelveHourClockAndMidnight) {
  const TDateTime day = EncodeDate(2024, 11, 25);
  EXPECT_EQ(FormatDateTime("h:nn am/pm", day + EncodeTime(9, 5, 3, 7)), "9:05 am");
  EXPECT_EQ(FormatDateTime("h am/pm", day), "12 am");
  EXPECT_EQ(FormatDateTime("h a/p", day + 0.5), "12 p");
  EXPECT_EQ(FormatDateTime("ampm", day + 0.25), Res("上午"));
  EXPECT_EQ(DateTimeToStr(day), "2024.11.25");
  EXPECT_EQ(DateTimeToStr(day + EncodeTime(0, 0, 0, 500)), "2024.11.25");
  EXPECT_EQ(DateTimeToStr(day + EncodeTime(0, 0, 1, 0)), "2024.11.25 00:00:01");
  EXPECT_EQ(DateToStr(day + 0.7), "2024.11.25");
  EXPECT_EQ(TimeToStr(day + EncodeTime(9, 5, 3, 7)), "09:05:03");
  EXPECT_EQ(DateTimeToStr(-1.25), "1899.12.29 06:00:00");
}

TEST_F(DateTimeTest, FormattingFollowsTheSettingsAndSurvivesBadOnes) {
  TFormatSettings& fs = FormatSettings();
  fs.DateSeparator = '-';
  fs.TimeSeparator = 'h';
  EXPECT_EQ(FormatDateTime("yyyy/m/d h:nn", EncodeDate(2024, 3, 5) + 0.5), "2024-3-5 12h00");
  fs.ShortDateFormat = "c ddddd";  // refers to itself
  EXPECT_EQ(DateTimeToStr(EncodeDate(2024, 3, 5)), " ");
  ResetFormatSettings();
  EXPECT_EQ(FormatDateTime("yyyy.mm.dd mmmm dddd|", 1e10), "0000.00.00  |");
  EXPECT_EQ(FormatDateTime("yyyy\xB0", 0), "1899\xB0");
  EXPECT_EQ(FormatDateTime("'\xB0", 0), "\xB0");
}

struct ReadRow {
  const char* Text;  // UTF-8
  bool Valid;
  TDateTime Value;
};

TEST_F(DateTimeTest, ReadsDates) {
  const ReadRow rows[] = {
      {"2024.3.5", true, 45356},         {" 2024.03.05. ", true, 45356},
      {"2024 . 3 . 5", true, 45356},     {"0024.3.5", true, EncodeDate(24, 3, 5)},
      {"0001.1.1", true, -693593},              {"1899.12.29", true, -1},
      {"9999.12.31", true, 2958465},     {"", false, 0},
      {"  ", false, 0},                  {"2024", false, 0},
      {"2024.13.1", false, 0},           {"2024.2.30", false, 0},
      {"2024.3.5x", false, 0},           {"2024/3/5", false, 0},
      {"2024.3.", false, 0},             {"20245.3.5", false, 0},
      {"\xB0", false, 0},                {"2024.3.5 14:00", false, 0},
      {"2024.3.5.5", false, 0},
  };
  for (const ReadRow& r : rows) {
    TDateTime v = -7;
    EXPECT_EQ(TryStrToDate(r.Text, v), r.Valid) << r.Text;
    EXPECT_EQ(v, r.Valid ? r.Value : -7) << r.Text;
  }
}

TEST_F(DateTimeTest, ReadsShortYearsAndMissingYearsRelativeToToday) {
  int year, m, d;
  DecodeDate(Date(), year, m, d);
  EXPECT_EQ(StrToDate("3.5"), EncodeDate(year, 3, 5));
  for (int yy : {0, 24, 49, 76, 99}) {
    DecodeDate(StrToDate(std::to_string(yy) + ".6.1"), year, m, d);
    int current;
    DecodeDate(Date(), current, m, d);
    EXPECT_EQ(year % 100, yy);
    EXPECT_GE(year, current - 50);
    EXPECT_LT(year, current + 50);
  }
}

TEST_F(DateTimeTest, ReadsTimes) {
  const ReadRow rows[] = {
      {"14:07", true, EncodeTime(14, 7, 0, 0)},
      {"14:07:09", true, EncodeTime(14, 7, 9, 0)},
      {" 14:07:09.045 ", true, EncodeTime(14, 7, 9, 45)},
      {"9", true, EncodeTime(9, 0, 0, 0)},
      {"上午 9:30", true, EncodeTime(9, 30, 0, 0)},
      {"9:30 下午", true, EncodeTime(21, 30, 0, 0)},
      {"9:30pm", true, EncodeTime(21, 30, 0, 0)},
      {"12:00 AM", true, 0},
      {"PM 12:15", true, EncodeTime(12, 15, 0, 0)},
      {"24:00", false, 0},   {"12:60", false, 0},     {"0:0:60", false, 0},
      {"13:00 PM", false, 0}, {"0:30 AM", false, 0},  {"14:", false, 0},
      {"14:07:", false, 0},  {"14:07:09.", false, 0}, {":30", false, 0},
      {"abc", false, 0},     {"", false, 0},          {"上", false, 0},
      {"9:30 PM PM", false, 0},
  };
  for (const ReadRow& r : rows) {
    TDateTime v = -7;
    EXPECT_EQ(TryStrToTime(Utf8ToGbk(r.Text), v), r.Valid) << r.Text;
    EXPECT_EQ(v, r.Valid ? r.Value : -7) << r.Text;
  }
}

TEST_F(DateTimeTest, ReadsDateTimes) {
  const ReadRow rows[] = {
      {"2024.3.5 14:07:09", true, 45356 + EncodeTime(14, 7, 9, 0)},
      {"2024.3.5", true, 45356},
      {"2024.3.5.14:07", true, 45356 + EncodeTime(14, 7, 0, 0)},
      {"14:07", true, EncodeTime(14, 7, 0, 0)},
      {"1899.12.29 06:00", true, -1.25},
      {"2024.3.5 下午 2:07", true, 45356 + EncodeTime(14, 7, 0, 0)},
      {"2024.3.5 14:07 junk", false, 0},
      {"2024.3.5 25:00", false, 0},
      {"2024.3.5 14:07 2024.3.5", false, 0},
  };
  for (const ReadRow& r : rows) {
    TDateTime v = -7;
    EXPECT_EQ(TryStrToDateTime(Utf8ToGbk(r.Text), v), r.Valid) << r.Text;
    EXPECT_EQ(v, r.Valid ? r.Value : -7) << r.Text;
  }
}

TEST_F(DateTimeTest, ReadingFailuresCarryTheClassicMessages) {
  auto message = [](auto read, const std::string& text) {
    try {
      read(text);
    } catch (const EConvertError& e) {
      return e.Message;
    }
    return std::string("no error");
  };
  EXPECT_EQ(message(StrToDate, "x"), "'x' is not a valid date");
  EXPECT_EQ(message(StrToTime, "25:00"), "'25:00' is not a valid time");
  EXPECT_EQ(message(StrToDateTime, ""), "'' is not a valid date and time");
  EXPECT_EQ(message(StrToDate, "%s\xB0"), "'%s\xB0' is not a valid date");
}

TEST_F(DateTimeTest, ReadingFollowsTheShortDateOrderAndSeparator) {
  TFormatSettings& fs = FormatSettings();
  fs.DateSeparator = '/';
  fs.ShortDateFormat = "d/m/yyyy";
  EXPECT_EQ(StrToDate("5/3/2024"), 45356);
  fs.ShortDateFormat = Res("皔d/m/yyyy");  // the second byte of the first character is 'y'
  EXPECT_EQ(StrToDate("5/3/2024"), 45356);
  fs.ShortDateFormat = "MM/DD/YYYY";
  EXPECT_EQ(StrToDate("3/5/2024"), 45356);
  TDateTime v = 0;
  EXPECT_FALSE(TryStrToDate("2024.3.5", v));
}

TEST_F(DateTimeTest, FormattedTextsReadBack) {
  const TDateTime values[] = {45356 + EncodeTime(14, 7, 9, 0), EncodeDate(1, 1, 1), -1.25,
                              EncodeDate(9999, 12, 31) + EncodeTime(23, 59, 59, 0)};
  for (TDateTime v : values) {
    EXPECT_EQ(StrToDateTime(DateTimeToStr(v)), v);
    EXPECT_EQ(StrToDateTime(FormatDateTime("yyyy.m.d h:n:s.zzz ampm", v)), v);
  }
}

}  // namespace
}  // namespace qnexp
