// The datasets of the data layer: a connection to a SQLite file (or ":memory:") or to a
// PostgreSQL server, a query dataset over a SELECT statement and a table dataset over a whole
// table. Rows are read lazily through the engine's cursor; edits are written back with
// parameterised statements keyed by the table's primary key (SQLite: the rowid when it has
// none). Texts are UTF-8 in the database and GBK in the fields. Single-threaded.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "dataset/SqlEngine.h"
#include "runtime/DataSet.h"

namespace qnexp {

class TSqlDataSet;

// A connection to one database.
class TSqlConnection : public TCustomConnection {
public:
  // Opens the database text names: a PostgreSQL connection text ("postgresql://..." or
  // "host=... dbname=..."; user and password, when given, override the text's), else a SQLite
  // file path (GBK; created when missing; ":memory:" for a private in-memory database).
  // Raises EDatabaseError with the engine's message when it cannot.
  explicit TSqlConnection(const std::string& text, const std::string& user = {},
                          const std::string& password = {});
  // Closes every dataset still open on it, then the database.
  ~TSqlConnection() override;

  bool Connected() const override { return Db && Db->Connected(); }
  void Disconnect() override;
  std::string DatabaseName() const override { return Text; }

  // Runs every statement of sql in order, outside any transaction of its own. Raises
  // EDatabaseError "<engine message> in: <statement>" at the first failing statement.
  void ExecSQL(const std::string& sql) { Engine().ExecSQL(sql); }
  // Runs every statement of script in one transaction: all of them take effect, or, when one
  // fails, none (rolled back) and EDatabaseError names the failing statement.
  void ExecuteScript(const std::string& script) { Engine().ExecuteScript(script); }

  // The engine; raises EDatabaseError "Not connected to the database" when disconnected.
  TSqlEngine& Engine() const;
  // The open SQLite database (EDatabaseError for a PostgreSQL connection).
  sqlite3* Handle() const { return SqliteHandle(Engine()); }

private:
  friend class TSqlDataSet;
  std::unique_ptr<TSqlEngine> Db;
  std::string Text;
  std::vector<TSqlDataSet*> DataSets;
};

// What the query and table datasets share: reading through a cursor and writing back.
class TSqlDataSet : public TDataSet {
public:
  explicit TSqlDataSet(TSqlConnection& connection);
  ~TSqlDataSet() override;
  // The connection, or null once it has been destroyed.
  TSqlConnection* Connection() const { return Link; }

protected:
  // The SELECT statement to run (GBK).
  virtual std::string SelectText() const = 0;
  // Table datasets read the engine's row identity as a hidden last column when the table has
  // no primary key.
  virtual bool ReadsRowid() const { return false; }
  void DoOpen() override;
  bool FetchRow(TRow& row) override;
  void DoClose() override;
  bool CanModify() const override { return !WriteTable.empty(); }
  void WriteRow(const TRow* old, TRow& row) override;

  TSqlEngine& Engine() const;

  std::string WriteTable;               // the table edits go to; empty when read-only
  std::vector<int> KeyFields;           // field indexes of the primary key
  std::vector<std::string> ColumnNames; // the table's column names behind each field

private:
  friend class TSqlConnection;
  // Decides WriteTable, KeyFields and ColumnNames from the columns' origins.
  void FindWriteTarget();
  std::unique_ptr<TSqlCursor> Cursor;
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

// A dataset over one whole table (property "TableName"); editable unless it is a view, or a
// PostgreSQL table without a primary key.
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
  std::vector<std::string> Key;
  bool UseRowid = false;
};

}  // namespace qnexp
