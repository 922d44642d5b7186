// The self-growing macros of the macro expansion benchmark.
#include "bench/MacroBench.h"

#include "runtime/Exception.h"

namespace qnexp {

TGrowingMacros::TGrowingMacros(size_t producedBytes) : Rounds(producedBytes / kMacroGrowthStep) {}

std::string TGrowingMacros::GetMacroText(const std::string& name) {
  if (name != "A") return TMacros::GetMacroText(name);
  if (RoundsLeft == 0) return {};
  --RoundsLeft;
  return "~A~" + std::string(kMacroGrowthStep, 'x');
}

std::string TGrowingMacros::Expand() {
  RoundsLeft = Rounds;
  std::string text = "~A~";
  CheckStr(text);
  return text;
}

std::string ExpandSelfReferringMacro(size_t paddingBytes) {
  TMacros set;
  set.SetMacroText("A", "~~A~~" + std::string(paddingBytes, 'x'));
  std::string text = "~A~";
  try {
    set.CheckStr(text);
  } catch (const Exception& error) {
    return error.Message;
  }
  return {};
}

}  // namespace qnexp
