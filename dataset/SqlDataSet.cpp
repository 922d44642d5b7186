// The connection and the datasets over an engine: lazy reading through a cursor, the table
// edits go to, and parameterised write-back.
#include "dataset/SqlDataSet.h"

#include <algorithm>

#include "runtime/Format.h"

namespace qnexp {

namespace {

constexpr const char* kNotConnected = "Not connected to the database";

}  // namespace

// --- TSqlConnection --------------------------------------------------------------------------

TSqlConnection::TSqlConnection(const std::string& text, const std::string& user,
                               const std::string& password)
    : Db(IsServerText(text) ? OpenPostgres(text, user, password) : OpenSqlite(text)),
      Text(text) {}

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
  for (TSqlDataSet* dataSet : DataSets) dataSet->Cursor.reset();
  Db->Disconnect();
}

TSqlEngine& TSqlConnection::Engine() const {
  if (!Connected()) throw EDatabaseError(kNotConnected);
  return *Db;
}

// --- TSqlDataSet -----------------------------------------------------------------------------

TSqlDataSet::TSqlDataSet(TSqlConnection& connection) : Link(&connection) {
  connection.DataSets.push_back(this);
}

TSqlDataSet::~TSqlDataSet() {
  Cursor.reset();
  if (Link) std::erase(Link->DataSets, this);
}

TSqlEngine& TSqlDataSet::Engine() const {
  if (!Link) throw EDatabaseError(kNotConnected);
  return Link->Engine();
}

void TSqlDataSet::DoOpen() {
  Cursor.reset();
  Cursor = Engine().Select(SelectText());
  const std::vector<TSqlColumn>& columns = Cursor->Columns();
  HiddenValues = ReadsRowid() ? 1 : 0;
  for (size_t i = 0; i + HiddenValues < columns.size(); ++i)
    AddField(columns[i].Name, columns[i].Type, columns[i].Size);
  FindWriteTarget();
}

void TSqlDataSet::FindWriteTarget() {
  WriteTable.clear();
  KeyFields.clear();
  ColumnNames.clear();
  if (ReadsRowid()) return;  // a table dataset sets its own target
  const std::vector<TSqlColumn>& columns = Cursor->Columns();
  if (columns.empty()) return;
  std::vector<std::string> origins;
  for (const TSqlColumn& column : columns) {
    if (column.Table.empty() || column.Table != columns[0].Table) return;
    origins.push_back(column.Origin);
  }
  TTableShape shape = Engine().DescribeTable(columns[0].Table);
  if (shape.Key.empty() || shape.View) return;
  std::vector<int> keyFields;
  for (const std::string& name : shape.Key) {
    auto at = std::find(origins.begin(), origins.end(), name);
    if (at == origins.end()) return;  // the key is not selected
    keyFields.push_back(static_cast<int>(at - origins.begin()));
  }
  ColumnNames = std::move(origins);
  KeyFields = std::move(keyFields);
  WriteTable = columns[0].Table;
}

bool TSqlDataSet::FetchRow(TRow& row) {
  if (!Link || !Link->Connected()) throw EDatabaseError(kNotConnected);
  if (!Cursor) return false;
  if (Cursor->Fetch(row)) return true;
  Cursor.reset();
  return false;
}

void TSqlDataSet::DoClose() { Cursor.reset(); }

