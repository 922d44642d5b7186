// The sandbox for texts that are not trusted (table contents evaluated as expressions, texts
// typed by users of a service): functions with effects outside the evaluation are refused, and
// an evaluation's time and the size of its texts are bounded.
#pragma once

#include <cstddef>
#include <string>

namespace qnexp {

class TExpression;

struct TSandboxSettings {
  bool Enabled = false;
  // Seconds that one call of TranslateExp or ExpEvaluate may run before it stops with
  // "Operation aborted" at its next abort check; 0 sets no bound.
  double TimeBudget = 10;
  // The longest text, in bytes, that a node may take while the sandbox is on; a longer one
  // raises "文本超过%d字节的限制".
  size_t MaxTextBytes = 16 * 1024 * 1024;
};

// Turns the sandbox on or off for the whole process (single-threaded, like the engine).
void SetSandbox(const TSandboxSettings& settings);
const TSandboxSettings& Sandbox();

// Called first by every function that starts processes, opens documents, writes INI files or
// the registry, uses the clipboard, looks up the network or shows dialogs: raises Exception
// "沙箱中不能使用函数<name>" while the sandbox is on.
void RefuseInSandbox(const TExpression& function);

// The longest text a node may take now (no bound outside the sandbox).
extern size_t MaxTextBytes;
// Raises the text-size error.
[[noreturn]] void TextTooLong();

// Starts the sandbox's time budget for an entry point, unless one is already running (an
// entry point called inside another); the outermost scope ends it.
class TBudgetScope {
public:
  TBudgetScope();
  ~TBudgetScope();
  TBudgetScope(const TBudgetScope&) = delete;
  TBudgetScope& operator=(const TBudgetScope&) = delete;

private:
  bool Started = false;
};

}  // namespace qnexp
