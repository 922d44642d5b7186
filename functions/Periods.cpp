// The business-period functions over the period unit.
#include "functions/Periods.h"

#include "runtime/Gbk.h"
#include "support/BusinessTime.h"

namespace qnexp {

namespace {

std::string NameIn(TExpression* node) {
  return node && node->DataType == etString ? node->GetString() : std::string();
}

double DateArg(TExpression& self) { return self.Arg(0).GetDateTime(); }

}  // namespace

void TExp_BTime::Calculate() { PutDateTime(GetBusinessTime()); }

bool TExp_BStartTime::SetSubExp(int index, TExpression* node) {
  if (index != 0) return TDateTimeFunction::SetSubExp(index, node);
  PutSubExp(0, node);
  return true;
}

std::string TExp_BStartTime::PeriodName() { return NameIn(GetSubExp(0)); }

void TExp_BStartTime::Calculate() { PutDateTime(BStartTime(PeriodName())); }

void TExp_BEndTime::Calculate() { PutDateTime(BEndTime(PeriodName())); }

void TExp_BPriorStart::Calculate() { PutDateTime(BPriorStartTime(PeriodName())); }

void TExp_BNextEnd::Calculate() { PutDateTime(BNextEndTime(GetBPeriodByName(PeriodName()))); }

void TExp_BPStartTime::Calculate() {
  TDateTime t = DateArg(*this);
  GetBPStart(t, NameIn(GetSubExp(1)));
  PutDateTime(t);
}

void TExp_BPEndTime::Calculate() {
  TDateTime t = DateArg(*this);
  GetBPEnd(t, NameIn(GetSubExp(1)));
  PutDateTime(t);
}

}  // namespace qnexp
