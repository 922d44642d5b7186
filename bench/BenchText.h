// Deterministic generator of long expression texts for measuring translation throughput.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace qnexp {

// The seed every size is generated from, so that runs and sizes are comparable.
inline constexpr uint64_t kBenchTextSeed = 0x5EEDC0DE2024ULL;

// Each leaf term holds at most this many operators at its own level, and each group joins at
// most kBenchTextFanOut parts: no level of the text has a long flat chain, and the bracket
// depth grows with the logarithm of the size.
inline constexpr int kBenchTextMaxTermOperators = 12;
inline constexpr int kBenchTextFanOut = 4;

// A numeric expression text of about targetBytes bytes (GBK) over the variables a..f: integer
// and real literals, + - * / ^, comparisons (numeric and of string constants) added to
// numbers, Min/Max/Neg/Abs calls, groups, blanks and both kinds of comment. The text is a
// balanced tree of groups whose leaves are short terms drawn from one fixed distribution, so
// every size has the same mix of tokens. The same size and seed always give the same text.
// The size is reached at a term boundary and lies within a few hundred bytes of the target;
// a target of 0 still gives one term.
std::string GenerateBenchText(size_t targetBytes, uint64_t seed = kBenchTextSeed);

// The shape of a text, used to check that a generated text respects the translator's limits
// and keeps its mix: the deepest bracket nesting, the longest run of operators at one level,
// and counts of a few token kinds. Quoted text and comments are skipped as the translator
// skips them. Works on any text; unbalanced brackets simply leave the depth where it is.
struct TBenchTextShape {
  int MaxDepth = 0;
  int LongestChain = 0;
  size_t Calls = 0;        // "Name(" occurrences of Min, Max, Neg and Abs
  size_t Comparisons = 0;  // = <> < <= > >=
  size_t Strings = 0;      // quoted constants
  size_t Comments = 0;     // {...} and //... comments
  size_t Variables = 0;    // the single-letter names a..f
};
TBenchTextShape MeasureBenchText(const std::string& text);

}  // namespace qnexp
