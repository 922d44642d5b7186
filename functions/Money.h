// The amount function RMBFormat. Single-threaded, like every node.
#pragma once

#include <span>

#include "core/Function.h"

namespace qnexp {

// RMBFormat(amount, format): etString; an amount of type etInteger or etReal at evaluation is
// formatted as a number (GetReal), any other as its text (GetString), by the format language
// of TRenMinBi. A format whose literal text holds a stray "%" raises the runtime's format
// error.
class TExp_RMBFormat : public TP2Function {
  QN_CLASS(TExp_RMBFormat, TP2Function)
public:
  void Calculate() override;
  bool TransOverOK() override;
};

// Every node class of this family, for the persistent-class registry (the library's
// initialisation unit registers the named ones as functions in the language's order).
std::span<const TClassInfo* const> MoneyClasses();

}  // namespace qnexp
