// The business-period functions: the business clock and the start and end of named periods.
//
// A period name is the text of its argument when that argument is of type etString, and the
// empty text otherwise; a name no period carries gives the date at 00:00 (starts) or the next
// day at 00:00 (ends). Results outside years 1 to 9999 raise EConvertError "Invalid argument
// to date encode". Single-threaded, like every node.
#pragma once

#include <string>

#include "functions/Time.h"

namespace qnexp {

// BTime(): the business time (local time plus the gap set by SetBusinessTime).
class TExp_BTime : public TExp_DateTime {
  QN_CLASS(TExp_BTime, TExp_DateTime)
public:
  void Calculate() override;
};

// BStartTime(name): the start of the named period that contains the business time. The
// argument may be of any type: slot 0 takes whatever the translator gives.
class TExp_BStartTime : public TDateTimeFunction {
  QN_CLASS(TExp_BStartTime, TDateTimeFunction)
public:
  bool SetSubExp(int index, TExpression* node) override;
  void Calculate() override;

protected:
  // The period name in argument 0 ("" when missing or not a text).
  std::string PeriodName();
};

// BEndTime(name): the end of the named period that contains the business time.
class TExp_BEndTime : public TExp_BStartTime {
  QN_CLASS(TExp_BEndTime, TExp_BStartTime)
public:
  void Calculate() override;
};

// BPriorStart(name): the start of the period before the current one.
class TExp_BPriorStart : public TExp_BStartTime {
  QN_CLASS(TExp_BPriorStart, TExp_BStartTime)
public:
  void Calculate() override;
};

// BNextEnd(name): the end of the period after the current one, for the kind named name
// (bpUnknown when no kind has that name).
class TExp_BNextEnd : public TExp_BStartTime {
  QN_CLASS(TExp_BNextEnd, TExp_BStartTime)
public:
  void Calculate() override;
};

// BPStartTime(dt, name), BPEndTime(dt, name): the start and end of the named period that
// contains dt.
class TExp_BPStartTime : public TExp_TimeModify {
  QN_CLASS(TExp_BPStartTime, TExp_TimeModify)
public:
  void Calculate() override;
};
class TExp_BPEndTime : public TExp_TimeModify {
  QN_CLASS(TExp_BPEndTime, TExp_TimeModify)
public:
  void Calculate() override;
};

}  // namespace qnexp
