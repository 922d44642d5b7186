// Business periods: the default items, user periods with anchors (fiscal years, business days
// that start in the morning), the invariants every start and end keep, the list operations and
// the business clock.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "runtime/DateTime.h"
#include "runtime/Exception.h"
#include "runtime/Gbk.h"
#include "runtime/StringList.h"
#include "support/BusinessTime.h"
#include "support/QnStringList.h"

using namespace qnexp;

namespace {

TDateTime At(int y, int m, int d, int h = 0, int n = 0) {
  return EncodeDate(y, m, d) + EncodeTime(h, n, 0, 0);
}

std::string Text(TDateTime t) {
  return FormatDateTime("yyyy\".\"mm\".\"dd hh\":\"nn", t);
}

std::string Start(TDateTime t, const std::string& name) {
  GetBPStart(t, name);
  return Text(t);
}

std::string End(TDateTime t, const std::string& name) {
  GetBPEnd(t, name);
  return Text(t);
}

// Adds user periods for one test and removes them again.
class TUserPeriods {
public:
  ~TUserPeriods() {
    for (const std::string& name : Names) DeleUserBPeriod(name);
  }
  void Add(const std::string& name, TBusinessPeriod kind, TDateTime anchor) {
    AddUserBPDelay(name, kind, anchor);
    Names.push_back(name);
  }
  std::vector<std::string> Names;
};

}  // namespace

TEST(BusinessPeriodDefaults, OneItemPerKindInKindOrder) {
  TQnStringList& list = PeriodList();
  ASSERT_GE(list.Count(), kBusinessPeriodCount);
  const char* const names[] = {"不定", "年",   "半年", "季",   "双月", "月",   "半月", "旬",
                               "周",   "五天", "四天", "三天", "两天", "天",   "两年", "三年",
                               "四年", "五年", "六年", "七年", "八年", "九年", "十年"};
  for (int i = 0; i < kBusinessPeriodCount; ++i) {
    auto kind = static_cast<TBusinessPeriod>(i);
    EXPECT_EQ(PeriodToName(kind), Res(names[i])) << i;
    EXPECT_EQ(GetBPeriodByName(Res(names[i])), kind) << i;
    TBusinessPeriod found = bpUnknown;
    TDateTime anchor = 0;
    ASSERT_TRUE(GetPerByName(Res(names[i]), found, anchor)) << i;
    EXPECT_EQ(found, kind);
    EXPECT_EQ(anchor, kind == bpWeekly ? 3.0 : 2.0);
  }
  auto* first = ObjectAs<TPeriodObj>(list.GetObject(bpWeekly));
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->PeriodDate, "1900.1.2");
  EXPECT_EQ(DayTable[1], 28);
  EXPECT_EQ(PeriodToName(static_cast<TBusinessPeriod>(23)), "");
}

TEST(BusinessPeriodDefaults, NameLookUps) {
  TBusinessPeriod kind = bpDaily;
  TDateTime anchor = 7;
  EXPECT_FALSE(GetPerByName("nothing", kind, anchor));
  EXPECT_EQ(kind, bpDaily);
  EXPECT_EQ(anchor, 7);
  EXPECT_EQ(GetBPeriodByName("nothing"), bpUnknown);
  TStringList kinds, items;
  GetPerNameList(kinds);
  GetBPeriodNameList(items);
  EXPECT_EQ(kinds.Count(), kBusinessPeriodCount);
  EXPECT_EQ(kinds.Get(bp10Yearly), Res("十年"));
  EXPECT_EQ(items.Count(), PeriodList().Count());
}

TEST(BusinessPeriodDefaults, RenamingCutsAtFourBytesWithoutSplittingACharacter) {
  const std::string saved = PeriodToName(bpDaily);
  SetBPeriodName(bpDaily, Res("工作日"));
  EXPECT_EQ(PeriodToName(bpDaily), Res("工作"));
  SetBPeriodName(bpDaily, "a" + Res("工作"));
  EXPECT_EQ(PeriodToName(bpDaily), "a" + Res("工"));
  SetBPeriodName(bpDaily, "Days1");
  EXPECT_EQ(PeriodToName(bpDaily), "Days");
  EXPECT_EQ(GetBPeriodByName("days"), bpUnknown);
  EXPECT_EQ(GetBPeriodByName("Days"), bpDaily);
  SetBPeriodName(bpDaily, saved);
  EXPECT_EQ(PeriodToName(bpDaily), Res("天"));
}

