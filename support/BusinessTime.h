// Business periods: named period kinds with anchors that fix where their periods begin, the
// start and end of the period containing a moment, and the settable business clock.
// Everything here is process-wide state for the single thread that evaluates expressions.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "runtime/DateTime.h"
#include "support/BaseObject.h"

namespace qnexp {

class TQnStringList;
class TStringList;

// The kinds of period. Values are persisted as one byte and index BPeriodNames/BPDawnDelays.
enum TBusinessPeriod : uint8_t {
  bpUnknown,
  bpYearly,
  bpHalfYearly,
  bpSeasonly,
  bpDoubleMonthly,
  bpMonthly,
  bpHalfMonthly,
  bpTenDaily,
  bpWeekly,
  bpFiveDaily,
  bpFourDaily,
  bpThreeDaily,
  bpTwoDaily,
  bpDaily,
  bp2Yearly,
  bp3Yearly,
  bp4Yearly,
  bp5Yearly,
  bp6Yearly,
  bp7Yearly,
  bp8Yearly,
  bp9Yearly,
  bp10Yearly,
};

inline constexpr int kBusinessPeriodCount = 23;

// The anchor that leaves the calendar as it is: 1 January 1900 00:00.
inline constexpr TDateTime kNeutralAnchor = 2.0;

// The current names of the kinds (GBK, at most 4 bytes each), indexed by TBusinessPeriod.
std::array<std::string, kBusinessPeriodCount>& BPeriodNames();
// The anchors of the kinds; the default items of PeriodList copy them once, when the list is
// first used. Later changes affect only items added afterwards from these values.
std::array<TDateTime, kBusinessPeriodCount>& BPDawnDelays();
// Business time minus local time; 0 until SetBusinessTime is called.
extern TDateTime BusinessTimeGap;
// The month lengths of a common year, January first.
extern const std::array<uint8_t, 12> DayTable;

// The object attached to each item of PeriodList: the period's own name, its kind name and its
// anchor as the runtime writes a date-time. Persists "Name", "PerName" and "PeriodDate".
class TPeriodObj : public TBaseObject {
  QN_CLASS(TPeriodObj, TBaseObject)
public:
  TPeriodObj() = default;
  TPeriodObj(std::string name, std::string perName, std::string periodDate)
      : Name(std::move(name)), PerName(std::move(perName)), PeriodDate(std::move(periodDate)) {}

  bool EnumrateProperties(const TPropProcessor& callback, uint16_t purpose,
                          void* param) override;

  std::string Name;
  std::string PerName;
  std::string PeriodDate;
};

// The named periods, in look-up order; the list owns its TPeriodObj objects and compares names
// without regard to ASCII case. Made on first use with one item per kind, in kind order.
TQnStringList& PeriodList();

// The current local time plus BusinessTimeGap.
TDateTime GetBusinessTime();
// Makes the business time read t now (and run on with the clock from here).
void SetBusinessTime(TDateTime t);

// The kind's current name; the empty text for a value outside the enumeration.
std::string PeriodToName(TBusinessPeriod kind);
// Renames a kind; the name is cut to 4 bytes without splitting a two-byte character. A value
// outside the enumeration is ignored.
void SetBPeriodName(TBusinessPeriod kind, const std::string& name);
// The first kind whose name equals name exactly (with case); bpUnknown when none does.
TBusinessPeriod GetBPeriodByName(const std::string& name);
// Clears strings, then adds the 23 kind names in kind order.
void GetPerNameList(TStringList& strings);
// Clears strings, then adds the names of all items of PeriodList in list order.
void GetBPeriodNameList(TStringList& strings);

// Finds the first item of PeriodList named name: kind from its kind name, anchor read back
// from its anchor text. False, with kind and anchor untouched, when no item has the name. An
// anchor text that is no date-time raises EConvertError "'%s' is not a valid date and time".
bool GetPerByName(const std::string& name, TBusinessPeriod& kind, TDateTime& anchor);
// Appends an item: name, the kind's name and the anchor's text.
void AddUserBPDelay(const std::string& name, TBusinessPeriod kind, TDateTime anchor);
// Each line "<name>Per:<kind name>DT:<anchor text>" becomes an item; the items go to the front
// of PeriodList in the order of the lines, ahead of any older item of the same name. Lines
// without both markers (in that order) are skipped.
void SetUserPeriod(const TStringList& lines);
// Deletes the first item named name with its object; false when there is none.
bool DeleUserBPeriod(const std::string& name);
// Loads the lines of fileName into strings and keeps of each line the part before "Per:"
// (a line without it stays whole). A file that cannot be read raises EFOpenError.
void UserPerList(const std::string& fileName, TStringList& strings);

// Changes entries of BPDawnDelays (values outside the enumeration are ignored).
void SetBPDawnDelay(TBusinessPeriod kind, TDateTime t);
void SetBPDawnDelays(const std::array<TDateTime, kBusinessPeriodCount>& anchors);
void SetBPStart(TDateTime t, TBusinessPeriod kind);

// The day number of t (its integer part) modulo n, always in 0..n-1 so that days before
// 30 December 1899 fall into periods like any other; 0 for n <= 0 or a t beyond 64 bits.
int DayOfPeriod(int n, TDateTime t);

// Replaces t by the start of the period named name that contains it. A name no item carries
// counts as bpUnknown with the neutral anchor (the date at 00:00). A result outside years
// 1 to 9999, or a t that is no date, raises EConvertError "Invalid argument to date encode".
void GetBPStart(TDateTime& t, const std::string& name);
// Replaces t by the end of that period: the first moment after it, which is also the start of
// the next period. Failures as GetBPStart.
void GetBPEnd(TDateTime& t, const std::string& name);

// The start and end of the period named name that contains the business time.
TDateTime BStartTime(const std::string& name);
TDateTime BEndTime(const std::string& name);
// The start of the period before the current one.
TDateTime BPriorStartTime(const std::string& name);
// The end of the period after the current one, for the item named like the kind.
TDateTime BNextEndTime(TBusinessPeriod kind);

// The persistable classes of this unit, for the class registry.
std::vector<const TClassInfo*> BusinessTimeClasses();

}  // namespace qnexp
