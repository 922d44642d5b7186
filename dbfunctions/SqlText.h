// Small SQL utilities for hosts and the database functions: telling a SELECT from other
// statements, reading the table a statement selects from, and the tokenizer both rest on.
#pragma once

#include <cstdint>
#include <string>

namespace qnexp {

enum TSqlStmtType : uint8_t { sstDetect = 0, sstSelect = 1, sstNotSelect = 2 };

// sstSelect when the first word, after blanks, control characters up to CR and closed
// /* */ comments, is SELECT in any case; otherwise sstNotSelect (an empty text and a text that
// starts with an unclosed comment included).
TSqlStmtType DetectSqlType(const std::string& sql);

enum TSQLToken : uint8_t {
  stEnd,           // nothing more
  stSymbol,        // a word that is not a keyword: a table or field name
  stQualifier,     // a name followed by "." (the first part of a qualified name)
  stQuotedSymbol,  // "name" or [name]; Text is the name without the quotes
  stString,        // 'text' with '' inside; Text without the quotes
  stNumber,
  stComment,       // -- to the end of the line, or /* */ (an unclosed one runs to the end)
  stOther,         // punctuation and operators, one character
  stKeyword,       // SELECT FROM WHERE GROUP HAVING UNION PLAN ORDER FOR BY UPDATE ...
};

// Reads the token at pos (0-based, moved past it) and returns its kind with its text.
// Never reads beyond the end of sql; an unclosed quote runs to the end.
TSQLToken NextSQLToken(const std::string& sql, size_t& pos, std::string& text);

// The upper-cased table name after FROM ("SCHEMA.TABLE" for a qualified one), or empty when
// the statement has no FROM clause.
std::string GetTableNameFromSQL(const std::string& sql);

}  // namespace qnexp
