// Wildcard matching with '*' and '?', pattern lists with exclusions, and wildcard renaming.
#include "support/Wildcard.h"

#include <vector>

#include "runtime/GbkChars.h"
#include "support/SplitStr.h"

namespace qnexp {

namespace {

// What the wildcards of a pattern matched, in pattern order, kept apart by kind.
struct TCaptures {
  std::vector<std::string_view> Stars;
  std::string Singles;
};

// Marks the second bytes of two-byte characters, walking the text from its start.
std::vector<bool> SecondBytes(std::string_view s) {
  std::vector<bool> marks(s.size(), false);
  for (size_t i = 0; i < s.size(); i += CharSize(s, i))
    if (CharSize(s, i) == 2) marks[i + 1] = true;
  return marks;
}

class TMatcher {
public:
  TMatcher(std::string_view text, std::string_view pattern, bool caseSensitive)
      : Text(text), Pattern(pattern), CaseSensitive(caseSensitive),
        TextSecond(SecondBytes(text)), PatternSecond(SecondBytes(pattern)) {}

  // The left-to-right match without backtracking; fills captures when given.
  bool Run(TCaptures* captures) {
    size_t i = 0, j = 0;
    while (i < Pattern.size() && j < Text.size()) {
      char c = Pattern[i];
      if (c == '*') {
        ++i;
        if (i == Pattern.size()) {
          if (captures) captures->Stars.push_back(Text.substr(j));
          return true;
        }
        // The segment's own first character is literal even when it is a wildcard.
        size_t k = i + 1;
        while (k < Pattern.size() && Pattern[k] != '*' && Pattern[k] != '?') ++k;
        size_t found = Search(j, i, k - i);
        if (found == std::string_view::npos) return false;
        if (captures) captures->Stars.push_back(Text.substr(j, found - j));
        j = found;
      } else if (c == '?') {
        if (captures) captures->Singles += Text[j];
        ++i;
        ++j;
      } else if (Same(i, j)) {
        ++i;
        ++j;
      } else {
        return false;
      }
    }
    if (j < Text.size()) return false;
    if (i == Pattern.size()) return true;
    if (i + 1 == Pattern.size() && Pattern[i] == '*') {
      if (captures) captures->Stars.push_back(std::string_view());
      return true;
    }
    return false;
  }

private:
  bool Same(size_t pi, size_t tj) const {
    char a = Pattern[pi];
    char b = Text[tj];
    if (a == b) return true;
    if (CaseSensitive || PatternSecond[pi] || TextSecond[tj]) return false;
    return AsciiUpper(a) == AsciiUpper(b);
  }

  // First position at or after from where the pattern bytes [segStart, segStart + segLen) occur
  // literally. Besides from itself, only character starts are candidates, so a segment never
  // matches from the second byte of a two-byte character.
  size_t Search(size_t from, size_t segStart, size_t segLen) const {
    for (size_t x = from; x + segLen <= Text.size(); x = Next(x)) {
      size_t m = 0;
      while (m < segLen && Same(segStart + m, x + m)) ++m;
      if (m == segLen) return x;
    }
    return std::string_view::npos;
  }

  size_t Next(size_t x) const {
    return TextSecond[x] ? x + 1 : x + CharSize(Text, x);
  }

  std::string_view Text;
  std::string_view Pattern;
  bool CaseSensitive;
  std::vector<bool> TextSecond;
  std::vector<bool> PatternSecond;
};

// Calls test on every field of patterns split at sep (quote-aware); true as soon as one holds.
template <typename Test>
bool AnyField(std::string_view patterns, char sep, Test test) {
  const std::string separator(1, sep);
  int count = SParamCount(patterns, separator);
  int begin = 1;
  for (int k = 0; k < count; ++k) {
    int end = SeekSplit(patterns, separator, begin);
    if (test(patterns.substr(static_cast<size_t>(begin) - 1, static_cast<size_t>(end - begin)))) return true;
    begin = end + 1;
  }
  return false;
}

std::string_view CutAtSlash(std::string_view pattern) { return pattern.substr(0, pattern.find('/')); }

// Calls test on every piece of text split at sep (plain, no quotes); true when one holds.
template <typename Test>
bool AnyPiece(std::string_view text, char sep, Test test) {
  while (true) {
    size_t at = text.find(sep);
    if (test(text.substr(0, at))) return true;
    if (at == std::string_view::npos) return false;
    text.remove_prefix(at + 1);
  }
}

}  // namespace

bool Like(std::string_view S, std::string_view Pattern, bool CaseSensitive) {
  return TMatcher(S, Pattern, CaseSensitive).Run(nullptr);
}

bool LikeAny(std::string_view S, std::string_view Patterns, char Sep, bool CaseSensitive) {
  if (Patterns.empty()) return true;
  return AnyField(Patterns, Sep, [&](std::string_view p) { return Like(S, p, CaseSensitive); });
}

bool LikeExcept(std::string_view S, std::string_view Patterns, bool CaseSensitive) {
  size_t dash = Patterns.find('-');
  std::string_view includes = Patterns.substr(0, dash);
  if (includes.empty()) return false;
  auto matches = [&](std::string_view p) { return Like(S, CutAtSlash(p), CaseSensitive); };
  if (!AnyPiece(includes, '+', matches)) return false;
  if (dash == std::string_view::npos) return true;
  return !AnyPiece(Patterns.substr(dash + 1), '-', matches);
}

bool LikeExceptAny(std::string_view S, std::string_view Patterns, char Sep, bool CaseSensitive) {
  if (Patterns.empty()) return true;
  return AnyField(Patterns, Sep, [&](std::string_view p) { return LikeExcept(S, p, CaseSensitive); });
}

bool ReplaceStr(std::string& S, std::string_view Pattern, std::string_view Replacement, bool CaseSensitive) {
  TCaptures captures;
  if (!TMatcher(S, Pattern, CaseSensitive).Run(&captures)) return false;
  std::string out;
  size_t star = 0, single = 0;
  for (char c : Replacement) {
    if (c == '*') {
      if (star < captures.Stars.size()) out.append(captures.Stars[star]);
      ++star;
    } else if (c == '?') {
      if (single < captures.Singles.size()) out += captures.Singles[single];
      ++single;
    } else {
      out += c;
    }
  }
  S = std::move(out);
  return true;
}

}  // namespace qnexp
