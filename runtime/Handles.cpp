// The object-handle table: two maps kept in step, handle to entry and object to handle.
#include "runtime/Handles.h"

#include <unordered_map>

namespace qnexp {

namespace {

struct THandleEntry {
  void* Object;
  THandleKind Kind;
};

struct THandleTable {
  std::unordered_map<int32_t, THandleEntry> ByHandle;
  std::unordered_map<void*, int32_t> ByObject;
  int32_t Last = 0;
};

THandleTable& Table() {
  static THandleTable table;
  return table;
}

}  // namespace

int32_t HandleOf(void* object, THandleKind kind) {
  if (!object) return 0;
  THandleTable& table = Table();
  auto found = table.ByObject.find(object);
  if (found != table.ByObject.end()) {
    THandleEntry& entry = table.ByHandle[found->second];
    if (entry.Kind == kind) return found->second;
    // The same address now stands for an object of another kind: it was reused after a
    // release nobody reported, so the old handle must not designate the new object.
    table.ByHandle.erase(found->second);
    table.ByObject.erase(found);
  }
  if (table.Last == INT32_MAX) return 0;  // the table is exhausted; report none
  int32_t handle = ++table.Last;
  table.ByHandle[handle] = THandleEntry{object, kind};
  table.ByObject[object] = handle;
  return handle;
}

void* ObjectOfHandle(int32_t handle, THandleKind kind) {
  if (handle <= 0) return nullptr;
  THandleTable& table = Table();
  auto found = table.ByHandle.find(handle);
  if (found == table.ByHandle.end() || found->second.Kind != kind) return nullptr;
  return found->second.Object;
}

void ReleaseHandle(void* object) {
  if (!object) return;
  THandleTable& table = Table();
  auto found = table.ByObject.find(object);
  if (found == table.ByObject.end()) return;
  table.ByHandle.erase(found->second);
  table.ByObject.erase(found);
}

}  // namespace qnexp
