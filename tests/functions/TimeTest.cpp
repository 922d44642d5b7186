// The date and time functions: which arguments translation accepts, the registration order,
// shifts that carry across days, months and years, the separators of the process settings,
// dates before 1900, and the failures that replace wrapped or impossible values.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "HandTree.h"
#include "core/EntryPoints.h"
#include "core/FunctionList.h"
#include "functions/Periods.h"
#include "functions/Time.h"
#include "runtime/DateTime.h"
#include "runtime/Exception.h"
#include "runtime/Gbk.h"
#include "support/BusinessTime.h"

using namespace qnexp;
using namespace handtree;

namespace {

TDateTime At(int y, int m, int d, int h = 0, int n = 0, int s = 0) {
  return EncodeDate(y, m, d) + EncodeTime(h, n, s, 0);
}

template <class T>
TDateTime Modified(TDateTime dt, TNode amount) {
  auto node = Make<T>(Date(dt), std::move(amount));
  node->Evaluate(kForceStamp);
  return node->GetDateTime();
}

template <class T>
int32_t Decoded(TDateTime dt) {
  auto node = Make<T>(Date(dt));
  node->Evaluate(kForceStamp);
  return node->GetInteger();
}

// Literal separators, so that tests which change the process settings read the same.
std::string Text(TDateTime t) {
  return FormatDateTime("yyyy\".\"mm\".\"dd hh\":\"nn\":\"ss", t);
}

// Restores the process settings a test changes.
struct TSettingsGuard {
  TFormatSettings Saved = FormatSettings();
  ~TSettingsGuard() { FormatSettings() = Saved; }
};

}  // namespace

TEST(TimeTranslation, FirstArgumentMustBeADateTime) {
  for (TExpDataType type : {etInteger, etReal, etBoolean, etChar, etString, etAny, etInt64}) {
    const char* name = ExpDataTypeName(type);
    EXPECT_FALSE(Accepts<TExp_Year>(type)) << name;
    EXPECT_FALSE(Accepts<TExp_AddMonth>(type)) << name;
    EXPECT_FALSE(Accepts<TExp_Years>(type)) << name;
    EXPECT_FALSE(Accepts<TExp_LastDate>(type)) << name;
    EXPECT_FALSE(Accepts<TExp_BPStartTime>(type)) << name;
    EXPECT_TRUE(Accepts<TExp_AddMonth>(type, 1)) << name;
    EXPECT_TRUE(Accepts<TExp_Years>(type, 1)) << name;
    EXPECT_TRUE(Accepts<TExp_BStartTime>(type)) << name;
  }
  EXPECT_TRUE(Accepts<TExp_Year>(etDateTime));
  TExp_Year year;
  EXPECT_FALSE(year.SetSubExp(0, nullptr));
}

TEST(TimeTranslation, ResultTypesAndParameterCounts) {
  struct TRow {
    std::unique_ptr<TFunction> Node;
    TExpDataType Type;
    int Fixed;
  };
  TRow rows[] = {
      {std::make_unique<TExp_DateTime>(), etDateTime, 0},
      {std::make_unique<TExp_BTime>(), etDateTime, 0},
      {std::make_unique<TExp_NewTime>(), etDateTime, 2},
      {std::make_unique<TExp_AddDay>(), etDateTime, 2},
      {std::make_unique<TExp_BPEndTime>(), etDateTime, 2},
      {std::make_unique<TExp_WeekDay>(), etInteger, 1},
      {std::make_unique<TExp_Seconds>(), etInteger, 2},
      {std::make_unique<TExp_LastDate>(), etDateTime, 1},
      {std::make_unique<TExp_BNextEnd>(), etDateTime, 1},
  };
  for (TRow& row : rows) {
    SCOPED_TRACE(row.Node->ClassName());
    EXPECT_TRUE(row.Node->TransOverOK());
    EXPECT_EQ(row.Node->DataType, row.Type);
    EXPECT_EQ(row.Node->FixedParamCount(), row.Fixed);
    EXPECT_EQ(row.Node->OptionalParamCount(), 0);
    EXPECT_FALSE(row.Node->IsConst());
  }
}

