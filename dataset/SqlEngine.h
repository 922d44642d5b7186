// What the SQL datasets ask of a database engine: run statements and scripts, open a SELECT
// as a cursor read row by row, describe a table, and run one parameterised write. Two engines
// implement it: SQLite (a file or ":memory:") and PostgreSQL (a server, through libpq). Texts
// given to and returned by an engine are GBK; the engine converts to and from the database's
// UTF-8.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "runtime/DataSet.h"

struct sqlite3;

namespace qnexp {

// One column of a cursor.
struct TSqlColumn {
  std::string Name;
  TFieldType Type = ftUnknown;
  int Size = 0;
  // The table and the table's column the values come from; empty for an expression.
  std::string Table;
  std::string Origin;
};

// An open SELECT. Fetch fills one value per column (by the column's type) and returns false
// at the end; it raises the engine's error when reading fails.
class TSqlCursor {
public:
  virtual ~TSqlCursor() = default;
  virtual const std::vector<TSqlColumn>& Columns() const = 0;
  virtual bool Fetch(TRow& row) = 0;
};

// A table's columns in declaration order and its primary key in key order. Missing tables
// have no columns.
struct TTableShape {
  std::vector<std::string> Columns;
  std::vector<std::string> Key;
  bool View = false;
};

// A value bound to a write statement, with the type of the field it is written to.
struct TSqlParam {
  TFieldType Type;
  const TFieldValue* Value;
};

class TSqlEngine {
public:
  virtual ~TSqlEngine() = default;
  virtual bool Connected() const = 0;
  virtual void Disconnect() = 0;
  // Runs each statement of sql in turn, each committed on its own. Raises EDatabaseError
  // "<engine message> in: <statement>" at the first failing one.
  virtual void ExecSQL(const std::string& sql) = 0;
  // Runs the statements of script in one transaction; the first failing one rolls all of them
  // back and raises as ExecSQL does.
  virtual void ExecuteScript(const std::string& script) = 0;
  // Starts a SELECT; raises the engine's error for bad SQL, and "The statement does not
  // return rows" for a statement that is not a query.
  virtual std::unique_ptr<TSqlCursor> Select(const std::string& sql) = 0;
  virtual TTableShape DescribeTable(const std::string& table) = 0;
  // The hidden column that identifies a row of a table without a primary key ("rowid"), or
  // empty when the engine has none (such tables are then read-only).
  virtual std::string RowIdentity() const = 0;
  // The text of the n-th (1-based) parameter in a statement.
  virtual std::string Placeholder(int n) const = 0;
  // The condition that a key column (quoted) equals the n-th parameter.
  virtual std::string KeyMatch(const std::string& column, int n) const = 0;
  // Runs one INSERT, UPDATE or DELETE with its parameters and returns the number of rows it
  // changed. With a RETURNING clause, the first returned row is stored in returned, one value
  // per type in returnedTypes.
  virtual int64_t Write(const std::string& sql, const std::vector<TSqlParam>& params,
                        const std::vector<TFieldType>& returnedTypes, TRow& returned) = 0;
};

// "postgresql://...", "postgres://..." or keyword texts ("host=... dbname=...") name a
// PostgreSQL server; anything else is a SQLite file.
bool IsServerText(const std::string& text);

// Opens a SQLite database file (GBK path; created when missing; ":memory:" for a private one).
std::unique_ptr<TSqlEngine> OpenSqlite(const std::string& path);
// The open SQLite database of a SQLite engine (EDatabaseError for another engine or when
// disconnected).
sqlite3* SqliteHandle(TSqlEngine& engine);
// The field type for a SQLite column's declared type (DATE, VARCHAR(20), ...); size gets a
// string length (0 when none). An empty declaration gives ftUnknown.
TFieldType SqliteFieldType(const std::string& declared, int& size);
// Connects to a PostgreSQL server; user and password, when not empty, override the text's.
std::unique_ptr<TSqlEngine> OpenPostgres(const std::string& text, const std::string& user,
                                         const std::string& password);

// --- What both engines share -----------------------------------------------------------------

// Quotes a name as an SQL identifier ("a""b").
std::string QuoteIdentifier(const std::string& name);

// UTF-8 from the database to GBK: a character GBK cannot hold, or a broken sequence, becomes
// "?".
std::string DatabaseTextToGbk(const std::string& utf8);

inline bool IsDateType(TFieldType t) { return t == ftDate || t == ftTime || t == ftDateTime; }
inline bool IsWholeType(TFieldType t) {
  return t == ftSmallint || t == ftInteger || t == ftWord || t == ftBoolean || t == ftAutoInc ||
         t == ftLargeint;
}
inline bool IsRealType(TFieldType t) { return t == ftFloat || t == ftCurrency || t == ftBCD; }

// ISO 8601 texts ("2024-03-05", "14:07:09", "2024-03-05 14:07:09[.zzz]", "T" allowed as the
// separator) as day numbers; false for anything else.
bool ParseIsoDateTime(const std::string& text, double& result);
// The ISO text a database keeps for a date, time or date-time value.
std::string IsoText(TFieldType type, double value);

}  // namespace qnexp