void TSqlDataSet::WriteRow(const TRow* old, TRow& row) {
  TSqlEngine& engine = Engine();
  if (WriteTable.empty()) throw EDatabaseError("Cannot modify a read-only dataset");
  int count = GetFieldCount();
  std::string table = QuoteIdentifier(WriteTable);
  std::vector<TSqlParam> params;
  TRow returned;
  if (old) {
    std::vector<int> changed;
    for (int i = 0; i < count; ++i)
      if (row[i] != (*old)[i]) changed.push_back(i);
    if (changed.empty()) return;
    std::string sql = "UPDATE " + table + " SET ";
    for (int i : changed) {
      params.push_back({GetField(i)->DataType(), &row[i]});
      sql += (params.size() > 1 ? ", " : "") + QuoteIdentifier(ColumnNames[i]) + " = " +
             engine.Placeholder(static_cast<int>(params.size()));
    }
    sql += " WHERE ";
    if (ReadsRowid()) {
      params.push_back({ftLargeint, &(*old)[count]});
      sql += engine.RowIdentity() + " = " + engine.Placeholder(static_cast<int>(params.size()));
    } else {
      for (size_t k = 0; k < KeyFields.size(); ++k) {
        int i = KeyFields[k];
        params.push_back({GetField(i)->DataType(), &(*old)[i]});
        sql += (k ? " AND " : "") +
               engine.KeyMatch(QuoteIdentifier(ColumnNames[i]), static_cast<int>(params.size()));
      }
    }
    if (engine.Write(sql, params, {}, returned) != 1)
      throw EDatabaseError("Record not found or changed by another user");
    return;
  }
  std::string sql = "INSERT INTO " + table;
  std::string names, marks;
  for (int i = 0; i < count; ++i) {
    if (std::holds_alternative<std::monostate>(row[i])) continue;
    params.push_back({GetField(i)->DataType(), &row[i]});
    names += (params.size() > 1 ? ", " : "") + QuoteIdentifier(ColumnNames[i]);
    marks += (params.size() > 1 ? ", " : "") + engine.Placeholder(static_cast<int>(params.size()));
  }
  sql += params.empty() ? " DEFAULT VALUES" : " (" + names + ") VALUES (" + marks + ")";
  // The stored key (assigned by the database, or converted by it) comes back with the insert.
  std::vector<TFieldType> keyTypes;
  std::string returning;
  if (ReadsRowid()) {
    keyTypes.push_back(ftLargeint);
    returning = engine.RowIdentity();
  } else {
    for (int i : KeyFields) {
      keyTypes.push_back(GetField(i)->DataType());
      returning += (returning.empty() ? "" : ", ") + QuoteIdentifier(ColumnNames[i]);
    }
  }
  if (!returning.empty()) sql += " RETURNING " + returning;
  engine.Write(sql, params, keyTypes, returned);
  if (returned.size() != keyTypes.size()) return;
  if (ReadsRowid()) {
    row[count] = std::move(returned[0]);
  } else {
    for (size_t k = 0; k < KeyFields.size(); ++k) row[KeyFields[k]] = std::move(returned[k]);
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

// Rows come in key order (a server keeps no other order), or the row identity's.
std::string TSqlTable::SelectText() const {
  std::string select = "SELECT *";
  if (UseRowid) select += ", " + Engine().RowIdentity();
  select += " FROM " + QuoteIdentifier(Table);
  std::string order;
  for (const std::string& column : Key) order += (order.empty() ? "" : ", ") + QuoteIdentifier(column);
  return order.empty() ? select : select + " ORDER BY " + order;
}

void TSqlTable::DoOpen() {
  TSqlEngine& engine = Engine();
  TTableShape shape = engine.DescribeTable(Table);
  if (shape.Columns.empty()) throw EDatabaseError(Format("Table '%s' does not exist", {Table}));
  // A view has no row identity and no key: it is read, never written.
  UseRowid = shape.Key.empty() && !shape.View && !engine.RowIdentity().empty();
  Key = shape.Key;
  TSqlDataSet::DoOpen();
  WriteTable.clear();
  KeyFields.clear();
  ColumnNames.clear();
  if (shape.View || (shape.Key.empty() && !UseRowid)) return;
  WriteTable = Table;
  ColumnNames = shape.Columns;
  for (const std::string& name : shape.Key)
    for (int i = 0; i < static_cast<int>(ColumnNames.size()); ++i)
      if (ColumnNames[i] == name) KeyFields.push_back(i);
}

}  // namespace qnexp
