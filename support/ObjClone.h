// Cloning of persistable objects, shared by the lists that must never share an object.
#pragma once

#include "runtime/Object.h"

namespace qnexp {

// A new, independent copy of obj that the caller owns; null for a null obj. Raises
// EStreamError "Object streams are not available" until the object streams are part of the
// library, and the streams' own errors after that (a class that cannot be recreated, an
// object that does not persist itself).
TObject* CloneObject(TObject* obj);

}  // namespace qnexp
