// The base library's initialisation unit: its load and unload steps, the registration of its
// functions into the translator's registry in the language's order, and the persistence of
// every node class. Registration lives here, above the families, so that the core does not
// depend on them.
#pragma once

#include <span>
#include <vector>

#include "runtime/Object.h"

namespace qnexp {

class TFunctionList;

// Registers the base library's functions in the language's order: the 86 base functions (the
// families take turns), the macro functions with "Calculate" as a second name of Calc, then the
// date, time and business-period functions, then the twelve control functions.
void RegisterBaseFunctions(TFunctionList& registry);

// Every node class of the base library, for the persistent-class registry.
std::vector<const TClassInfo*> BaseNodeClasses();

}  // namespace qnexp
