// The PostgreSQL engine, through libpq. Statements and writes go through the main connection,
// each committed on its own. A SELECT is read through a server cursor in pages, on a reader
// connection of its own (kept in a pool once the cursor ends), so that reading never holds a
// transaction open around the connection's writes and an error in one read leaves the others
// alone. Texts travel as UTF-8; results come as text and are converted by column type.
#include <libpq-fe.h>

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <map>
#include <new>

#include "dataset/SqlEngine.h"
#include "dataset/SqlScript.h"
#include "runtime/Format.h"
#include "runtime/Gbk.h"

namespace qnexp {

namespace {

using TPgResult = std::unique_ptr<PGresult, decltype(&PQclear)>;

// Rows fetched by the first read of a cursor (what opening a dataset costs) and by each later
// one.
constexpr int kFirstPage = 100;
constexpr int kPage = 1000;

// Type identifiers of the built-in types (pg_type.oid), fixed by the server.
enum : Oid {
  kBool = 16, kBytea = 17, kChar = 18, kName = 19, kInt8 = 20, kInt2 = 21, kInt4 = 23,
  kOid = 26, kFloat4 = 700, kFloat8 = 701, kMoney = 790, kBpchar = 1042, kVarchar = 1043,
  kDate = 1082, kTime = 1083, kTimestamp = 1114, kTimestampTz = 1184, kTimeTz = 1266,
  kNumeric = 1700,
};

TFieldType PgFieldType(Oid type, int modifier, int& size) {
  size = 0;
  switch (type) {
    case kBool: return ftBoolean;
    case kBytea: return ftBlob;
    case kInt8: case kOid: return ftLargeint;
    case kInt2: return ftSmallint;
    case kInt4: return ftInteger;
    case kFloat4: case kFloat8: return ftFloat;
    case kMoney: return ftCurrency;
    case kNumeric: return ftBCD;
    case kDate: return ftDate;
    case kTime: case kTimeTz: return ftTime;
    case kTimestamp: case kTimestampTz: return ftDateTime;
    case kChar: size = 1; return ftString;
    case kName: size = 63; return ftString;
    case kBpchar: case kVarchar:
      if (modifier >= 4) {
        size = modifier - 4;
        return ftString;
      }
      return ftMemo;
    default: return ftMemo;
  }
}

std::string Trimmed(std::string text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.pop_back();
  return text;
}

std::string ErrorOf(PGconn* conn, const PGresult* result) {
  const char* primary = result ? PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
  return DatabaseTextToGbk(Trimmed(primary ? primary : PQerrorMessage(conn)));
}

// Ends a COPY the client cannot take part in, so that the connection stays usable.
void RefuseCopy(PGconn* conn, ExecStatusType status) {
  if (status == PGRES_COPY_IN) {
    PQputCopyEnd(conn, "COPY from the client is not supported");
  } else if (status == PGRES_COPY_OUT) {
    char* buffer = nullptr;
    while (PQgetCopyData(conn, &buffer, 0) > 0) PQfreemem(buffer);
  }
  while (PGresult* rest = PQgetResult(conn)) PQclear(rest);
}

// Checks a result: commands and queries pass; anything else raises, naming context when
// given.
TPgResult Checked(PGconn* conn, PGresult* raw, const std::string& context = {}) {
  TPgResult result(raw, &PQclear);
  ExecStatusType status = result ? PQresultStatus(result.get()) : PGRES_FATAL_ERROR;
  if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK || status == PGRES_EMPTY_QUERY)
    return result;
  std::string message;
  if (status == PGRES_COPY_IN || status == PGRES_COPY_OUT) {
    RefuseCopy(conn, status);
    message = "COPY to or from the client is not supported";
  } else {
    message = ErrorOf(conn, result.get());
  }
  if (!context.empty()) message += " in: " + DatabaseTextToGbk(context);
  throw EDatabaseError(message);
}

TPgResult Run(PGconn* conn, const std::string& utf8, const std::string& context = {}) {
  return Checked(conn, PQexec(conn, utf8.c_str()), context);
}

// A timestamp or time with a zone ("...09+08", "...09-03:30") without the zone.
std::string WithoutZone(const std::string& text) {
  size_t time = text.find(':');
  if (time == std::string::npos) return text;
  size_t zone = text.find_first_of("+-", time);
  return zone == std::string::npos ? text : text.substr(0, zone);
}

void ReadValue(const PGresult* result, int row, int column, TFieldType type, TFieldValue& value) {
  if (PQgetisnull(result, row, column)) {
    value = std::monostate{};
    return;
  }
  const char* text = PQgetvalue(result, row, column);
  int length = PQgetlength(result, row, column);
  if (type == ftBlob) {
    size_t size = 0;
    unsigned char* bytes = PQunescapeBytea(reinterpret_cast<const unsigned char*>(text), &size);
    if (!bytes) throw std::bad_alloc();
    value = std::string(reinterpret_cast<char*>(bytes), size);
    PQfreemem(bytes);
  } else if (type == ftBoolean) {
    value = static_cast<int64_t>(text[0] == 't');
  } else if (IsWholeType(type)) {
    int64_t whole = 0;
    std::from_chars(text, text + length, whole);
    value = whole;
  } else if (type == ftCurrency) {
    // Money comes with the currency sign and group separators.
    std::string digits;
    for (const char* p = text; *p; ++p)
      if ((*p >= '0' && *p <= '9') || *p == '.' || *p == '-') digits += *p;
    value = std::strtod(digits.c_str(), nullptr);
  } else if (IsRealType(type)) {
    value = std::strtod(text, nullptr);
  } else if (IsDateType(type)) {
    std::string iso = WithoutZone(std::string(text, length));
    double day = 0;
    if (ParseIsoDateTime(iso, day))
      value = day;
    else
      value = DatabaseTextToGbk(std::string(text, length));  // BC dates, infinity
  } else {
    value = DatabaseTextToGbk(std::string(text, length));
  }
}

// The parameters of a write as libpq takes them: texts, except blobs sent as bytes.
struct TParams {
  std::vector<std::string> Texts;
  std::vector<const char*> Values;
  std::vector<int> Lengths;
  std::vector<int> Formats;

