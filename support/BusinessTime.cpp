// The business-period unit: the kind names and anchors, the list of named periods, the business
// clock, and the start and end computations.
#include "support/BusinessTime.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "runtime/Exception.h"
#include "runtime/Gbk.h"
#include "runtime/GbkChars.h"
#include "support/QnStringList.h"
#include "support/StoredStrList.h"
#include "support/StrFuncs.h"

namespace qnexp {

TDateTime BusinessTimeGap = 0;

const std::array<uint8_t, 12> DayTable = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

namespace {

constexpr const char* kDefaultNames[kBusinessPeriodCount] = {
    "不定", "年",   "半年", "季",   "双月", "月",   "半月", "旬",   "周",   "五天", "四天", "三天",
    "两天", "天",   "两年", "三年", "四年", "五年", "六年", "七年", "八年", "九年", "十年"};

constexpr size_t kMaxKindNameBytes = 4;

bool ValidKind(TBusinessPeriod kind) { return kind < kBusinessPeriodCount; }

TPeriodObj* PeriodAt(int index) {
  return ObjectAs<TPeriodObj>(PeriodList().GetObject(index));
}

[[noreturn]] void DateEncodeFailure() { throw EConvertError(Msg::DateEncodeError); }

// Floor remainder: periods keep their length on both sides of the epoch and before year 1900.
int64_t FloorMod(int64_t a, int64_t n) {
  int64_t r = a % n;
  return r < 0 ? r + n : r;
}

// The calendar date of t; a t outside the calendar cannot start or end a period.
void SplitDate(TDateTime t, int& year, int& month, int& day) {
  DecodeDate(t, year, month, day);
  if (year == 0) DateEncodeFailure();
}

// The time of day of an anchor, as DecodeTime reads it (the fraction's magnitude).
TDateTime TimeOfDay(TDateTime t) { return std::fabs(t - std::trunc(t)); }

int PeriodDays(TBusinessPeriod kind) {
  switch (kind) {
    case bpWeekly: return 7;
    case bpFiveDaily: return 5;
    case bpFourDaily: return 4;
    case bpThreeDaily: return 3;
    case bpTwoDaily: return 2;
    default: return 0;
  }
}

int PeriodYears(TBusinessPeriod kind) {
  return kind >= bp2Yearly && kind <= bp10Yearly ? kind - bp2Yearly + 2 : 0;
}

// The calendar in which an anchor's periods line up with the plain calendar's: dates are moved
// back by the anchor's time of day, its day offset, and its month and year offsets.
struct TAnchorShift {
  bool Active = false;
  TDateTime TimeOffset = 0;
  int Years = 0, Months = 0, Days = 0;

  // Periods counted in days have no months to shift: their anchor moves them by whole days
  // from the neutral anchor, which is the same as the day offset while the anchor lies in
  // January 1900. Shifting them by months would clamp days at month ends and lose them.
  TAnchorShift(TDateTime anchor, bool countedInDays) {
    if (anchor == kNeutralAnchor) return;
    Active = true;
    TimeOffset = TimeOfDay(anchor);
    int y, m, d;
    SplitDate(anchor, y, m, d);
    if (countedInDays) {
      Days = static_cast<int>(std::trunc(anchor) - kNeutralAnchor);
      return;
    }
    Years = y - 1900;
    Months = m - 1;
    Days = d - 1;
  }

  // t's date in the shifted calendar; the clamped day stays a valid day of that month.
  void Normalise(TDateTime t, int& year, int& month, int& day) const {
    if (!Active) {
      SplitDate(t, year, month, day);
      return;
    }
    t = t - TimeOffset - Days;
    SplitDate(t, year, month, day);
    if (Months == 0 && Years == 0) return;
    if (Months >= month) --year;
    month = (month - Months + 12) % 12;
    if (month == 0) month = 12;
    year -= Years;
    if (year < 1 || year > 9999) DateEncodeFailure();
    day = std::min(day, DaysInMonth(year, month));
  }

