// DetectSqlType, the SQL tokenizer and GetTableNameFromSQL.
#include "dbfunctions/SqlText.h"

#include <cctype>

#include "runtime/GbkChars.h"

namespace qnexp {

namespace {

bool IsNameStart(unsigned char c) { return std::isalpha(c) || c == '_' || c >= 0x80; }
bool IsNamePart(unsigned char c) {
  return std::isalnum(c) || c == '_' || c == '$' || c >= 0x80;
}

bool IsKeyword(const std::string& upper) {
  static const char* const keywords[] = {"SELECT", "FROM",  "WHERE", "GROUP", "HAVING",
                                         "UNION",  "PLAN",  "ORDER", "FOR",   "BY",
                                         "UPDATE", "JOIN",  "INNER", "LEFT",  "RIGHT",
                                         "OUTER",  "ON",    "AS",    "LIMIT", "INTERSECT",
                                         "EXCEPT", "CROSS", "FULL",  "NATURAL"};
  for (const char* keyword : keywords)
    if (upper == keyword) return true;
  return false;
}

}  // namespace

TSqlStmtType DetectSqlType(const std::string& sql) {
  auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == 0; };
  std::string text = sql;
  auto strip = [&] {
    size_t i = 0;
    while (i < text.size() && isBlank(text[i])) ++i;
    text.erase(0, i);
  };
  strip();
  while (text.compare(0, 2, "/*") == 0) {
    size_t end = text.find("*/", 2);
    if (end == std::string::npos) {
      text.clear();
    } else {
      text.erase(0, end + 2);
      strip();
    }
  }
  size_t stop = 0;
  while (stop < text.size() && static_cast<unsigned char>(text[stop]) > 32) ++stop;
  return UpperCase(text.substr(0, stop)) == "SELECT" ? sstSelect : sstNotSelect;
}

namespace {

// The text of a quoted run whose opening quote is at pos, up to close (or the end); pos moves
// past it. With doubled, a doubled close stands for one. Characters are taken whole, so the
// second byte of a GBK character is never taken for the close.
void ReadQuoted(const std::string& sql, size_t& pos, char close, bool doubled, std::string& text) {
  ++pos;
  while (pos < sql.size()) {
    if (sql[pos] == close) {
      if (doubled && pos + 1 < sql.size() && sql[pos + 1] == close) {
        text += close;
        pos += 2;
        continue;
      }
      ++pos;
      return;
    }
    size_t size = CharSize(sql, pos);
    text.append(sql, pos, size);
    pos += size;
  }
}

}  // namespace

TSQLToken NextSQLToken(const std::string& sql, size_t& pos, std::string& text) {
  text.clear();
  while (pos < sql.size() && static_cast<unsigned char>(sql[pos]) <= 32) ++pos;
  if (pos >= sql.size()) return stEnd;
  size_t start = pos;
  unsigned char c = static_cast<unsigned char>(sql[pos]);
  if (c == '-' && pos + 1 < sql.size() && sql[pos + 1] == '-') {
    size_t end = sql.find('\n', pos);
    pos = end == std::string::npos ? sql.size() : end + 1;
    text = sql.substr(start, pos - start);
    return stComment;
  }
  if (c == '/' && pos + 1 < sql.size() && sql[pos + 1] == '*') {
    size_t end = sql.find("*/", pos + 2);
    pos = end == std::string::npos ? sql.size() : end + 2;
    text = sql.substr(start, pos - start);
    return stComment;
  }
  if (c == '\'') {
    ReadQuoted(sql, pos, '\'', true, text);
    return stString;
  }
  TSQLToken kind;
  if (c == '"' || c == '[') {
    ReadQuoted(sql, pos, c == '"' ? '"' : ']', c == '"', text);
    kind = stQuotedSymbol;
  } else if (IsNameStart(c)) {
    while (pos < sql.size() && IsNamePart(static_cast<unsigned char>(sql[pos]))) {
      pos += CharSize(sql, pos);  // a GBK character's second byte may look like anything
    }
    text = sql.substr(start, pos - start);
    kind = IsKeyword(UpperCase(text)) ? stKeyword : stSymbol;
  } else if (std::isdigit(c)) {
    while (pos < sql.size() && (std::isalnum(static_cast<unsigned char>(sql[pos])) || sql[pos] == '.'))
      ++pos;
    text = sql.substr(start, pos - start);
    return stNumber;
  } else {
    ++pos;
    text = sql.substr(start, 1);
    return stOther;
  }
  if (kind != stKeyword && pos < sql.size() && sql[pos] == '.') {
    ++pos;
    return stQualifier;
  }
  return kind;
}

std::string GetTableNameFromSQL(const std::string& sql) {
  size_t pos = 0;
  std::string text, result;
  bool inFrom = false;
  for (;;) {
    TSQLToken token = NextSQLToken(sql, pos, text);
    if (token == stEnd) break;
    if (token == stComment) continue;
    if (!inFrom) {
      if (token == stKeyword && UpperCase(text) == "FROM") inFrom = true;
      continue;
    }
    if (token == stQualifier) {
      // The first part of "schema.table": the next name completes it.
      result = UpperCase(text);
      std::string next;
      TSQLToken second;
      do second = NextSQLToken(sql, pos, next);
      while (second == stComment);
      if (second == stSymbol || second == stQuotedSymbol) result += "." + UpperCase(next);
      break;
    }
    if (token == stSymbol || token == stQuotedSymbol) result = UpperCase(text);
    break;  // the name, or another clause, ends the scan
  }
  return result;
}

}  // namespace qnexp