TEST(BusinessPeriodEdges, DefaultItems) {
  struct TRow {
    const char* Name;
    TDateTime T;
    const char* Start;
    const char* End;
  };
  const TRow rows[] = {
      {"月", At(2008, 5, 15, 10, 30), "2008.05.01 00:00", "2008.06.01 00:00"},
      {"季", At(2008, 11, 15), "2008.10.01 00:00", "2009.01.01 00:00"},
      {"半年", At(2008, 12, 31, 23, 59), "2008.07.01 00:00", "2009.01.01 00:00"},
      {"双月", At(2008, 12, 1), "2008.11.01 00:00", "2009.01.01 00:00"},
      {"半月", At(2008, 2, 29), "2008.02.16 00:00", "2008.03.01 00:00"},
      {"旬", At(2008, 5, 31), "2008.05.21 00:00", "2008.06.01 00:00"},
      {"周", At(2008, 1, 2), "2007.12.30 00:00", "2008.01.06 00:00"},
      {"两天", At(1900, 1, 1), "1900.01.01 00:00", "1900.01.03 00:00"},
      {"四天", At(1899, 12, 20), "1899.12.18 00:00", "1899.12.22 00:00"},
      {"三年", At(1899, 6, 1), "1897.01.01 00:00", "1900.01.01 00:00"},
      {"两年", At(2009, 12, 31, 23), "2008.01.01 00:00", "2010.01.01 00:00"},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(Text(row.T));
    EXPECT_EQ(Start(row.T, Res(row.Name)), row.Start) << row.Name;
    EXPECT_EQ(End(row.T, Res(row.Name)), row.End) << row.Name;
  }
}

TEST(BusinessPeriodEdges, FiscalYearFromApril) {
  TUserPeriods user;
  user.Add("FY", bpYearly, At(1900, 4, 1));
  user.Add("FQ", bpSeasonly, At(1900, 4, 1));
  user.Add("FM", bpMonthly, At(1900, 4, 1));
  EXPECT_EQ(Start(At(2008, 2, 10), "FY"), "2007.04.01 00:00");
  EXPECT_EQ(Start(At(2008, 5, 15), "FY"), "2008.04.01 00:00");
  EXPECT_EQ(Start(At(2008, 4, 1), "fy"), "2008.04.01 00:00");
  EXPECT_EQ(Start(At(2008, 3, 31, 23), "FY"), "2007.04.01 00:00");
  EXPECT_EQ(End(At(2008, 2, 10), "FY"), "2008.04.01 00:00");
  EXPECT_EQ(End(At(2008, 5, 15), "FY"), "2009.04.01 00:00");
  // A quarter that ends with December ends on 1 January of the next year.
  EXPECT_EQ(Start(At(2008, 11, 15), "FQ"), "2008.10.01 00:00");
  EXPECT_EQ(End(At(2008, 11, 15), "FQ"), "2009.01.01 00:00");
  // Month ends come from the real month, not the shifted one.
  EXPECT_EQ(End(At(2008, 5, 30), "FM"), "2008.06.01 00:00");
  EXPECT_EQ(End(At(2008, 3, 30), "FM"), "2008.04.01 00:00");
}

