// The sandbox setting, the refusal of functions with outside effects, and the time budget.
#include "core/Sandbox.h"

#include <chrono>
#include <cstdint>
#include <limits>

#include "core/Abort.h"
#include "core/Expression.h"
#include "core/FunctionList.h"
#include "runtime/Exception.h"
#include "runtime/Format.h"
#include "runtime/Gbk.h"

namespace qnexp {

namespace {

TSandboxSettings Settings;

}  // namespace

size_t MaxTextBytes = std::numeric_limits<size_t>::max();

void SetSandbox(const TSandboxSettings& settings) {
  Settings = settings;
  MaxTextBytes = settings.Enabled ? settings.MaxTextBytes : std::numeric_limits<size_t>::max();
}

const TSandboxSettings& Sandbox() { return Settings; }

void RefuseInSandbox(const TExpression& function) {
  if (!Settings.Enabled) return;
  throw Exception(Res("沙箱中不能使用函数") + FuncNameOf(function.ClassType()));
}

void TextTooLong() {
  throw Exception(Format(Res("文本超过%d字节的限制"), {static_cast<int64_t>(MaxTextBytes)}));
}

TBudgetScope::TBudgetScope() {
  if (!Settings.Enabled || Settings.TimeBudget <= 0 || AbortDeadlineSet()) return;
  auto budget = std::chrono::duration_cast<std::chrono::steady_clock::duration>(
      std::chrono::duration<double>(Settings.TimeBudget));
  SetAbortDeadline(std::chrono::steady_clock::now() + budget);
  Started = true;
}

TBudgetScope::~TBudgetScope() {
  if (Started) ClearAbortDeadline();
}

}  // namespace qnexp
