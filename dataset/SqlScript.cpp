// The statement splitter: a scan that knows where a semicolon ends a statement.
#include "dataset/SqlScript.h"

#include <cctype>

namespace qnexp {

namespace {

bool IsWordChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
         static_cast<unsigned char>(c) >= 0x80;
}

// The position after a literal or identifier quoted by quote that opens at i.
size_t SkipQuoted(const std::string& s, size_t i, char quote, bool backslashEscapes) {
  for (++i; i < s.size(); ++i) {
    if (backslashEscapes && s[i] == '\\') {
      ++i;
    } else if (s[i] == quote) {
      if (i + 1 < s.size() && s[i + 1] == quote)
        ++i;  // a doubled quote stands for itself
      else
        return i + 1;
    }
  }
  return s.size();
}

size_t SkipBlockComment(const std::string& s, size_t i) {
  int depth = 0;
  while (i < s.size()) {
    if (s.compare(i, 2, "/*") == 0) {
      ++depth;
      i += 2;
    } else if (s.compare(i, 2, "*/") == 0) {
      i += 2;
      if (--depth == 0) return i;
    } else {
      ++i;
    }
  }
  return s.size();
}

// "$tag$" opening at i, or empty when the dollar sign starts no such tag (a parameter such as
// $1, or part of a name).
std::string DollarTag(const std::string& s, size_t i) {
  if (i > 0 && IsWordChar(s[i - 1])) return {};
  size_t j = i + 1;
  if (j < s.size() && s[j] >= '0' && s[j] <= '9') return {};
  while (j < s.size() && IsWordChar(s[j]) && s[j] != '$') ++j;
  if (j >= s.size() || s[j] != '$') return {};
  return s.substr(i, j - i + 1);
}

void Keep(const std::string& s, size_t from, size_t to, std::vector<std::string>& out) {
  while (from < to && std::isspace(static_cast<unsigned char>(s[from]))) ++from;
  while (to > from && std::isspace(static_cast<unsigned char>(s[to - 1]))) --to;
  if (to > from) out.push_back(s.substr(from, to - from));
}

}  // namespace

std::vector<std::string> SplitStatements(const std::string& script) {
  std::vector<std::string> statements;
  const std::string& s = script;
  size_t start = 0;
  size_t i = 0;
  while (i < s.size()) {
    char c = s[i];
    if (c == '\'') {
      bool escapes = i > 0 && (s[i - 1] == 'E' || s[i - 1] == 'e') &&
                     (i < 2 || !IsWordChar(s[i - 2]));
      i = SkipQuoted(s, i, '\'', escapes);
    } else if (c == '"') {
      i = SkipQuoted(s, i, '"', false);
    } else if (s.compare(i, 2, "--") == 0) {
      size_t end = s.find('\n', i);
      i = end == std::string::npos ? s.size() : end + 1;
    } else if (s.compare(i, 2, "/*") == 0) {
      i = SkipBlockComment(s, i);
    } else if (c == '$') {
      std::string tag = DollarTag(s, i);
      if (tag.empty()) {
        ++i;
      } else {
        size_t end = s.find(tag, i + tag.size());
        i = end == std::string::npos ? s.size() : end + tag.size();
      }
    } else if (c == ';') {
      Keep(s, start, i, statements);
      start = ++i;
    } else {
      ++i;
    }
  }
  Keep(s, start, s.size(), statements);
  return statements;
}

}  // namespace qnexp