TEST(BusinessPeriodEdges, BusinessDayFromEightInTheMorning) {
  TUserPeriods user;
  user.Add("BD", bpDaily, At(1900, 1, 1, 8));
  user.Add("BM", bpMonthly, At(1900, 1, 1, 8));
  EXPECT_EQ(Start(At(2008, 5, 5, 7), "BD"), "2008.05.04 08:00");
  EXPECT_EQ(End(At(2008, 5, 5, 7), "BD"), "2008.05.05 08:00");
  EXPECT_EQ(Start(At(2008, 5, 5, 8), "BD"), "2008.05.05 08:00");
  EXPECT_EQ(Start(At(2008, 6, 1, 7), "BM"), "2008.05.01 08:00");
  EXPECT_EQ(End(At(2008, 6, 1, 7), "BM"), "2008.06.01 08:00");
  EXPECT_EQ(End(At(2008, 12, 31, 9), "BM"), "2009.01.01 08:00");
}

// Whatever the kind and anchor, a moment lies in [start, end), and the period after it begins
// where it ends.
TEST(BusinessPeriodEdges, EveryStartAndEndEncloseTheMoment) {
  TUserPeriods user;
  const TDateTime anchors[] = {At(1900, 1, 1), At(1900, 4, 1), At(1900, 1, 1, 8),
                               At(1900, 7, 1, 6), At(1901, 1, 1), At(1900, 1, 3)};
  for (int a = 0; a < 6; ++a)
    for (int k = 0; k < kBusinessPeriodCount; ++k)
      user.Add("P" + std::to_string(a) + "_" + std::to_string(k), static_cast<TBusinessPeriod>(k),
               anchors[a]);
  for (const std::string& name : user.Names) {
    for (TDateTime t = At(2007, 11, 20, 13); t < At(2010, 3, 10); t += 2.35) {
      TDateTime start = t, end = t;
      GetBPStart(start, name);
      GetBPEnd(end, name);
      ASSERT_LE(start, t) << name << " " << Text(t);
      ASSERT_GT(end, t) << name << " " << Text(t);
      TDateTime next = end;
      GetBPStart(next, name);
      ASSERT_NEAR(next, end, 1e-6) << name << " " << Text(t);
    }
  }
}

TEST(BusinessPeriodEdges, OutsideTheCalendarRaises) {
  TDateTime t = At(9999, 12, 20);
  EXPECT_THROW(GetBPEnd(t, Res("月")), EConvertError);
  t = At(9999, 12, 20);
  EXPECT_EQ(Start(t, Res("月")), "9999.12.01 00:00");
  t = At(9999, 12, 31) + 10;
  EXPECT_THROW(GetBPStart(t, Res("月")), EConvertError);
  t = 0.0 / 0.0;
  EXPECT_THROW(GetBPStart(t, Res("月")), EConvertError);
}

TEST(BusinessPeriodList, UserLinesGoToTheFrontAndWin) {
  TStringList lines;
  lines.Add(Res("月") + "Per:" + Res("年") + "DT:1900.4.1");
  lines.Add("no markers here");
  lines.Add("LatePer:" + Res("天") + "DT:1900.1.1 8:00:00");
  lines.Add("BadDT:1900.1.1Per:x");
  int before = PeriodList().Count();
  SetUserPeriod(lines);
  ASSERT_EQ(PeriodList().Count(), before + 2);
  EXPECT_EQ(PeriodList().Get(0), Res("月"));
  EXPECT_EQ(PeriodList().Get(1), "Late");
  EXPECT_EQ(Start(At(2008, 2, 10), Res("月")), "2007.04.01 00:00");
  EXPECT_EQ(Start(At(2008, 2, 10, 7), "late"), "2008.02.09 08:00");
  EXPECT_TRUE(DeleUserBPeriod(Res("月")));
  EXPECT_TRUE(DeleUserBPeriod("Late"));
  EXPECT_FALSE(DeleUserBPeriod("Late"));
  EXPECT_EQ(PeriodList().Count(), before);
  EXPECT_EQ(Start(At(2008, 2, 10), Res("月")), "2008.02.01 00:00");
}

TEST(BusinessPeriodList, AnUnreadableAnchorRaisesTheConversionError) {
  TStringList lines;
  lines.Add("BrokenPer:" + Res("月") + "DT:someday");
  SetUserPeriod(lines);
  TBusinessPeriod kind;
  TDateTime anchor;
  try {
    GetPerByName("Broken", kind, anchor);
    ADD_FAILURE();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message, "'someday' is not a valid date and time");
  }
  TDateTime t = At(2008, 1, 1);
  EXPECT_THROW(GetBPStart(t, "Broken"), EConvertError);
  EXPECT_TRUE(DeleUserBPeriod("Broken"));
}

