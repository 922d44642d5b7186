// The process-wide abort request.
#include "core/Abort.h"

#include <atomic>

#include "runtime/Exception.h"

namespace qnexp {

namespace {

// A lock-free atomic is async-signal-safe to store from a handler.
std::atomic<bool> AbortFlag{false};
static_assert(std::atomic<bool>::is_always_lock_free);

bool HasDeadline = false;
std::chrono::steady_clock::time_point Deadline;

}  // namespace

void RequestAbort() noexcept { AbortFlag.store(true, std::memory_order_relaxed); }

void ClearAbort() noexcept { AbortFlag.store(false, std::memory_order_relaxed); }

bool AbortRequested() noexcept { return AbortFlag.load(std::memory_order_relaxed); }

void CheckAbort() {
  if (AbortFlag.load(std::memory_order_relaxed)) throw Exception(Msg::OperationAborted);
  if (HasDeadline && std::chrono::steady_clock::now() >= Deadline) [[unlikely]]
    throw Exception(Msg::OperationAborted);
}

void SetAbortDeadline(std::chrono::steady_clock::time_point deadline) {
  Deadline = deadline;
  HasDeadline = true;
}

void ClearAbortDeadline() { HasDeadline = false; }

bool AbortDeadlineSet() { return HasDeadline; }

}  // namespace qnexp
