// The amount function and its registration table.
#include "functions/Money.h"

#include "runtime/Gbk.h"
#include "support/Money.h"

namespace qnexp {

void TExp_RMBFormat::Calculate() {
  TExpression* amount = GetSubExp(0);
  TExpression* format = GetSubExp(1);
  if (!amount || !format) CalcError(Res(kMsgTooFewArguments));
  std::string pattern = format->GetString();
  if (amount->DataType == etInteger || amount->DataType == etReal)
    PutString(FormatMoney(amount->GetReal(), pattern));
  else
    PutString(FormatMoney(amount->GetString(), pattern));
}

bool TExp_RMBFormat::TransOverOK() {
  DataType = etString;
  return true;
}

std::span<const TClassInfo* const> MoneyClasses() {
  // The named functions in registration order.
  return ClassTable<TExp_RMBFormat>();
}

}  // namespace qnexp
