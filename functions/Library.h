// The base library's initialisation unit: its load and unload steps, the registration of its
// functions into the translator's registry in the language's order, and the persistence of
// every node class. Registration lives here, above the families, so that the core does not
// depend on them.
#pragma once

#include <span>
#include <vector>

#include "runtime/Object.h"

namespace qnexp {

// The 86 classes the base library registers first, in the language's order.
std::span<const TClassInfo* const> BaseFunctionClasses();
// The macro functions, registered next (then "Calculate" as a second name of Calc).
std::span<const TClassInfo* const> MacroFunctionClasses();
// The 37 date, time and business-period functions, registered last, in their order.
std::span<const TClassInfo* const> TimeFunctionClasses();

// Every node class of the base library, for the persistent-class registry.
std::vector<const TClassInfo*> BaseNodeClasses();

}  // namespace qnexp
