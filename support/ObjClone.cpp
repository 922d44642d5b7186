// Cloning of persistable objects; copies travel through the object streams.
#include "support/ObjClone.h"

#include "runtime/Exception.h"

namespace qnexp {

TObject* CloneObject(TObject* obj) {
  if (!obj) return nullptr;
  throw EStreamError("Object streams are not available");
}

}  // namespace qnexp