TEST(BusinessPeriodList, UserPerListKeepsTheNames) {
  std::string path = (std::filesystem::temp_directory_path() /
                      ("qnexp-periods-" + std::to_string(::getpid()) + ".txt")).string();
  {
    std::ofstream out(path, std::ios::binary);
    out << "FYPer:" << Res("年") << "DT:1900.4.1\r\nplain line\r\nWeekPer:x\r\n";
  }
  TStringList names;
  names.Add("stale");
  UserPerList(path, names);
  std::remove(path.c_str());
  ASSERT_EQ(names.Count(), 3);
  EXPECT_EQ(names.Get(0), "FY");
  EXPECT_EQ(names.Get(1), "plain line");
  EXPECT_EQ(names.Get(2), "Week");
  EXPECT_THROW(UserPerList(path, names), EFOpenError);
}

TEST(BusinessPeriodList, PeriodObjectsPersistTheirThreeTexts) {
  TPeriodObj obj("FY", Res("年"), "1900.4.1");
  std::vector<std::string> seen;
  obj.EnumrateProperties(
      [&](void* prop, const std::string& name, TPropType type, bool, intptr_t, void*) {
        EXPECT_EQ(type, ptString);
        seen.push_back(name + "=" + *static_cast<std::string*>(prop));
        return true;
      },
      epStore, nullptr);
  EXPECT_EQ(seen, (std::vector<std::string>{"Name=FY", "PerName=" + Res("年"),
                                            "PeriodDate=1900.4.1"}));
  std::unique_ptr<TBaseObject> copy(obj.DuplicateSelf());
  auto* same = ObjectAs<TPeriodObj>(copy.get());
  ASSERT_NE(same, nullptr);
  EXPECT_EQ(same->PeriodDate, "1900.4.1");
}

TEST(BusinessClock, GapAndDayNumbers) {
  TDateTime saved = BusinessTimeGap;
  SetBusinessTime(At(2001, 2, 3, 4, 5));
  EXPECT_NEAR(GetBusinessTime(), At(2001, 2, 3, 4, 5), 1.0 / 86400);
  EXPECT_EQ(Text(BStartTime(Res("月"))), "2001.02.01 00:00");
  EXPECT_EQ(Text(BEndTime(Res("月"))), "2001.03.01 00:00");
  EXPECT_EQ(Text(BPriorStartTime(Res("月"))), "2001.01.01 00:00");
  EXPECT_EQ(Text(BNextEndTime(bpMonthly)), "2001.04.01 00:00");
  EXPECT_EQ(Text(BNextEndTime(bpWeekly)), "2001.02.11 00:00");
  BusinessTimeGap = saved;
  EXPECT_EQ(DayOfPeriod(7, 1.5), 1);
  EXPECT_EQ(DayOfPeriod(7, -1.5), 6);
  EXPECT_EQ(DayOfPeriod(7, -7), 0);
  EXPECT_EQ(DayOfPeriod(0, 100), 0);
  EXPECT_EQ(DayOfPeriod(3, 1e300), 0);
}

TEST(BusinessClock, AnchorTableChangesAffectOnlyLaterItems) {
  // The default items take their anchors when the list is first made: make it first.
  (void)PeriodList();
  auto saved = BPDawnDelays();
  SetBPStart(At(1900, 1, 1, 6), bpDaily);
  EXPECT_EQ(BPDawnDelays()[bpDaily], At(1900, 1, 1, 6));
  EXPECT_EQ(Start(At(2008, 5, 5, 7), Res("天")), "2008.05.05 00:00");
  SetBPDawnDelay(static_cast<TBusinessPeriod>(40), 9);
  SetBPDawnDelays(saved);
  EXPECT_EQ(BPDawnDelays()[bpDaily], 2.0);
}