TEST(TimeRegistration, ThirtySevenNamesInTableOrder) {
  TFunctionList list;
  list.RegisterFunctions(TimeClasses().first(kTimeFunctionCount));
  const char* const names[] = {
      "DATETIME", "NEWYEAR",  "NEWMONTH", "NEWDAY",      "NEWDATE",  "NEWHOUR",   "NEWMINUTE",
      "NEWSECOND", "NEWTIME", "ADDYEAR",  "ADDMONTH",    "ADDDAY",   "ADDHOUR",   "ADDMINUTE",
      "ADDSECOND", "YEAR",    "MONTH",    "DAY",         "WEEKDAY",  "HOUR",      "MINUTE",
      "SECOND",   "LASTDAY",  "LASTDATE", "YEARS",       "MONTHS",   "DAYS",      "HOURS",
      "MINUTES",  "SECONDS",  "BTIME",    "BSTARTTIME",  "BENDTIME", "BPRIORSTART", "BNEXTEND",
      "BPSTARTTIME", "BPENDTIME"};
  ASSERT_EQ(list.Count(), 37);
  for (int i = 0; i < 37; ++i) EXPECT_EQ(list.Get(i), names[i]) << i;
  EXPECT_EQ(list.GetFuncClass("bpendtime"), &TExp_BPEndTime::StaticClass());
}

TEST(TimeRegistration, TheSharedTranslatorKnowsTheFamily) {
  auto root = TranslateExp("Months(ToTime('2008.1.15'), AddMonth(ToTime('2008.1.15'), 25))");
  ASSERT_NE(root, nullptr);
  ExpEvaluate(*root, kForceStamp);
  ASSERT_EQ(root->DataType, etInteger) << root->GetString();
  EXPECT_EQ(root->GetInteger(), 25);
}

TEST(TimeModify, ClockShiftsCarryAndBorrowWholeDays) {
  struct TRow {
    int Unit;  // 0 hours, 1 minutes, 2 seconds
    int32_t Amount;
    const char* Expected;
  };
  const TRow rows[] = {
      {0, 0, "2008.03.01 10:20:30"},          {0, 14, "2008.03.02 00:20:30"},
      {0, -11, "2008.02.29 23:20:30"},        {0, -24 * 366, "2007.03.01 10:20:30"},
      {1, -621, "2008.02.29 23:59:30"},       {1, 1440 * 365, "2009.03.01 10:20:30"},
      {2, -37231, "2008.02.29 23:59:59"},     {2, 2147483647, "2076.03.19 13:34:37"},
      {2, -86400 * 2 - 31, "2008.02.28 10:19:59"},
  };
  TDateTime base = At(2008, 3, 1, 10, 20, 30);
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.Amount);
    TDateTime got = row.Unit == 0   ? Modified<TExp_AddHour>(base, Int(row.Amount))
                    : row.Unit == 1 ? Modified<TExp_AddMinute>(base, Int(row.Amount))
                                    : Modified<TExp_AddSecond>(base, Int(row.Amount));
    EXPECT_EQ(Text(got), row.Expected);
  }
}

TEST(TimeModify, ClockShiftsKeepTheMilliseconds) {
  TDateTime base = At(2008, 3, 1) + EncodeTime(23, 59, 59, 250);
  int h, n, s, z;
  DecodeTime(Modified<TExp_AddSecond>(base, Int(1)), h, n, s, z);
  EXPECT_EQ(z, 250);
}

TEST(TimeModify, AmountsBeyondSixteenBitsAreRefusedNotWrapped) {
  TDateTime base = At(2008, 5, 15);
  EXPECT_THROW(Modified<TExp_NewYear>(base, Int(65536 + 2008)), EConvertError);
  EXPECT_THROW(Modified<TExp_NewHour>(base, Int(65536 + 8)), EConvertError);
  EXPECT_EQ(Text(Modified<TExp_NewMonth>(base, Int(65536 + 2))), "2008.12.15 00:00:00");
  EXPECT_EQ(Text(Modified<TExp_NewDay>(base, Int(-3))), "2008.05.01 00:00:00");
  EXPECT_THROW(Modified<TExp_AddYear>(base, Int(2147483647)), EConvertError);
  EXPECT_THROW(Modified<TExp_AddMonth>(base, Int(-2147483647 - 1)), EConvertError);
  try {
    Modified<TExp_NewSecond>(base, Int(60));
    ADD_FAILURE();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message, "Invalid argument to time encode");
  }
}

