// The process-wide table that maps live run-time objects to 32-bit integer handles.
// Expressions see objects only as handles; no integer is ever cast to a pointer.
#pragma once

#include <cstdint>

namespace qnexp {

// What kind of object a handle designates; a handle resolves only for its own kind.
enum THandleKind : uint8_t {
  hkDataSet,
  hkField,
  hkConnection,
  hkComponent,
  hkMacros,
  hkClipboardObject,
  hkSound,
  hkScreen,
};

// Returns the handle of object (of the given kind), making one when it has none yet.
// A null object has handle 0. Handles are positive and never reused while the process runs.
int32_t HandleOf(void* object, THandleKind kind);

// The object a handle designates, or null for 0, an unknown or released handle, or a handle
// of another kind.
void* ObjectOfHandle(int32_t handle, THandleKind kind);

// Typed convenience: ObjectOfHandle cast back to the type the kind stands for.
template <class T>
T* ObjectOfHandleAs(int32_t handle, THandleKind kind) {
  return static_cast<T*>(ObjectOfHandle(handle, kind));
}

// Forgets an object (call when it is destroyed); its handle then resolves to none.
void ReleaseHandle(void* object);

}  // namespace qnexp
