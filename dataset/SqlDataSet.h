// The SQLite engine of the dataset layer: a connection to a database file (or ":memory:"), a
// query dataset over a SELECT statement and a table dataset over a whole table. Rows are read
// lazily through one prepared statement; edits are written back with parameterised
// statements keyed by the table's primary key (the rowid when it has none). Texts are UTF-8
// in the database and GBK in the fields. Single-threaded.
#pragma once

#include <string>
#include <vector>

#include "runtime/DataSet.h"

struct sqlite3;
struct sqlite3_stmt;

namespace qnexp {

class TSqlDataSet;

// A connection to one SQLite database.
class TSqlConnection : public TCustomConnection {
public:
  // Opens (creating when missing) the database file at path (GBK; ":memory:" for a private
  // in-memory database). Raises EDatabaseError with the engine's message when it cannot.
  explicit TSqlConnection(const std::string& path);
  // Closes every dataset still open on it, then the database.
  ~TSqlConnection() override;

  bool Connected() const override { return Db != nullptr; }
  void Disconnect() override;
  std::string DatabaseName() const override { return Path; }

  // Runs every statement of sql in order, outside any transaction of its own. Raises
  // EDatabaseError "<engine message> in: <statement>" at the first failing statement.
  void ExecSQL(const std::string& sql);
  // Runs every statement of script in one transaction: all of them take effect, or, when one
  // fails, none (rolled back) and EDatabaseError names the failing statement.
  void ExecuteScript(const std::string& script);

  // The open database; raises EDatabaseError "Not connected to the database" when
  // disconnected.
  sqlite3* Handle() const;

private:
  friend class TSqlDataSet;
  void RunStatements(const std::string& sql);
  sqlite3* Db = nullptr;
  std::string Path;
  std::vector<TSqlDataSet*> DataSets;
};

// What the query and table datasets share: reading through a statement and writing back.
class TSqlDataSet : public TDataSet {
public:
  explicit TSqlDataSet(TSqlConnection& connection);
  ~TSqlDataSet() override;
  // The connection, or null once it has been destroyed.
  TSqlConnection* Connection() const { return Link; }

protected:
  // The SELECT statement to run (UTF-8 is not involved: GBK, converted here).
  virtual std::string SelectText() const = 0;
  // Table datasets read the rowid as a hidden value when the table has no primary key.
  virtual bool ReadsRowid() const { return false; }
  void DoOpen() override;
  bool FetchRow(TRow& row) override;
  void DoClose() override;
  bool CanModify() const override { return !WriteTable.empty(); }
  void WriteRow(const TRow* old, TRow& row) override;

  // Decides WriteTable and KeyColumns from the statement's columns.
  void FindWriteTarget();

  std::string WriteTable;               // the table edits go to; empty when read-only
  std::vector<int> KeyFields;           // field indexes of the primary key
  std::vector<std::string> ColumnNames; // the table's column names behind each field

private:
  friend class TSqlConnection;
  void Finish();
  sqlite3_stmt* Statement = nullptr;
  bool PendingRow = false;  // the first row was stepped while opening
  bool RowidKey = false;
  TSqlConnection* Link;
};

// A dataset over a SELECT statement (property "SQL"). Editable when every column comes from
// one table and the columns include that table's whole primary key.
class TSqlQuery : public TSqlDataSet {
public:
  using TSqlDataSet::TSqlDataSet;
  ~TSqlQuery() override { Close(); }
  std::string StatementProperty() const override { return "SQL"; }
  std::string GetStatement() const override { return Sql; }
  void SetStatement(const std::string& text) override;

protected:
  std::string SelectText() const override { return Sql; }

private:
  std::string Sql;
};

// A dataset over one whole table (property "TableName"); editable unless it is a view.
class TSqlTable : public TSqlDataSet {
public:
  using TSqlDataSet::TSqlDataSet;
  ~TSqlTable() override { Close(); }
  std::string StatementProperty() const override { return "TableName"; }
  std::string GetStatement() const override { return Table; }
  void SetStatement(const std::string& text) override;

protected:
  std::string SelectText() const override;
  bool ReadsRowid() const override { return UseRowid; }
  void DoOpen() override;

private:
  std::string Table;
  bool UseRowid = false;
};

// The field type for a column's declared type (DATE, VARCHAR(20), ...); size gets a string
// length (0 when none). An empty declaration gives ftUnknown.
TFieldType SqliteFieldType(const std::string& declared, int& size);

// Quotes a name as an SQL identifier ("a""b").
std::string QuoteIdentifier(const std::string& name);

// UTF-8 from the database to GBK: a character GBK cannot hold, or a broken sequence, becomes
// "?".
std::string DatabaseTextToGbk(const std::string& utf8);

}  // namespace qnexp
