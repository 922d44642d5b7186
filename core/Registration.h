// The base library's function registration: every function family's classes, registered in
// the language's fixed order.
#pragma once

#include <span>
#include <vector>

#include "runtime/Object.h"

namespace qnexp {

class TFunctionList;

// Registers the base library's named functions into list in the language's order, then the
// macro functions (with "Calculate" as a second name of Calc). Names whose family is not part
// of the library are skipped.
void RegisterBaseFunctions(TFunctionList& list);

// Every node class of the base library, for the persistent-class registry.
std::vector<const TClassInfo*> BaseNodeClasses();
void RegisterNodeClasses();

}  // namespace qnexp