  // The inverse month and year mapping of Normalise.
  void Denormalise(int& year, int& month) const {
    if (!Active) return;
    month += Months;
    year += Years + (month - 1) / 12;
    month = (month - 1) % 12 + 1;
  }
};

enum TPeriodEdge { peStart, peEnd };

void LookUp(const std::string& name, TBusinessPeriod& kind, TDateTime& anchor) {
  if (!GetPerByName(name, kind, anchor)) {
    kind = bpUnknown;
    anchor = kNeutralAnchor;
  }
}

// The start of the period containing t, or the first moment after it. Month-end days are taken
// in the real calendar after the anchor's shift is undone, and day-based periods count their
// length in days, so a period that crosses a month's end ends where it should.
TDateTime PeriodEdge(TDateTime t, const std::string& name, TPeriodEdge edge) {
  if (!std::isfinite(t)) DateEncodeFailure();
  TBusinessPeriod kind;
  TDateTime anchor;
  LookUp(name, kind, anchor);
  TAnchorShift shift(anchor, kind == bpUnknown || kind == bpDaily || PeriodDays(kind) > 0);
  int year, month, day;
  shift.Normalise(t, year, month, day);
  TDateTime shifted = EncodeDate(year, month, day);
  bool start = edge == peStart;
  bool toMonthEnd = false;
  int64_t extraDays = start ? 0 : 1;
  int years = PeriodYears(kind);
  int days = PeriodDays(kind);
  switch (kind) {
    case bpYearly:
      month = start ? 1 : 12;
      break;
    case bpHalfYearly:
      month = start ? (month < 7 ? 1 : 7) : (month < 7 ? 6 : 12);
      break;
    case bpSeasonly:
      month = start ? month - (month - 1) % 3 : (month + 2) / 3 * 3;
      break;
    case bpDoubleMonthly:
      if (start && month % 2 == 0) --month;
      if (!start && month % 2 == 1) ++month;
      break;
    case bpHalfMonthly:
      if (start)
        day = day < 16 ? 1 : 16;
      else if (day < 16)
        day = 15;
      else
        toMonthEnd = true;
      break;
    case bpTenDaily:
      if (start)
        day = day <= 20 ? day - (day - 1) % 10 : 21;
      else if (day <= 20)
        day = day <= 10 ? 10 : 20;
      else
        toMonthEnd = true;
      break;
    default:
      break;
  }
  if (days > 0) {
    int offset = DayOfPeriod(days, shifted);
    if (start)
      day -= offset;
    else
      extraDays += days - 1 - offset;
  }
  if (years > 0) {
    year -= static_cast<int>(FloorMod(year - 1900, years));
    if (!start) year += years - 1;
    month = start ? 1 : 12;
  }
  // Periods of whole months start on the 1st and end after the last day of their last month.
  if (years > 0 || (kind >= bpYearly && kind <= bpMonthly)) {
    if (start)
      day = 1;
    else
      toMonthEnd = true;
  }
  if (day <= 0) {
    extraDays = day - 1;
    day = 1;
  }
  shift.Denormalise(year, month);
  if (year < 1 || year > 9999) DateEncodeFailure();
  int length = DaysInMonth(year, month);
  day = toMonthEnd ? length : std::min(day, length);
  TDateTime result = EncodeDate(year, month, day) + static_cast<TDateTime>(extraDays);
  if (shift.Active) result += shift.Days + shift.TimeOffset;
  // The end of the calendar's last period lies beyond the calendar.
  SplitDate(result, year, month, day);
  return result;
}

// name cut to at most four bytes, never inside a two-byte character.
std::string KindName(const std::string& name) {
  size_t end = 0;
  while (end < name.size()) {
    size_t width = CharSize(name, end);
    if (end + width > kMaxKindNameBytes) break;
    end += width;
  }
  return name.substr(0, end);
}

void AppendItem(int index, const std::string& name, const std::string& perName,
                const std::string& periodDate) {
  auto obj = std::make_unique<TPeriodObj>(name, perName, periodDate);
  TQnStringList& list = PeriodList();
  if (index < 0)
    list.AddObject(name, obj.get());
  else
    list.InsertObject(index, name, obj.get());
  obj.release();
}

}  // namespace

std::array<std::string, kBusinessPeriodCount>& BPeriodNames() {
  static std::array<std::string, kBusinessPeriodCount> names = [] {
    std::array<std::string, kBusinessPeriodCount> all;
    for (int i = 0; i < kBusinessPeriodCount; ++i) all[i] = Res(kDefaultNames[i]);
    return all;
  }();
  return names;
}

std::array<TDateTime, kBusinessPeriodCount>& BPDawnDelays() {
  static std::array<TDateTime, kBusinessPeriodCount> anchors = [] {
    std::array<TDateTime, kBusinessPeriodCount> all;
    all.fill(kNeutralAnchor);
    all[bpWeekly] = 3.0;
    return all;
  }();
  return anchors;
}

bool TPeriodObj::EnumrateProperties(const TPropProcessor& callback, uint16_t purpose,
                                    void* param) {
  if (!TBaseObject::EnumrateProperties(callback, purpose, param)) return false;
  return callback(&Name, "Name", ptString, !Name.empty(), 0, param) &&
         callback(&PerName, "PerName", ptString, !PerName.empty(), 0, param) &&
         callback(&PeriodDate, "PeriodDate", ptString, !PeriodDate.empty(), 0, param);
}

TQnStringList& PeriodList() {
  static std::unique_ptr<TQnStringList> list;
  if (!list) {
    list = std::make_unique<TQnStringList>();
    for (int i = 0; i < kBusinessPeriodCount; ++i) {
      const std::string& name = BPeriodNames()[i];
      AppendItem(-1, name, name, DateTimeToStr(BPDawnDelays()[i]));
    }
  }
  return *list;
}

TDateTime GetBusinessTime() { return Now() + BusinessTimeGap; }

void SetBusinessTime(TDateTime t) { BusinessTimeGap = t - Now(); }

std::string PeriodToName(TBusinessPeriod kind) {
  return ValidKind(kind) ? BPeriodNames()[kind] : std::string();
}

void SetBPeriodName(TBusinessPeriod kind, const std::string& name) {
  if (ValidKind(kind)) BPeriodNames()[kind] = KindName(name);
}

TBusinessPeriod GetBPeriodByName(const std::string& name) {
  for (int i = 0; i < kBusinessPeriodCount; ++i)
    if (BPeriodNames()[i] == name) return static_cast<TBusinessPeriod>(i);
  return bpUnknown;
}

void GetPerNameList(TStringList& strings) {
  strings.Clear();
  for (const std::string& name : BPeriodNames()) strings.Add(name);
}

void GetBPeriodNameList(TStringList& strings) {
  strings.Clear();
  TQnStringList& list = PeriodList();
  for (int i = 0; i < list.Count(); ++i) strings.Add(list.Get(i));
}

bool GetPerByName(const std::string& name, TBusinessPeriod& kind, TDateTime& anchor) {
  int index = PeriodList().IndexOf(name);
  if (index < 0) return false;
  TPeriodObj* obj = PeriodAt(index);
  if (!obj) return false;
  TDateTime read = StrToDateTime(obj->PeriodDate);
  kind = GetBPeriodByName(obj->PerName);
  anchor = read;
  return true;
}

void AddUserBPDelay(const std::string& name, TBusinessPeriod kind, TDateTime anchor) {
  AppendItem(-1, name, PeriodToName(kind), DateTimeToStr(anchor));
}

void SetUserPeriod(const TStringList& lines) {
  int at = 0;
  for (int i = 0; i < lines.Count(); ++i) {
    const std::string& line = lines.Get(i);
    // Positions are 1-based; the markers are only found where a character starts.
    int per = FindText(line, "Per:");
    if (per == 0) continue;
    int dt = FindText(line, "DT:", per + 4);
    if (dt == 0) continue;
    AppendItem(at++, line.substr(0, per - 1), line.substr(per + 3, dt - per - 4),
               line.substr(dt + 2));
  }
}

bool DeleUserBPeriod(const std::string& name) {
  int index = PeriodList().IndexOf(name);
  if (index < 0) return false;
  PeriodList().Delete(index);
  return true;
}

void UserPerList(const std::string& fileName, TStringList& strings) {
  TStoredStrList file;
  file.LoadFromFile(fileName);
  strings.Clear();
  const TQnStringList& lines = file.List();
  for (int i = 0; i < lines.Count(); ++i) {
    const std::string& line = lines.Get(i);
    int per = FindText(line, "Per:");
    strings.Add(per == 0 ? line : line.substr(0, per - 1));
  }
}

void SetBPDawnDelay(TBusinessPeriod kind, TDateTime t) {
  if (ValidKind(kind)) BPDawnDelays()[kind] = t;
}

void SetBPDawnDelays(const std::array<TDateTime, kBusinessPeriodCount>& anchors) {
  BPDawnDelays() = anchors;
}

void SetBPStart(TDateTime t, TBusinessPeriod kind) { SetBPDawnDelay(kind, t); }

int DayOfPeriod(int n, TDateTime t) {
  if (n <= 0 || !(std::fabs(t) < 9.2e18)) return 0;
  return static_cast<int>(FloorMod(static_cast<int64_t>(std::trunc(t)), n));
}

void GetBPStart(TDateTime& t, const std::string& name) { t = PeriodEdge(t, name, peStart); }

void GetBPEnd(TDateTime& t, const std::string& name) { t = PeriodEdge(t, name, peEnd); }

TDateTime BStartTime(const std::string& name) {
  TDateTime t = GetBusinessTime();
  GetBPStart(t, name);
  return t;
}

TDateTime BEndTime(const std::string& name) {
  TDateTime t = GetBusinessTime();
  GetBPEnd(t, name);
  return t;
}

TDateTime BPriorStartTime(const std::string& name) {
  TDateTime t = BStartTime(name) - 1;
  GetBPStart(t, name);
  return t;
}

TDateTime BNextEndTime(TBusinessPeriod kind) {
  std::string name = PeriodToName(kind);
  TDateTime t = BEndTime(name);
  GetBPEnd(t, name);
  return t;
}

std::vector<const TClassInfo*> BusinessTimeClasses() { return {&TPeriodObj::StaticClass()}; }

}  // namespace qnexp
