// Reading the function catalogue and finding functions by name, pattern and likeness.
#include "cli/Catalogue.h"

#include <algorithm>

#include "core/CustomFunction.h"
#include "core/EntryPoints.h"
#include "core/FunctionList.h"
#include "core/Translator.h"
#include "runtime/Exception.h"
#include "runtime/Gbk.h"
#include "runtime/GbkChars.h"
#include "runtime/Stream.h"
#include "support/ExpressDirs.h"
#include "support/StrFuncs.h"

namespace qnexp::cli {

namespace {

bool HasWildcards(std::string_view pattern) {
  return pattern.find_first_of("*?") != std::string_view::npos;
}

// True when needle occurs in text starting at a character boundary.
bool ContainsText(std::string_view text, std::string_view needle) {
  for (size_t i = 0; i + needle.size() <= text.size(); i += CharSize(text, i))
    if (text.compare(i, needle.size(), needle) == 0) return true;
  return false;
}

// The edit distance between two names: a wrong, missing or extra letter, or two neighbours
// swapped, counts one.
size_t TypingDistance(std::string_view a, std::string_view b) {
  std::vector<std::vector<size_t>> d(a.size() + 1, std::vector<size_t>(b.size() + 1));
  for (size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
  for (size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    for (size_t j = 1; j <= b.size(); ++j) {
      size_t cost = a[i - 1] == b[j - 1] ? 0 : 1;
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
    }
  }
  return d[a.size()][b.size()];
}

}  // namespace

std::vector<TFunctionEntry> ParseCatalogue(std::string_view content) {
  std::string text(content);
  if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text = Utf8ToGbkLenient(text.substr(3));
  std::vector<TFunctionEntry> entries;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = TrimBoth(text.substr(start, end - start));
    start = end + 1;
    if (line.empty()) continue;
    TFunctionEntry entry;
    size_t separator = line.find(kCatalogueSeparator);
    entry.Prototype = TrimBoth(line.substr(0, separator));
    if (separator != std::string::npos)
      entry.Description = TrimBoth(line.substr(separator + kCatalogueSeparator.size()));
    entry.Name = TrimBoth(entry.Prototype.substr(0, FindChar(entry.Prototype, '(')));
    entries.push_back(std::move(entry));
  }
  return entries;
}

std::string CataloguePath() {
  return GetExpressDir(0) + "/../Data/" + Res("函数简表.DAT");
}

std::vector<TFunctionEntry> ReadCatalogue() {
  try {
    return ParseCatalogue(ReadFileBytes(CataloguePath()));
  } catch (const Exception&) {
    return {};
  }
}

std::vector<TFunctionEntry> RegisteredFunctions(const std::vector<TFunctionEntry>& catalogue) {
  std::vector<TFunctionEntry> functions;
  const TFunctionList& registry = *ExpTranslator->Functions;
  for (int i = 0; i < registry.Count(); ++i) {
    const std::string& name = registry.Get(i);
    auto entry = std::find_if(catalogue.begin(), catalogue.end(),
                              [&](const TFunctionEntry& e) { return SameText(e.Name, name); });
    if (entry != catalogue.end()) {
      functions.push_back(*entry);
      continue;
    }
    TCustomFunction* custom = registry.GetCustomFunction(name);
    if (!custom) {
      functions.push_back({name, name + "()", ""});
      continue;
    }
    // The name as its definition spells it.
    std::string spelled = name;
    try {
      if (std::string defined = custom->GetFuncName(); SameText(defined, name)) spelled = defined;
    } catch (const Exception&) {
    }
    functions.push_back({spelled, spelled + "()", Res("自定义函数")});
  }
  std::stable_sort(functions.begin(), functions.end(),
                   [](const TFunctionEntry& a, const TFunctionEntry& b) {
                     return CompareText(a.Name, b.Name) < 0;
                   });
  return functions;
}

bool MatchesPattern(std::string_view text, std::string_view pattern) {
  // Backtracking to the last '*' only: enough for any pattern, linear for most.
  size_t t = 0, p = 0;
  size_t starP = std::string_view::npos, starT = 0;
  while (t < text.size()) {
    size_t size = CharSize(text, t);
    if (p < pattern.size() && pattern[p] == '*') {
      starP = p++;
      starT = t;
      continue;
    }
    if (p < pattern.size()) {
      size_t patternSize = pattern[p] == '?' ? 1 : CharSize(pattern, p);
      bool same = pattern[p] == '?' ||
                  (patternSize == size && (size == 1 ? AsciiUpper(text[t]) == AsciiUpper(pattern[p])
                                                     : text.substr(t, size) == pattern.substr(p, size)));
      if (same) {
        t += size;
        p += patternSize;
        continue;
      }
    }
    if (starP == std::string_view::npos) return false;
    p = starP + 1;
    starT += CharSize(text, starT);
    t = starT;
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

std::vector<const TFunctionEntry*> FindFunctions(const std::vector<TFunctionEntry>& functions,
                                                 std::string_view pattern) {
  std::vector<const TFunctionEntry*> found;
  bool wildcards = HasWildcards(pattern);
  for (const TFunctionEntry& entry : functions) {
    bool picked = wildcards ? MatchesPattern(entry.Name, pattern) ||
                                  MatchesPattern(entry.Description, pattern)
                            : SameText(entry.Name, pattern);
    if (picked) found.push_back(&entry);
  }
  return found;
}

std::vector<std::string> ClosestNames(const std::vector<TFunctionEntry>& functions,
                                      std::string_view text, size_t most) {
  std::string wanted;
  for (char c : text)
    if (c != '*' && c != '?') wanted += c;
  std::string upper = UpperCase(wanted);
  // A rank per function: 0 its name contains the text, 1 its description does, 2 + the
  // typing distance of the names when that is small; larger ranks are not suggested.
  size_t tolerance = std::max<size_t>(1, upper.size() / 3);
  std::vector<std::pair<size_t, size_t>> ranked;  // (rank, index)
  for (size_t i = 0; i < functions.size() && !upper.empty(); ++i) {
    std::string name = UpperCase(functions[i].Name);
    size_t rank;
    if (name.find(upper) != std::string::npos)
      rank = 0;
    else if (ContainsText(functions[i].Description, wanted))
      rank = 1;
    else if (size_t distance = TypingDistance(upper, name); distance <= tolerance)
      rank = 2 + distance;
    else
      continue;
    ranked.emplace_back(rank, i);
  }
  std::stable_sort(ranked.begin(), ranked.end());
  std::vector<std::string> names;
  for (size_t k = 0; k < ranked.size() && names.size() < most; ++k)
    names.push_back(functions[ranked[k].second].Name);
  return names;
}

}  // namespace qnexp::cli
