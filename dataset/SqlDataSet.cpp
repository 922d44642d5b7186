// The SQLite connection and datasets: statements, lazy reading, type mapping, text conversion
// and parameterised write-back.
#include "dataset/SqlDataSet.h"

#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

#include "runtime/DateTime.h"
#include "runtime/Format.h"
#include "runtime/Gbk.h"

namespace qnexp {

namespace {

constexpr const char* kNotConnected = "Not connected to the database";

std::string Upper(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

[[noreturn]] void Fail(sqlite3* db, const std::string& context = {}) {
  std::string message = DatabaseTextToGbk(db ? sqlite3_errmsg(db) : "out of memory");
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
};

bool IsDate(TFieldType t) { return t == ftDate || t == ftTime || t == ftDateTime; }
bool IsWhole(TFieldType t) {
  return t == ftSmallint || t == ftInteger || t == ftWord || t == ftBoolean || t == ftAutoInc ||
         t == ftLargeint;
}
bool IsReal(TFieldType t) { return t == ftFloat || t == ftCurrency || t == ftBCD; }

// ISO 8601 texts ("2024-03-05", "14:07:09", "2024-03-05 14:07:09[.zzz]", "T" allowed as the
// separator) as day numbers; false for anything else.
bool ParseIsoDateTime(const std::string& text, double& result) {
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, ms = 0, used = 0;
  TDateTime date = 0, time = 0;
  const char* p = text.c_str();
  if (std::sscanf(p, "%4d-%2d-%2d%n", &y, &mo, &d, &used) == 3) {
    if (!TryEncodeDate(y, mo, d, date)) return false;
    p += used;
    if (*p == 0) {
      result = date;
      return true;
    }
    if (*p != ' ' && *p != 'T') return false;
    ++p;
  }
  used = 0;
  int n = std::sscanf(p, "%2d:%2d:%2d%n", &h, &mi, &s, &used);
  if (n < 3) {
    used = 0;
    if (std::sscanf(p, "%2d:%2d%n", &h, &mi, &used) < 2) return false;
    s = 0;
  }
  p += used;
  if (*p == '.') {
    ++p;
    int digits = 0;
    while (*p >= '0' && *p <= '9') {
      if (digits < 3) ms = ms * 10 + (*p - '0');
      ++digits;
      ++p;
    }
    for (; digits < 3; ++digits) ms *= 10;
  }
  if (*p != 0 || !TryEncodeTime(h, mi, s, ms, time)) return false;
  result = date < 0 ? date - time : date + time;
  return true;
}

// The ISO text SQLite keeps for a date-time field.
std::string IsoText(TFieldType type, double value) {
  switch (type) {
    case ftDate:
      return FormatDateTime("yyyy\"-\"mm\"-\"dd", value);
    case ftTime:
      return FormatDateTime("hh\":\"nn\":\"ss", value);
    default:
      return FormatDateTime("yyyy\"-\"mm\"-\"dd hh\":\"nn\":\"ss", value);
  }
}

// The next UTF-8 character's length from its lead byte (1 for a stray byte).
size_t Utf8Length(unsigned char lead) {
  if (lead < 0x80) return 1;
  if ((lead & 0xE0) == 0xC0) return 2;
  if ((lead & 0xF0) == 0xE0) return 3;
  if ((lead & 0xF8) == 0xF0) return 4;
  return 1;
}

}  // namespace

std::string DatabaseTextToGbk(const std::string& utf8) {
  try {
    return Utf8ToGbk(utf8);
  } catch (const Exception&) {
  }
  std::string out;
  for (size_t i = 0; i < utf8.size();) {
    size_t n = std::min(Utf8Length(static_cast<unsigned char>(utf8[i])), utf8.size() - i);
    try {
      out += Utf8ToGbk(std::string_view(utf8).substr(i, n));
    } catch (const Exception&) {
      out += '?';
    }
    i += n;
  }
  return out;
}

std::string QuoteIdentifier(const std::string& name) {
  std::string quoted = "\"";
  for (char c : name) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

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

// --- TSqlConnection --------------------------------------------------------------------------

TSqlConnection::TSqlConnection(const std::string& path) : Path(path) {
  std::string file = GbkToUtf8(path);
  if (sqlite3_open_v2(file.c_str(), &Db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
      SQLITE_OK) {
    std::string message = DatabaseTextToGbk(Db ? sqlite3_errmsg(Db) : "out of memory");
    sqlite3_close_v2(Db);
    Db = nullptr;
    throw EDatabaseError(Format("Cannot open database '%s': %s", {path, message}));
  }
  sqlite3_busy_timeout(Db, 5000);
}

TSqlConnection::~TSqlConnection() {
  for (TSqlDataSet* dataSet : std::vector<TSqlDataSet*>(DataSets)) {
    dataSet->Close();
    dataSet->Link = nullptr;
  }
  DataSets.clear();
  Disconnect();
}

void TSqlConnection::Disconnect() {
  if (!Db) return;
  for (TSqlDataSet* dataSet : DataSets) dataSet->Finish();
  sqlite3_close_v2(Db);
  Db = nullptr;
}

sqlite3* TSqlConnection::Handle() const {
  if (!Db) throw EDatabaseError(kNotConnected);
  return Db;
}

void TSqlConnection::RunStatements(const std::string& sql) {
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

void TSqlConnection::ExecSQL(const std::string& sql) { RunStatements(sql); }

void TSqlConnection::ExecuteScript(const std::string& script) {
  sqlite3* db = Handle();
  if (sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK) Fail(db);
  try {
    RunStatements(script);
  } catch (...) {
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    throw;
  }
  if (sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) {
    std::string message = DatabaseTextToGbk(sqlite3_errmsg(db));
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    throw EDatabaseError(message);
  }
}

// --- TSqlDataSet -----------------------------------------------------------------------------

TSqlDataSet::TSqlDataSet(TSqlConnection& connection) : Link(&connection) {
  connection.DataSets.push_back(this);
}

TSqlDataSet::~TSqlDataSet() {
  Finish();
  if (Link) std::erase(Link->DataSets, this);
}

void TSqlDataSet::Finish() {
  sqlite3_finalize(Statement);
  Statement = nullptr;
  PendingRow = false;
}

void TSqlDataSet::DoOpen() {
  if (!Link) throw EDatabaseError(kNotConnected);
  sqlite3* db = Link->Handle();
  std::string utf8 = GbkToUtf8(SelectText());
  Finish();
  if (sqlite3_prepare_v2(db, utf8.c_str(), static_cast<int>(utf8.size()), &Statement, nullptr) !=
      SQLITE_OK) {
    Finish();
    Fail(db);
  }
  if (!Statement) throw EDatabaseError("The statement is empty");
  if (sqlite3_column_count(Statement) == 0 || !sqlite3_stmt_readonly(Statement)) {
    Finish();
    throw EDatabaseError("The statement does not return rows");
  }
  // The first row is stepped now: columns without a declared type take the type of its value.
  int rc = sqlite3_step(Statement);
  if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
    std::string message = DatabaseTextToGbk(sqlite3_errmsg(db));
    Finish();
    throw EDatabaseError(message);
  }
  PendingRow = rc == SQLITE_ROW;
  int columns = sqlite3_column_count(Statement) - (ReadsRowid() ? 1 : 0);
  RowidKey = ReadsRowid();
  HiddenValues = RowidKey ? 1 : 0;
  for (int i = 0; i < columns; ++i) {
    const char* declared = sqlite3_column_decltype(Statement, i);
    int size = 0;
    TFieldType type = SqliteFieldType(declared ? declared : "", size);
    if (type == ftUnknown) {
      switch (PendingRow ? sqlite3_column_type(Statement, i) : SQLITE_TEXT) {
        case SQLITE_INTEGER: type = ftInteger; break;
        case SQLITE_FLOAT: type = ftFloat; break;
        case SQLITE_BLOB: type = ftBlob; break;
        default: type = ftMemo; break;
      }
    }
    AddField(DatabaseTextToGbk(sqlite3_column_name(Statement, i)), type, size);
  }
  FindWriteTarget();
  if (!PendingRow) Finish();
}

void TSqlDataSet::FindWriteTarget() {
  WriteTable.clear();
  KeyFields.clear();
  ColumnNames.clear();
  if (RowidKey) return;  // a table dataset sets its own target
  std::string table;
  std::vector<std::string> origins;
  for (int i = 0; i < GetFieldCount(); ++i) {
    const char* from = sqlite3_column_table_name(Statement, i);
    const char* origin = sqlite3_column_origin_name(Statement, i);
    if (!from || !origin) return;  // an expression: not writable
    if (i == 0)
      table = from;
    else if (table != from)
      return;  // columns of several tables
    origins.push_back(origin);
  }
  if (table.empty()) return;
  std::vector<std::pair<int, std::string>> key;
  {
    TStatement info(Link->Handle(), "SELECT name, pk FROM pragma_table_info(?1)");
    sqlite3_bind_text(info.Stmt, 1, table.c_str(), static_cast<int>(table.size()), SQLITE_TRANSIENT);
    while (sqlite3_step(info.Stmt) == SQLITE_ROW)
      if (int pk = sqlite3_column_int(info.Stmt, 1))
        key.emplace_back(pk, reinterpret_cast<const char*>(sqlite3_column_text(info.Stmt, 0)));
  }
  if (key.empty()) return;  // rowid tables are written only through table datasets
  std::sort(key.begin(), key.end());
  std::vector<int> keyFields;
  for (const auto& [order, name] : key) {
    auto at = std::find(origins.begin(), origins.end(), name);
    if (at == origins.end()) return;  // the key is not selected
    keyFields.push_back(static_cast<int>(at - origins.begin()));
  }
  for (const std::string& origin : origins) ColumnNames.push_back(DatabaseTextToGbk(origin));
  KeyFields = std::move(keyFields);
  WriteTable = DatabaseTextToGbk(table);
}

bool TSqlDataSet::FetchRow(TRow& row) {
  if (!Link || !Link->Connected()) throw EDatabaseError(kNotConnected);
  if (!Statement) return false;
  if (!PendingRow) {
    int rc = sqlite3_step(Statement);
    if (rc == SQLITE_DONE) {
      Finish();
      return false;
    }
    if (rc != SQLITE_ROW) {
      std::string message = DatabaseTextToGbk(sqlite3_errmsg(Link->Handle()));
      Finish();
      throw EDatabaseError(message);
    }
  }
  PendingRow = false;
  int count = GetFieldCount();
  for (int i = 0; i < count; ++i) {
    TFieldType type = GetField(i)->DataType();
    int kind = sqlite3_column_type(Statement, i);
    TFieldValue& value = row[i];
    if (kind == SQLITE_NULL) {
      value = std::monostate{};
    } else if (type == ftBlob) {
      const void* bytes = sqlite3_column_blob(Statement, i);
      value = std::string(static_cast<const char*>(bytes), sqlite3_column_bytes(Statement, i));
    } else if (IsDate(type)) {
      double day = 0;
      if (kind == SQLITE_TEXT) {
        std::string text = reinterpret_cast<const char*>(sqlite3_column_text(Statement, i));
        if (ParseIsoDateTime(text, day))
          value.emplace<double>(day);
        else
          value.emplace<std::string>(DatabaseTextToGbk(text));
      } else {
        value = sqlite3_column_double(Statement, i);
      }
    } else if (IsWhole(type) && kind == SQLITE_INTEGER) {
      value = static_cast<int64_t>(sqlite3_column_int64(Statement, i));
    } else if ((IsWhole(type) || IsReal(type)) && kind != SQLITE_TEXT) {
      value = sqlite3_column_double(Statement, i);
    } else {
      const unsigned char* text = sqlite3_column_text(Statement, i);
      value = DatabaseTextToGbk(std::string(reinterpret_cast<const char*>(text),
                                            sqlite3_column_bytes(Statement, i)));
    }
  }
  if (RowidKey) row[count].emplace<int64_t>(sqlite3_column_int64(Statement, count));
  return true;
}

void TSqlDataSet::DoClose() { Finish(); }

namespace {

void Bind(sqlite3* db, sqlite3_stmt* stmt, int index, TFieldType type, const TFieldValue& value) {
  int rc;
  if (std::holds_alternative<std::monostate>(value)) {
    rc = sqlite3_bind_null(stmt, index);
  } else if (auto* i = std::get_if<int64_t>(&value)) {
    rc = sqlite3_bind_int64(stmt, index, *i);
  } else if (auto* r = std::get_if<double>(&value)) {
    if (IsDate(type)) {
      std::string iso = IsoText(type, *r);
      rc = sqlite3_bind_text(stmt, index, iso.c_str(), static_cast<int>(iso.size()),
                             SQLITE_TRANSIENT);
    } else {
      rc = sqlite3_bind_double(stmt, index, *r);
    }
  } else {
    const std::string& bytes = std::get<std::string>(value);
    if (type == ftBlob) {
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

}  // namespace

void TSqlDataSet::WriteRow(const TRow* old, TRow& row) {
  if (!Link) throw EDatabaseError(kNotConnected);
  sqlite3* db = Link->Handle();
  if (WriteTable.empty()) throw EDatabaseError("Cannot modify a read-only dataset");
  int count = GetFieldCount();
  std::string table = QuoteIdentifier(WriteTable);
  if (old) {
    std::vector<int> changed;
    for (int i = 0; i < count; ++i)
      if (row[i] != (*old)[i]) changed.push_back(i);
    if (changed.empty()) return;
    std::string sql = "UPDATE " + table + " SET ";
    for (size_t k = 0; k < changed.size(); ++k)
      sql += (k ? ", " : "") + QuoteIdentifier(ColumnNames[changed[k]]) + " = ?";
    sql += " WHERE ";
    if (RowidKey) {
      sql += "rowid = ?";
    } else {
      for (size_t k = 0; k < KeyFields.size(); ++k)
        sql += (k ? " AND " : "") + QuoteIdentifier(ColumnNames[KeyFields[k]]) + " IS ?";
    }
    TStatement stmt(db, GbkToUtf8(sql));
    int index = 1;
    for (int i : changed) Bind(db, stmt.Stmt, index++, GetField(i)->DataType(), row[i]);
    if (RowidKey)
      Bind(db, stmt.Stmt, index, ftLargeint, (*old)[count]);
    else
      for (int k : KeyFields) Bind(db, stmt.Stmt, index++, GetField(k)->DataType(), (*old)[k]);
    if (sqlite3_step(stmt.Stmt) != SQLITE_DONE) Fail(db);
    if (sqlite3_changes(db) != 1)
      throw EDatabaseError("Record not found or changed by another user");
    return;
  }
  std::vector<int> given;
  for (int i = 0; i < count; ++i)
    if (!std::holds_alternative<std::monostate>(row[i])) given.push_back(i);
  std::string sql = "INSERT INTO " + table;
  if (given.empty()) {
    sql += " DEFAULT VALUES";
  } else {
    std::string names, marks;
    for (size_t k = 0; k < given.size(); ++k) {
      names += (k ? ", " : "") + QuoteIdentifier(ColumnNames[given[k]]);
      marks += k ? ", ?" : "?";
    }
    sql += " (" + names + ") VALUES (" + marks + ")";
  }
  TStatement stmt(db, GbkToUtf8(sql));
  int index = 1;
  for (int i : given) Bind(db, stmt.Stmt, index++, GetField(i)->DataType(), row[i]);
  if (sqlite3_step(stmt.Stmt) != SQLITE_DONE) Fail(db);
  int64_t rowid = sqlite3_last_insert_rowid(db);
  if (RowidKey) {
    row[count].emplace<int64_t>(rowid);
  } else if (KeyFields.size() == 1 && std::holds_alternative<std::monostate>(row[KeyFields[0]]) &&
             IsWhole(GetField(KeyFields[0])->DataType())) {
    row[KeyFields[0]] = rowid;  // an INTEGER PRIMARY KEY the database assigned
  }
}

// --- TSqlQuery and TSqlTable -----------------------------------------------------------------

void TSqlQuery::SetStatement(const std::string& text) {
  CheckInactive();
  Sql = text;
}

void TSqlTable::SetStatement(const std::string& text) {
  CheckInactive();
  Table = text;
}

std::string TSqlTable::SelectText() const {
  return "SELECT *" + std::string(UseRowid ? ", rowid" : "") + " FROM " + QuoteIdentifier(Table);
}

void TSqlTable::DoOpen() {
  if (!Connection()) throw EDatabaseError(kNotConnected);
  sqlite3* db = Connection()->Handle();
  // The table's columns and primary key, in declaration order.
  std::vector<std::string> columns;
  std::vector<std::pair<int, std::string>> key;
  {
    TStatement info(db, "SELECT name, pk FROM pragma_table_info(?1)");
    std::string name = GbkToUtf8(Table);
    sqlite3_bind_text(info.Stmt, 1, name.c_str(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
    int rc;
    while ((rc = sqlite3_step(info.Stmt)) == SQLITE_ROW) {
      columns.push_back(DatabaseTextToGbk(reinterpret_cast<const char*>(sqlite3_column_text(info.Stmt, 0))));
      if (int pk = sqlite3_column_int(info.Stmt, 1)) key.emplace_back(pk, columns.back());
    }
    if (rc != SQLITE_DONE) Fail(db);
  }
  if (columns.empty()) throw EDatabaseError(Format("Table '%s' does not exist", {Table}));
  // A view has no rowid and no key: it is read, never written.
  bool view = false;
  {
    TStatement kind(db, "SELECT 1 FROM sqlite_schema WHERE type = 'view' AND name = ?1");
    std::string name = GbkToUtf8(Table);
    sqlite3_bind_text(kind.Stmt, 1, name.c_str(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
    view = sqlite3_step(kind.Stmt) == SQLITE_ROW;
  }
  std::sort(key.begin(), key.end());
  UseRowid = key.empty() && !view;
  TSqlDataSet::DoOpen();
  if (view) {
    WriteTable.clear();
    return;
  }
  WriteTable = Table;
  ColumnNames = columns;
  KeyFields.clear();
  for (const auto& [order, name] : key)
    for (int i = 0; i < static_cast<int>(columns.size()); ++i)
      if (columns[i] == name) KeyFields.push_back(i);
}

}  // namespace qnexp