TEST(TimeModify, FieldsFollowTheSeparatorsOfTheProcessSettings) {
  TSettingsGuard guard;
  FormatSettings().DateSeparator = '/';
  FormatSettings().TimeSeparator = '-';
  TDateTime base = At(2007, 1, 31, 10, 30, 20);
  EXPECT_EQ(Text(Modified<TExp_NewDate>(base, Str("2008/5/"))), "2008.05.31 10:30:20");
  EXPECT_EQ(Text(Modified<TExp_NewDate>(base, Str("/2"))), "2007.02.28 10:30:20");
  EXPECT_THROW(Modified<TExp_NewDate>(base, Str("2008.5.1")), EConvertError);
  EXPECT_EQ(Text(Modified<TExp_NewTime>(base, Str("8"))), "2007.01.31 08:30:20");
  EXPECT_EQ(Text(Modified<TExp_NewTime>(base, Str("--5"))), "2007.01.31 10:30:05");
  EXPECT_THROW(Modified<TExp_NewTime>(base, Str("1-2-3-4-5")), EConvertError);
}

TEST(TimeModify, DatesBeforeTheEpochKeepTheirDayAndTime) {
  TDateTime before = EncodeDate(1899, 12, 29) - 0.25;  // 29 December 1899 06:00
  TDateTime changed = Modified<TExp_NewHour>(before, Int(8));
  EXPECT_EQ(Text(changed), "1899.12.29 08:00:00");
  EXPECT_EQ(Text(Modified<TExp_AddHour>(before, Int(-7))), "1899.12.28 23:00:00");
  EXPECT_EQ(Text(Modified<TExp_AddMonth>(before, Int(2))), "1900.02.28 06:00:00");
  EXPECT_EQ(Decoded<TExp_Hour>(before), 6);
  EXPECT_EQ(Decoded<TExp_Day>(before), 29);
}

TEST(TimeModify, ValuesOutsideTheCalendarRaiseInsteadOfChanging) {
  TDateTime beyond = EncodeDate(9999, 12, 31) + 5;
  EXPECT_THROW(Modified<TExp_AddYear>(beyond, Int(-1)), EConvertError);
  EXPECT_THROW(Modified<TExp_NewMonth>(beyond, Int(1)), EConvertError);
  EXPECT_THROW(Modified<TExp_AddSecond>(At(9999, 12, 31, 23, 59, 59), Int(1)), EConvertError);
  auto last = Make<TExp_LastDate>(Date(beyond));
  EXPECT_THROW(last->Evaluate(kForceStamp), EConvertError);
  EXPECT_EQ(Decoded<TExp_Year>(beyond), 0);
  EXPECT_EQ(Decoded<TExp_LastDay>(beyond), 0);
  EXPECT_EQ(Decoded<TExp_WeekDay>(beyond), -1);
}

TEST(TimeGap, DistancesThatDoNotFitRaiseIntegerOverflow) {
  auto seconds = Make<TExp_Seconds>(Date(At(1900, 1, 1)), Date(At(1968, 1, 20)));
  seconds->Evaluate(kForceStamp);
  EXPECT_EQ(seconds->GetInteger(), 24855 * 86400);
  auto far = Make<TExp_Seconds>(Date(At(1900, 1, 1)), Date(At(1968, 1, 21)));
  try {
    far->Evaluate(kForceStamp);
    ADD_FAILURE();
  } catch (const EIntOverflow& e) {
    EXPECT_EQ(e.Message, "Integer overflow");
  }
  auto hours = Make<TExp_Hours>(Date(At(9999, 1, 1)), Date(At(1, 1, 1)));
  hours->Evaluate(kForceStamp);
  EXPECT_EQ(hours->GetInteger(), -3651694 * 24);
}

TEST(TimeGap, SecondArgumentIsReadAsADateTime) {
  auto days = Make<TExp_Days>(Date(At(2008, 1, 1)), Str("2008.3.1"));
  days->Evaluate(kForceStamp);
  EXPECT_EQ(days->GetInteger(), 60);
}

TEST(TimeRobustness, MissingArgumentsRaiseInsteadOfCrashing) {
  const std::string expected = Res("参数不够");
  TExp_AddMonth add;
  TExp_Years years;
  TExp_WeekDay week;
  TExp_BPStartTime start;
  for (TExpression* node : {static_cast<TExpression*>(&add), static_cast<TExpression*>(&years),
                            static_cast<TExpression*>(&week), static_cast<TExpression*>(&start)}) {
    SCOPED_TRACE(node->ClassName());
    try {
      node->Evaluate(kForceStamp);
      ADD_FAILURE();
    } catch (const Exception& e) {
      EXPECT_NE(e.Message.find(expected), std::string::npos);
    }
  }
  TExp_BStartTime nameless;
  nameless.TransOverOK();
  nameless.Evaluate(kForceStamp);
  double got = nameless.GetDateTime();
  EXPECT_EQ(got, std::trunc(got));
  EXPECT_NEAR(got, GetBusinessTime(), 1.0);
}
