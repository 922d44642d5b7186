// Macro expansion of a self-growing macro, for the benchmark: the macro A brings back its own
// reference followed by a few bytes, round after round, so that one expansion of "~A~"
// produces a text of a chosen size. Expansion must take time in proportion to that size.
#pragma once

#include <cstddef>
#include <string>

#include "support/Macros.h"

namespace qnexp {

// The bytes each round adds to the text.
inline constexpr size_t kMacroGrowthStep = 20;

// A macro set whose macro A reads as "~A~" followed by kMacroGrowthStep bytes "x" while rounds
// remain, and as the empty text after that; every other name reads as in any set.
class TGrowingMacros : public TMacros {
public:
  // Enough rounds that one expansion produces producedBytes bytes (rounded down to a whole
  // number of rounds).
  explicit TGrowingMacros(size_t producedBytes);

  std::string GetMacroText(const std::string& name) override;

  // Expands "~A~" from the first round on and returns the produced text.
  std::string Expand();

private:
  size_t Rounds;
  size_t RoundsLeft = 0;
};

// The self-referring macro as a user would write it, DefinMacro('A', '~~A~~' + padding), in a
// set of its own: expanding "~A~" goes on until a limit of the macro sets raises. Returns the
// limit's message (GBK), or the empty text when none raised.
std::string ExpandSelfReferringMacro(size_t paddingBytes);

}  // namespace qnexp