  explicit TParams(const std::vector<TSqlParam>& params) {
    Texts.reserve(params.size());
    for (const TSqlParam& param : params) {
      const TFieldValue& value = *param.Value;
      bool null = std::holds_alternative<std::monostate>(value);
      Texts.push_back(null ? std::string() : Text(param.Type, value));
      Formats.push_back(param.Type == ftBlob && !null ? 1 : 0);
      Lengths.push_back(static_cast<int>(Texts.back().size()));
      Values.push_back(null ? nullptr : Texts.back().c_str());
    }
    for (size_t i = 0; i < params.size(); ++i)
      if (Values[i]) Values[i] = Texts[i].c_str();
  }

  static std::string Text(TFieldType type, const TFieldValue& value) {
    if (auto* whole = std::get_if<int64_t>(&value)) return std::to_string(*whole);
    if (auto* real = std::get_if<double>(&value)) {
      if (IsDateType(type)) return IsoText(type, *real);
      if (std::isnan(*real)) return "NaN";
      if (std::isinf(*real)) return *real > 0 ? "Infinity" : "-Infinity";
      char buffer[32];
      auto end = std::to_chars(buffer, buffer + sizeof buffer, *real).ptr;
      return std::string(buffer, end);
    }
    const std::string& bytes = std::get<std::string>(value);
    return type == ftBlob ? bytes : GbkToUtf8(bytes);
  }
};

class TPgEngine;

class TPgCursor : public TSqlCursor {
public:
  TPgCursor(TPgEngine& engine, const std::string& sql);
  ~TPgCursor() override { Release(false); }
  const std::vector<TSqlColumn>& Columns() const override { return Described; }
  bool Fetch(TRow& row) override;

private:
  void ReadPage(int rows);
  void Release(bool finished);

  TPgEngine& Engine;
  PGconn* Reader = nullptr;
  std::string Name;
  TPgResult Page{nullptr, &PQclear};
  int Next = 0;
  std::vector<TSqlColumn> Described;
};

class TPgEngine : public TSqlEngine {
public:
  TPgEngine(const std::string& text, const std::string& user, const std::string& password) {
    Keywords = {"dbname", "client_encoding"};
    Values = {GbkToUtf8(text), "UTF8"};
    if (!user.empty()) {
      Keywords.push_back("user");
      Values.push_back(GbkToUtf8(user));
    }
    if (!password.empty()) {
      Keywords.push_back("password");
      Values.push_back(GbkToUtf8(password));
    }
    Main = Connect();
  }
  ~TPgEngine() override { Disconnect(); }

  bool Connected() const override { return Main && PQstatus(Main) == CONNECTION_OK; }

  void Disconnect() override {
    for (PGconn* reader : Idle) PQfinish(reader);
    Idle.clear();
    if (Main) PQfinish(Main);
    Main = nullptr;
  }

  void ExecSQL(const std::string& sql) override {
    for (const std::string& statement : SplitStatements(GbkToUtf8(sql)))
      Run(Handle(), statement, statement);
  }

  void ExecuteScript(const std::string& script) override {
    PGconn* conn = Handle();
    std::vector<std::string> statements = SplitStatements(GbkToUtf8(script));
    Run(conn, "BEGIN");
    try {
      for (const std::string& statement : statements) Run(conn, statement, statement);
      Run(conn, "COMMIT");
    } catch (...) {
      PQclear(PQexec(conn, "ROLLBACK"));
      throw;
    }
  }

