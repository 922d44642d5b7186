// The SQLite engine: statements prepared one at a time, a cursor that steps one statement,
// column types from declarations (or the first row's values), and the rowid for tables
// without a primary key.
#include <sqlite3.h>

#include <algorithm>

#include "dataset/SqlEngine.h"
#include "runtime/Format.h"
#include "runtime/Gbk.h"

namespace qnexp {

namespace {

std::string Upper(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

std::string Message(sqlite3* db) { return DatabaseTextToGbk(db ? sqlite3_errmsg(db) : "out of memory"); }

[[noreturn]] void Fail(sqlite3* db, const std::string& context = {}) {
  std::string message = Message(db);
  if (!context.empty()) message += " in: " + context;
  throw EDatabaseError(message);
}

// Owns a prepared statement for the length of a scope.
struct TStatement {
  sqlite3_stmt* Stmt = nullptr;
  TStatement(sqlite3* db, const std::string& utf8) {
    if (sqlite3_prepare_v2(db, utf8.c_str(), static_cast<int>(utf8.size()), &Stmt, nullptr) !=
        SQLITE_OK)
      Fail(db, DatabaseTextToGbk(utf8));
  }
  ~TStatement() { sqlite3_finalize(Stmt); }
  TStatement(const TStatement&) = delete;
  TStatement& operator=(const TStatement&) = delete;
  void BindText(int index, const std::string& utf8) {
    sqlite3_bind_text(Stmt, index, utf8.c_str(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
  }
};

std::string ColumnText(sqlite3_stmt* stmt, int i) {
  const unsigned char* text = sqlite3_column_text(stmt, i);
  return std::string(reinterpret_cast<const char*>(text), sqlite3_column_bytes(stmt, i));
}

// Column i of the current row as a value of a field of the given type.
void ReadColumn(sqlite3_stmt* stmt, int i, TFieldType type, TFieldValue& value) {
  int kind = sqlite3_column_type(stmt, i);
  if (kind == SQLITE_NULL) {
    value = std::monostate{};
  } else if (type == ftBlob) {
    const void* bytes = sqlite3_column_blob(stmt, i);
    value = std::string(static_cast<const char*>(bytes), sqlite3_column_bytes(stmt, i));
  } else if (IsDateType(type)) {
    double day = 0;
    if (kind == SQLITE_TEXT) {
      std::string text = ColumnText(stmt, i);
      if (ParseIsoDateTime(text, day))
        value.emplace<double>(day);
      else
        value.emplace<std::string>(DatabaseTextToGbk(text));
    } else {
      value = sqlite3_column_double(stmt, i);
    }
  } else if (IsWholeType(type) && kind == SQLITE_INTEGER) {
    value = static_cast<int64_t>(sqlite3_column_int64(stmt, i));
  } else if ((IsWholeType(type) || IsRealType(type)) && kind != SQLITE_TEXT) {
    value = sqlite3_column_double(stmt, i);
  } else {
    value = DatabaseTextToGbk(ColumnText(stmt, i));
  }
}

void Bind(sqlite3* db, sqlite3_stmt* stmt, int index, const TSqlParam& param) {
  const TFieldValue& value = *param.Value;
  int rc;
  if (std::holds_alternative<std::monostate>(value)) {
    rc = sqlite3_bind_null(stmt, index);
  } else if (auto* i = std::get_if<int64_t>(&value)) {
    rc = sqlite3_bind_int64(stmt, index, *i);
  } else if (auto* r = std::get_if<double>(&value)) {
    if (IsDateType(param.Type)) {
      std::string iso = IsoText(param.Type, *r);
      rc = sqlite3_bind_text(stmt, index, iso.c_str(), static_cast<int>(iso.size()),
                             SQLITE_TRANSIENT);
    } else {
      rc = sqlite3_bind_double(stmt, index, *r);
    }
  } else {
    const std::string& bytes = std::get<std::string>(value);
    if (param.Type == ftBlob) {
      rc = sqlite3_bind_blob(stmt, index, bytes.data(), static_cast<int>(bytes.size()),
                             SQLITE_TRANSIENT);
    } else {
      std::string utf8 = GbkToUtf8(bytes);
      rc = sqlite3_bind_text(stmt, index, utf8.c_str(), static_cast<int>(utf8.size()),
                             SQLITE_TRANSIENT);
    }
  }
  if (rc != SQLITE_OK) Fail(db);
}

class TSqliteCursor : public TSqlCursor {
public:
  TSqliteCursor(sqlite3* db, const std::string& sql) : Db(db) {
    std::string utf8 = GbkToUtf8(sql);
    if (sqlite3_prepare_v2(db, utf8.c_str(), static_cast<int>(utf8.size()), &Stmt, nullptr) !=
        SQLITE_OK)
      Fail(db);
    if (!Stmt) throw EDatabaseError("The statement is empty");
    if (sqlite3_column_count(Stmt) == 0 || !sqlite3_stmt_readonly(Stmt)) {
      sqlite3_finalize(Stmt);
      throw EDatabaseError("The statement does not return rows");
    }
    // The first row is stepped now: columns without a declared type take the type of its
    // value.
    int rc = sqlite3_step(Stmt);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
      std::string message = Message(db);
      sqlite3_finalize(Stmt);
      throw EDatabaseError(message);
    }
    Pending = rc == SQLITE_ROW;
    for (int i = 0; i < sqlite3_column_count(Stmt); ++i) Described.push_back(Describe(i));
    if (!Pending) Finish();
  }
  ~TSqliteCursor() override { Finish(); }

  const std::vector<TSqlColumn>& Columns() const override { return Described; }

  bool Fetch(TRow& row) override {
    if (!Stmt) return false;
    if (!Pending) {
      int rc = sqlite3_step(Stmt);
      if (rc == SQLITE_DONE) {
        Finish();
        return false;
      }
      if (rc != SQLITE_ROW) {
        std::string message = Message(Db);
        Finish();
        throw EDatabaseError(message);
      }
    }
    Pending = false;
    for (size_t i = 0; i < Described.size(); ++i)
      ReadColumn(Stmt, static_cast<int>(i), Described[i].Type, row[i]);
    return true;
  }

private:
  TSqlColumn Describe(int i) {
    TSqlColumn column;
    column.Name = DatabaseTextToGbk(sqlite3_column_name(Stmt, i));
    const char* declared = sqlite3_column_decltype(Stmt, i);
    column.Type = SqliteFieldType(declared ? declared : "", column.Size);
    if (column.Type == ftUnknown) {
      switch (Pending ? sqlite3_column_type(Stmt, i) : SQLITE_TEXT) {
        case SQLITE_INTEGER: column.Type = ftInteger; break;
        case SQLITE_FLOAT: column.Type = ftFloat; break;
        case SQLITE_BLOB: column.Type = ftBlob; break;
        default: column.Type = ftMemo; break;
      }
    }
    const char* table = sqlite3_column_table_name(Stmt, i);
    const char* origin = sqlite3_column_origin_name(Stmt, i);
    if (table && origin) {
      column.Table = DatabaseTextToGbk(table);
      column.Origin = DatabaseTextToGbk(origin);
    }
    return column;
  }

  void Finish() {
    sqlite3_finalize(Stmt);
    Stmt = nullptr;
    Pending = false;
  }

  sqlite3* Db;
  sqlite3_stmt* Stmt = nullptr;
  bool Pending = false;
  std::vector<TSqlColumn> Described;
};

class TSqliteEngine : public TSqlEngine {
public:
  explicit TSqliteEngine(const std::string& path) {
    std::string file = GbkToUtf8(path);
    // A connection is used by one thread: SQLite need not lock it on every call.
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
    if (sqlite3_open_v2(file.c_str(), &Db, flags, nullptr) != SQLITE_OK) {
      std::string message = Message(Db);
      sqlite3_close_v2(Db);
      Db = nullptr;
      throw EDatabaseError(Format("Cannot open database '%s': %s", {path, message}));
    }
    sqlite3_busy_timeout(Db, 5000);
  }
  ~TSqliteEngine() override { Disconnect(); }

  bool Connected() const override { return Db != nullptr; }
  void Disconnect() override {
    sqlite3_close_v2(Db);
    Db = nullptr;
  }

  void ExecSQL(const std::string& sql) override { RunStatements(sql); }

  void ExecuteScript(const std::string& script) override {
    sqlite3* db = Handle();
    if (sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK) Fail(db);
    try {
      RunStatements(script);
    } catch (...) {
      sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
      throw;
    }
    if (sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) {
      std::string message = Message(db);
      sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
      throw EDatabaseError(message);
    }
  }

  std::unique_ptr<TSqlCursor> Select(const std::string& sql) override {
    return std::make_unique<TSqliteCursor>(Handle(), sql);
  }

  TTableShape DescribeTable(const std::string& table) override {
    sqlite3* db = Handle();
    std::string name = GbkToUtf8(table);
    TTableShape shape;
    std::vector<std::pair<int, std::string>> key;
    {
      TStatement info(db, "SELECT name, pk FROM pragma_table_info(?1)");
      info.BindText(1, name);
      int rc;
      while ((rc = sqlite3_step(info.Stmt)) == SQLITE_ROW) {
        shape.Columns.push_back(DatabaseTextToGbk(ColumnText(info.Stmt, 0)));
        if (int pk = sqlite3_column_int(info.Stmt, 1)) key.emplace_back(pk, shape.Columns.back());
      }
      if (rc != SQLITE_DONE) Fail(db);
    }
    std::sort(key.begin(), key.end());
    for (auto& [order, column] : key) shape.Key.push_back(column);
    TStatement kind(db, "SELECT 1 FROM sqlite_schema WHERE type = 'view' AND name = ?1");
    kind.BindText(1, name);
    shape.View = sqlite3_step(kind.Stmt) == SQLITE_ROW;
    return shape;
  }

  std::string RowIdentity() const override { return "rowid"; }
  std::string Placeholder(int n) const override { return "?" + std::to_string(n); }
  // IS, because SQLite lets a key that is not an INTEGER PRIMARY KEY hold nulls.
  std::string KeyMatch(const std::string& column, int n) const override {
    return column + " IS " + Placeholder(n);
  }

  int64_t Write(const std::string& sql, const std::vector<TSqlParam>& params,
                const std::vector<TFieldType>& returnedTypes, TRow& returned) override {
    sqlite3* db = Handle();
    TStatement stmt(db, GbkToUtf8(sql));
    for (size_t i = 0; i < params.size(); ++i)
      Bind(db, stmt.Stmt, static_cast<int>(i + 1), params[i]);
    int rc = sqlite3_step(stmt.Stmt);
    if (rc == SQLITE_ROW) {
      returned.resize(returnedTypes.size());
      for (size_t i = 0; i < returnedTypes.size(); ++i)
        ReadColumn(stmt.Stmt, static_cast<int>(i), returnedTypes[i], returned[i]);
      while ((rc = sqlite3_step(stmt.Stmt)) == SQLITE_ROW) {
      }
    }
    if (rc != SQLITE_DONE) Fail(db);
    return sqlite3_changes(db);
  }

  sqlite3* Handle() const {
    if (!Db) throw EDatabaseError("Not connected to the database");
    return Db;
  }

private:
  void RunStatements(const std::string& sql) {
    sqlite3* db = Handle();
    std::string utf8 = GbkToUtf8(sql);
    const char* rest = utf8.c_str();
    while (*rest) {
      sqlite3_stmt* stmt = nullptr;
      const char* tail = nullptr;
      while (*rest == ' ' || *rest == '\t' || *rest == '\r' || *rest == '\n') ++rest;
      if (sqlite3_prepare_v2(db, rest, -1, &stmt, &tail) != SQLITE_OK)
        Fail(db, DatabaseTextToGbk(rest));
      std::string text(rest, tail);
      rest = tail;
      if (!stmt) continue;  // only blanks or comments
      int rc;
      while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
      }
      sqlite3_finalize(stmt);
      if (rc != SQLITE_DONE) Fail(db, DatabaseTextToGbk(text));
    }
  }

  sqlite3* Db = nullptr;
};

}  // namespace

TFieldType SqliteFieldType(const std::string& declared, int& size) {
  size = 0;
  std::string text = Upper(declared);
  size_t open = text.find('(');
  std::string base = text.substr(0, open);
  while (!base.empty() && base.back() == ' ') base.pop_back();
  while (!base.empty() && base.front() == ' ') base.erase(0, 1);
  if (open != std::string::npos) size = std::max(0, std::atoi(text.c_str() + open + 1));
  if (base.empty()) return ftUnknown;
  if (base == "INT" || base == "INTEGER") return ftInteger;
  if (base == "SMALLINT") return ftSmallint;
  if (base == "BIGINT") return ftLargeint;
  if (base == "BOOLEAN" || base == "BOOL") return ftBoolean;
  if (base == "REAL" || base == "FLOAT" || base == "DOUBLE" || base == "DOUBLE PRECISION")
    return ftFloat;
  if (base == "NUMERIC" || base == "DECIMAL") return ftBCD;
  if (base == "MONEY") return ftCurrency;
  if (base == "DATE") return ftDate;
  if (base == "TIME") return ftTime;
  if (base == "DATETIME" || base == "TIMESTAMP") return ftDateTime;
  if (base == "TEXT") return ftMemo;
  if (base == "BLOB") return ftBlob;
  if (base == "CHAR" || base == "VARCHAR" || base == "NCHAR" || base == "NVARCHAR" ||
      base == "CHARACTER" || base == "VARYING CHARACTER")
    return ftString;
  // SQLite's affinity rules for other names.
  if (base.find("INT") != std::string::npos) return ftInteger;
  if (base.find("CHAR") != std::string::npos || base.find("CLOB") != std::string::npos ||
      base.find("TEXT") != std::string::npos)
    return size > 0 ? ftString : ftMemo;
  if (base.find("BLOB") != std::string::npos) return ftBlob;
  if (base.find("REAL") != std::string::npos || base.find("FLOA") != std::string::npos ||
      base.find("DOUB") != std::string::npos)
    return ftFloat;
  return ftBCD;
}

std::unique_ptr<TSqlEngine> OpenSqlite(const std::string& path) {
  return std::make_unique<TSqliteEngine>(path);
}

sqlite3* SqliteHandle(TSqlEngine& engine) {
  auto* sqlite = dynamic_cast<TSqliteEngine*>(&engine);
  if (!sqlite) throw EDatabaseError("The database is not a SQLite database");
  return sqlite->Handle();
}

}  // namespace qnexp
