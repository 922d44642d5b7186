// Fuzz target: macro definitions and a text to expand, from arbitrary bytes. The first byte
// picks the signs and NullReplace; the following lines up to the last are "name=value"
// definitions (joined as a set's Join does); the last line is the text. Expansion may raise the
// macro sets' errors but must never crash, hang or leak, and when it succeeds it must agree
// with a plain reading of the expansion rules: substitute in place and scan again from the
// reference. Expression macros are left out (they would run arbitrary expressions).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "runtime/Exception.h"
#include "runtime/StringList.h"
#include "support/Macros.h"
#include "support/SplitStr.h"

using namespace qnexp;

namespace {

// Never part of a fuzzed text, so no name starts with it.
constexpr char kNoExpressions = '\x01';

// The pairs of signs a set may use; both the same, or an opening and a closing one.
constexpr char kSigns[][2] = {{'~', '~'}, {'[', ']'}, {'{', '}'}, {'|', '|'}, {'@', '@'},
                              {'<', '>'}, {'\\', '\\'}, {'~', '|'}};

// The bounds beyond which the plain reading gives up: it rewrites the whole text at every
// substitution, and has no count of its own.
constexpr int kPlainSubstitutions = 2000;
constexpr size_t kPlainBytes = 1 << 16;

// The expansion rules read plainly, on a text that is rewritten in place; false when it gave
// up at its bounds.
bool ExpandPlainly(TMacros& set, std::string& text, int& substitutions) {
  int pos = 1;
  std::string name;
  while (set.GetNextMacroRef(text, pos, name)) {
    if (++substitutions > kPlainSubstitutions || text.size() > kPlainBytes) return false;
    if (name.empty()) {
      text.erase(static_cast<size_t>(pos), 1);
      ++pos;
      continue;
    }
    if (name[0] == '(') {
      bool closed = false;
      int close = SeekCloseBracket(name, 1, closed);
      if (closed) {
        std::string inner = name.substr(1, static_cast<size_t>(close) - 3);
        if (!ExpandPlainly(set, inner, substitutions)) return false;
        text.replace(static_cast<size_t>(pos), static_cast<size_t>(close) - 1, inner);
        continue;
      }
    }
    std::string value = set.GetMacroText(name);
    if (!value.empty() || set.NullReplace)
      text.replace(static_cast<size_t>(pos) - 1, name.size() + 2, value);
    else
      pos += static_cast<int>(name.size()) + 2;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  std::string input(reinterpret_cast<const char*>(data) + 1, size - 1);
  for (char& c : input)
    if (c == kNoExpressions) c = ' ';
  size_t lastBreak = input.rfind('\n');
  std::string text = lastBreak == std::string::npos ? input : input.substr(lastBreak + 1);
  TStringList definitions;
  if (lastBreak != std::string::npos) definitions.SetText(input.substr(0, lastBreak));

  DefaultMacros->Clear();
  TMacros set;
  set.ExpSign = kNoExpressions;
  const char* signs = kSigns[data[0] % (sizeof kSigns / sizeof kSigns[0])];
  set.StartSign = signs[0];
  set.EndSign = signs[1];
  set.NullReplace = (data[0] & 0x80) == 0;
  set.Join(definitions);

  std::string expanded = text;
  bool raised = false;
  try {
    set.CheckStr(expanded);
    std::string shortText = text;
    set.CheckShortStr(shortText);
  } catch (const Exception&) {
    raised = true;
  }
  if (!raised) {
    std::string plain = text;
    int substitutions = 0;
    bool finished = false;
    try {
      finished = ExpandPlainly(set, plain, substitutions);
    } catch (const Exception&) {
    }
    if (finished && plain != expanded) {
      std::fprintf(stderr, "expansion differs from the plain reading\n");
      std::abort();
    }
  }
  DefaultMacros->Clear();
  return 0;
}
