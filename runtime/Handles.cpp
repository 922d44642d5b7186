// The object-handle table: two maps kept in step, handle to entry and object to handle.
#include "runtime/Handles.h"

#include <unordered_map>

namespace qnexp {

namespace {

struct THandleEntry {
  void* Object;
  THandleKind Kind;
};

// Loops look the same few handles up for every record: a small direct-mapped cache in front
// of the map answers them without hashing.
struct TCachedEntry {
  int32_t Handle = 0;
  THandleEntry Entry{nullptr, hkDataSet};
};
constexpr int32_t kCacheSize = 64;

struct THandleTable {
  std::unordered_map<int32_t, THandleEntry> ByHandle;
  std::unordered_map<void*, int32_t> ByObject;
  int32_t Last = 0;
  TCachedEntry Cache[kCacheSize];
  void Forget(int32_t handle) {
    TCachedEntry& cached = Cache[handle % kCacheSize];
    if (cached.Handle == handle) cached = TCachedEntry{};
    ByHandle.erase(handle);
  }
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
    table.Forget(found->second);
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
  TCachedEntry& cached = table.Cache[handle % kCacheSize];
  if (cached.Handle != handle) {
    auto found = table.ByHandle.find(handle);
    if (found == table.ByHandle.end()) return nullptr;
    cached = TCachedEntry{handle, found->second};
  }
  return cached.Entry.Kind == kind ? cached.Entry.Object : nullptr;
}

void ReleaseHandle(void* object) {
  if (!object) return;
  THandleTable& table = Table();
  auto found = table.ByObject.find(object);
  if (found == table.ByObject.end()) return;
  table.Forget(found->second);
  table.ByObject.erase(found);
}

}  // namespace qnexp
