// The process-wide abort request: a way to stop an endless or overlong evaluation from outside,
// for example from a console host's interrupt signal.
#pragma once

#include <chrono>

namespace qnexp {

// Asks every running evaluation to stop at its next check. Safe to call from a signal handler
// and from any thread; the request stays set until ClearAbort.
void RequestAbort() noexcept;

// Withdraws the request; a host calls it before it starts the next evaluation.
void ClearAbort() noexcept;

// True while an abort is requested.
bool AbortRequested() noexcept;

// Raises Exception "Operation aborted" while an abort is requested, otherwise does nothing.
// Loops, calls of user-defined functions and other long-running evaluations call it. The
// request is not withdrawn by raising, so code that swallows the error is stopped again at the
// next check.
void CheckAbort();

// A time after which CheckAbort acts as if an abort had been requested, until the deadline is
// cleared (the sandbox's time budget). Single-threaded, unlike the request itself.
void SetAbortDeadline(std::chrono::steady_clock::time_point deadline);
void ClearAbortDeadline();
bool AbortDeadlineSet();

}  // namespace qnexp