  std::unique_ptr<TSqlCursor> Select(const std::string& sql) override {
    return std::make_unique<TPgCursor>(*this, sql);
  }

  TTableShape DescribeTable(const std::string& table) override {
    TTableShape shape;
    std::string name = GbkToUtf8(table);
    const char* values[] = {name.c_str()};
    // The table (or view) the name finds on the search path, as the server would resolve it.
    TPgResult relation = Checked(Handle(),
        PQexecParams(Handle(),
                     "SELECT c.oid, c.relkind FROM pg_class c "
                     "WHERE c.oid = to_regclass(quote_ident($1))",
                     1, nullptr, values, nullptr, nullptr, 0));
    if (PQntuples(relation.get()) == 0) return shape;
    std::string oid = PQgetvalue(relation.get(), 0, 0);
    shape.View = std::string(PQgetvalue(relation.get(), 0, 1)) != "r" &&
                 std::string(PQgetvalue(relation.get(), 0, 1)) != "p";
    const char* ids[] = {oid.c_str()};
    TPgResult columns = Checked(Handle(),
        PQexecParams(Handle(),
                     "SELECT attname FROM pg_attribute WHERE attrelid = $1::oid AND attnum > 0 "
                     "AND NOT attisdropped ORDER BY attnum",
                     1, nullptr, ids, nullptr, nullptr, 0));
    for (int i = 0; i < PQntuples(columns.get()); ++i)
      shape.Columns.push_back(DatabaseTextToGbk(PQgetvalue(columns.get(), i, 0)));
    TPgResult key = Checked(Handle(),
        PQexecParams(Handle(),
                     "SELECT a.attname FROM pg_index i JOIN pg_attribute a "
                     "ON a.attrelid = i.indrelid AND a.attnum = ANY(i.indkey) "
                     "WHERE i.indrelid = $1::oid AND i.indisprimary "
                     "ORDER BY array_position(i.indkey::int2[], a.attnum)",
                     1, nullptr, ids, nullptr, nullptr, 0));
    for (int i = 0; i < PQntuples(key.get()); ++i)
      shape.Key.push_back(DatabaseTextToGbk(PQgetvalue(key.get(), i, 0)));
    return shape;
  }

  std::string RowIdentity() const override { return {}; }
  std::string Placeholder(int n) const override { return "$" + std::to_string(n); }
  std::string KeyMatch(const std::string& column, int n) const override {
    return column + " = " + Placeholder(n);
  }

  int64_t Write(const std::string& sql, const std::vector<TSqlParam>& params,
                const std::vector<TFieldType>& returnedTypes, TRow& returned) override {
    TParams texts(params);
    std::string utf8 = GbkToUtf8(sql);
    TPgResult result = Checked(Handle(),
        PQexecParams(Handle(), utf8.c_str(), static_cast<int>(params.size()), nullptr,
                     texts.Values.data(), texts.Lengths.data(), texts.Formats.data(), 0));
    if (PQresultStatus(result.get()) == PGRES_TUPLES_OK && PQntuples(result.get()) > 0 &&
        PQnfields(result.get()) == static_cast<int>(returnedTypes.size())) {
      returned.resize(returnedTypes.size());
      for (size_t i = 0; i < returnedTypes.size(); ++i)
        ReadValue(result.get(), 0, static_cast<int>(i), returnedTypes[i], returned[i]);
    }
    return std::atoll(PQcmdTuples(result.get()));
  }

  // A reader connection for a cursor: an idle one, or a new one.
  PGconn* TakeReader() {
    Handle();
    if (Idle.empty()) return Connect();
    PGconn* reader = Idle.back();
    Idle.pop_back();
    return reader;
  }

  // Takes a reader back when it is healthy and outside a transaction; closes it otherwise.
  void GiveBack(PGconn* reader) {
    if (Main && PQstatus(reader) == CONNECTION_OK &&
        PQtransactionStatus(reader) == PQTRANS_IDLE)
      Idle.push_back(reader);
    else
      PQfinish(reader);
  }

  std::string NextCursorName() { return "qnexp_cursor_" + std::to_string(++Cursors); }

  // Per table: [0] its name (empty when it cannot be named), then column names by number.
  using TOrigins = std::map<Oid, std::map<int, std::string>>;

