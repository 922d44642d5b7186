// ClipboardObj: persistable objects through the clipboard, seen by expressions as handles.
#include <memory>
#include <vector>

#include "functions/System.h"
#include "core/Sandbox.h"
#include "runtime/Handles.h"
#include "support/ObjClipboard.h"

namespace qnexp {

namespace {

// The objects expressions took from the clipboard. An expression has no way to free an
// object, so they are kept here and freed when the process ends. Their handles are not
// released then: nothing evaluates after that point.
class TPastedObjects {
public:
  TPastedObjects() = default;
  TPastedObjects(const TPastedObjects&) = delete;
  TPastedObjects& operator=(const TPastedObjects&) = delete;
  ~TPastedObjects() {
    for (TObject* object : Objects) delete object;
  }
  TObject* Keep(std::unique_ptr<TObject> object) {
    Objects.push_back(object.get());
    return object.release();
  }

private:
  std::vector<TObject*> Objects;
};

TPastedObjects& PastedObjects() {
  static TPastedObjects objects;
  return objects;
}

}  // namespace

void TExp_ClipboardObj::Calculate() {
  RefuseInSandbox(*this);
  if (TExpression* argument = GetSubExp(0)) {
    int32_t handle = argument->GetInteger();
    // Objects are registered under this kind as TObject pointers (see below).
    auto* object = ObjectOfHandleAs<TObject>(handle, hkClipboardObject);
    if (!object) {
      PutInteger(0);
      return;
    }
    CopyObjectToClipboard(object);
    PutInteger(handle);
    return;
  }
  std::unique_ptr<TObject> pasted(PasteObjectFromClipboard());
  if (!pasted) {
    PutInteger(0);
    return;
  }
  TObject* object = PastedObjects().Keep(std::move(pasted));
  PutInteger(HandleOf(object, hkClipboardObject));
}

}  // namespace qnexp