  // The table and column a result column comes from, when the table is visible by its bare
  // name (only then can writes name it). known keeps the tables looked up for one cursor.
  void FindOrigin(Oid table, int column, TOrigins& known, TSqlColumn& into) {
    if (table == InvalidOid || column <= 0) return;
    auto& names = known[table];
    if (names.empty()) {
      std::string id = std::to_string(table);
      const char* values[] = {id.c_str()};
      TPgResult result = Checked(Handle(),
          PQexecParams(Handle(),
                       "SELECT c.relname, a.attnum, a.attname FROM pg_class c "
                       "JOIN pg_attribute a ON a.attrelid = c.oid "
                       "WHERE c.oid = $1::oid AND a.attnum > 0 AND pg_table_is_visible(c.oid)",
                       1, nullptr, values, nullptr, nullptr, 0));
      names[0] = "";
      for (int i = 0; i < PQntuples(result.get()); ++i) {
        names[0] = DatabaseTextToGbk(PQgetvalue(result.get(), i, 0));
        names[std::atoi(PQgetvalue(result.get(), i, 1))] =
            DatabaseTextToGbk(PQgetvalue(result.get(), i, 2));
      }
    }
    auto found = names.find(column);
    if (names[0].empty() || found == names.end()) return;
    into.Table = names[0];
    into.Origin = found->second;
  }

  PGconn* Handle() const {
    if (!Connected()) throw EDatabaseError("Not connected to the database");
    return Main;
  }

private:
  PGconn* Connect() {
    std::vector<const char*> keywords, values;
    for (size_t i = 0; i < Keywords.size(); ++i) {
      keywords.push_back(Keywords[i].c_str());
      values.push_back(Values[i].c_str());
    }
    keywords.push_back(nullptr);
    values.push_back(nullptr);
    PGconn* conn = PQconnectdbParams(keywords.data(), values.data(), 1);
    if (!conn) throw std::bad_alloc();
    if (PQstatus(conn) != CONNECTION_OK) {
      std::string message = DatabaseTextToGbk(Trimmed(PQerrorMessage(conn)));
      PQfinish(conn);
      throw EDatabaseError(Format("Cannot open database: %s", {message}));
    }
    // Dates and times as ISO texts, money without a locale's grouping.
    try {
      Run(conn, "SET DateStyle = ISO; SET lc_monetary = 'C'");
    } catch (...) {
      PQfinish(conn);
      throw;
    }
    return conn;
  }

  std::vector<std::string> Keywords, Values;
  PGconn* Main = nullptr;
  std::vector<PGconn*> Idle;
  int64_t Cursors = 0;
};

TPgCursor::TPgCursor(TPgEngine& engine, const std::string& sql) : Engine(engine) {
  std::string name = engine.NextCursorName();
  std::string utf8 = GbkToUtf8(sql);
  while (!utf8.empty() && (std::isspace(static_cast<unsigned char>(utf8.back())) || utf8.back() == ';'))
    utf8.pop_back();
  if (utf8.find_first_not_of(" \t\r\n") == std::string::npos)
    throw EDatabaseError("The statement is empty");
  Reader = engine.TakeReader();
  try {
    Run(Reader, "BEGIN READ ONLY");
    Run(Reader, "DECLARE " + name + " NO SCROLL CURSOR FOR " + utf8);
    Name = name;
    ReadPage(kFirstPage);
  } catch (...) {
    Release(false);
    throw;
  }
  const PGresult* page = Page.get();
  TPgEngine::TOrigins known;
  for (int i = 0; i < PQnfields(page); ++i) {
    TSqlColumn column;
    column.Name = DatabaseTextToGbk(PQfname(page, i));
    column.Type = PgFieldType(PQftype(page, i), PQfmod(page, i), column.Size);
    Engine.FindOrigin(PQftable(page, i), PQftablecol(page, i), known, column);
    Described.push_back(std::move(column));
  }
}

void TPgCursor::ReadPage(int rows) {
  try {
    Page = Run(Reader, "FETCH FORWARD " + std::to_string(rows) + " FROM " + Name);
  } catch (...) {
    Release(false);
    throw;
  }
  Next = 0;
  if (PQntuples(Page.get()) < rows) Release(true);  // the last page: the reader is free
}

void TPgCursor::Release(bool finished) {
  if (!Reader) return;
  PQclear(PQexec(Reader, finished ? "COMMIT" : "ROLLBACK"));
  Engine.GiveBack(Reader);
  Reader = nullptr;
}

bool TPgCursor::Fetch(TRow& row) {
  if (!Page) return false;
  if (Next >= PQntuples(Page.get())) {
    if (!Reader) return false;
    ReadPage(kPage);
    if (Next >= PQntuples(Page.get())) return false;
  }
  for (size_t i = 0; i < Described.size(); ++i)
    ReadValue(Page.get(), Next, static_cast<int>(i), Described[i].Type, row[i]);
  ++Next;
  return true;
}

}  // namespace

std::unique_ptr<TSqlEngine> OpenPostgres(const std::string& text, const std::string& user,
                                         const std::string& password) {
  return std::make_unique<TPgEngine>(text, user, password);
}

}  // namespace qnexp
