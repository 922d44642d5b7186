// The PostgreSQL engine on a fresh database of the test server: type mapping, reading in
// pages, GBK conversion, write-through editing, scripts, failures that leave the connection
// usable, and the statement splitter scripts go through.
#include <gtest/gtest.h>

#include <memory>

#include "PgTesting.h"
#include "SqlFixture.h"
#include "dataset/SqlDataSet.h"
#include "dataset/SqlScript.h"
#include "runtime/Gbk.h"

namespace qnexp {
namespace {

TEST(SplitStatements, SplitsOnlyAtSemicolonsOutsideLiteralsAndComments) {
  struct Row {
    const char* Script;
    std::vector<std::string> Statements;
  } rows[] = {
      {"SELECT 1; SELECT 2;", {"SELECT 1", "SELECT 2"}},
      {"  ;; \n", {}},
      {"SELECT 'a;b'; SELECT \"x;y\"", {"SELECT 'a;b'", "SELECT \"x;y\""}},
      {"SELECT 'it''s;'; SELECT E'\\';'", {"SELECT 'it''s;'", "SELECT E'\\';'"}},
      {"SELECT 1 -- a; b\n; SELECT /* ; /* ; */ ; */ 2", {"SELECT 1 -- a; b", "SELECT /* ; /* ; */ ; */ 2"}},
      {"CREATE FUNCTION f() RETURNS int AS $body$ SELECT 1; $body$ LANGUAGE sql; SELECT $1",
       {"CREATE FUNCTION f() RETURNS int AS $body$ SELECT 1; $body$ LANGUAGE sql", "SELECT $1"}},
      {"SELECT $$a;b$$; SELECT 'open;", {"SELECT $$a;b$$", "SELECT 'open;"}},
  };
  for (const Row& row : rows) EXPECT_EQ(SplitStatements(row.Script), row.Statements) << row.Script;
}

class PgDataSetTest : public testing::TSqlFixture {
protected:
  void SetUp() override {
    Db = std::make_unique<TSqlConnection>(Server.Text());
    Db->ExecuteScript(Res(
        "CREATE TABLE goods (id SERIAL PRIMARY KEY, name VARCHAR(20), price MONEY, qty INT,"
        " made DATE, seen TIMESTAMP, zoned TIMESTAMPTZ, at TIME, note TEXT, big BIGINT,"
        " ok BOOLEAN, weight REAL, exact NUMERIC(10,2), small SMALLINT, data BYTEA);"
        "INSERT INTO goods (name, price, qty, made, seen, zoned, at, big, ok, weight, exact,"
        " small, data) VALUES ('苹果', -1234.5, 10, '2024-03-05', '2024-03-05 14:07:09',"
        " '2024-03-05 14:07:09+08', '14:07:09', 5000000000, true, 0.25, 12.34, 7,"
        " '\\x00ff'::bytea);"
        "INSERT INTO goods (name, qty) VALUES ('pear', 3);"
        "CREATE TABLE plain (a TEXT, b INT);"
        "INSERT INTO plain VALUES ('x', 1), ('y', 2);"));
  }
  int Count(const std::string& sql) { return Query(sql)->GetField(0)->AsInteger(); }

  testing::TPgTestDatabase Server;
};

TEST_F(PgDataSetTest, ColumnTypesGiveFieldTypesAndValues) {
  auto t = Table("goods");
  struct Row {
    const char* Name;
    TFieldType Type;
    int Size;
  } rows[] = {{"id", ftInteger, 0},   {"name", ftString, 20},  {"price", ftCurrency, 0},
              {"made", ftDate, 0},    {"seen", ftDateTime, 0}, {"zoned", ftDateTime, 0},
              {"at", ftTime, 0},      {"note", ftMemo, 0},     {"big", ftLargeint, 0},
              {"ok", ftBoolean, 0},   {"weight", ftFloat, 0},  {"exact", ftBCD, 0},
              {"small", ftSmallint, 0}, {"data", ftBlob, 0}};
  for (const Row& row : rows) {
    EXPECT_EQ(t->FieldByName(row.Name)->DataType(), row.Type) << row.Name;
    EXPECT_EQ(t->FieldByName(row.Name)->Size(), row.Size) << row.Name;
  }
  EXPECT_EQ(t->FieldByName("name")->AsString(), Res("苹果"));
  EXPECT_DOUBLE_EQ(t->FieldByName("price")->AsFloat(), -1234.5);
  EXPECT_EQ(t->FieldByName("made")->AsString(), "2024.3.5");
  EXPECT_EQ(t->FieldByName("seen")->AsString(), "2024.3.5 14:07:09");
  EXPECT_EQ(t->FieldByName("at")->AsString(), "14:07:09");
  EXPECT_FALSE(t->FieldByName("zoned")->IsNull());
  EXPECT_THROW(t->FieldByName("big")->AsInteger(), EIntOverflow);
  EXPECT_EQ(t->FieldByName("big")->AsLargeInt(), 5000000000);
  EXPECT_TRUE(t->FieldByName("ok")->AsBoolean());
  EXPECT_DOUBLE_EQ(t->FieldByName("exact")->AsFloat(), 12.34);
  EXPECT_EQ(t->FieldByName("data")->AsString(), std::string("\x00\xff", 2));
  EXPECT_TRUE(t->FieldByName("note")->IsNull());
  EXPECT_EQ(t->RecordCount(), 2);
}

TEST_F(PgDataSetTest, ReadsInPagesToTheEnd) {
  Db->ExecSQL("INSERT INTO plain SELECT 'r', g FROM generate_series(3, 2600) g");
  auto q = Query("SELECT b FROM plain ORDER BY b");
  int64_t sum = 0;
  int rows = 0;
  for (; !q->Eof(); q->Next(), ++rows) sum += q->GetField(0)->AsInteger();
  EXPECT_EQ(rows, 2600);
  EXPECT_EQ(sum, 2600LL * 2601 / 2);
  // Writes while a read is half done are not held back by it.
  auto half = Query("SELECT b FROM plain");
  half->MoveBy(1500);
  Db->ExecSQL("DELETE FROM plain WHERE b > 2");
  EXPECT_EQ(Count("SELECT count(*) FROM plain"), 2);
  EXPECT_EQ(half->RecordCount(), 2600);  // its own snapshot
}

TEST_F(PgDataSetTest, TextWithoutAGbkFormReadsAsQuestionMarksAndIsNeverWritten) {
  Db->ExecSQL("INSERT INTO plain VALUES ('a' || chr(128512) || 'b', 3)");  // an emoji
  EXPECT_EQ(Query("SELECT a FROM plain WHERE b = 3")->GetField(0)->AsString(), "a?b");
  auto t = Table("goods");
  t->Edit();
  EXPECT_THROW(t->FieldByName("name")->SetAsString("\x81"), EConvertError);
  t->Cancel();
  EXPECT_EQ(Query("SELECT name FROM goods WHERE id = 1")->GetField(0)->AsString(), Res("苹果"));
}

TEST_F(PgDataSetTest, EditingWritesThroughByKeyAndAppendedRowsGetTheirKeys) {
  auto t = Table("goods");
  t->Next();
  t->Edit();
  t->FieldByName("name")->SetAsString(Res("梨"));
  t->FieldByName("made")->SetAsDateTime(45000);
  t->FieldByName("data")->SetAsString(std::string("\x00\x01\xfe", 3));
  t->Post();
  auto check = Query("SELECT name, made, data, made::text FROM goods WHERE id = 2");
  EXPECT_EQ(check->GetField(0)->AsString(), Res("梨"));
  EXPECT_EQ(check->GetField(1)->AsDateTime(), 45000);
  EXPECT_EQ(check->GetField(2)->AsString(), std::string("\x00\x01\xfe", 3));
  EXPECT_EQ(check->GetField(3)->AsString(), "2023-03-15");
  t->Append();
  t->FieldByName("name")->SetAsString("kiwi");
  t->Post();
  EXPECT_EQ(t->FieldByName("id")->AsInteger(), 3);
  EXPECT_EQ(Count("SELECT id FROM goods WHERE name = 'kiwi'"), 3);
}

TEST_F(PgDataSetTest, OnlyTablesWithAKeyAreWritable) {
  Db->ExecSQL("CREATE VIEW cheap AS SELECT id, name FROM goods WHERE qty < 5");
  EXPECT_NO_THROW(Query("SELECT id, name FROM goods")->Edit());
  for (const char* sql : {"SELECT name FROM goods", "SELECT id, name || '!' FROM goods",
                          "SELECT a FROM plain", "SELECT g.id, p.a FROM goods g, plain p"})
    EXPECT_EQ(Message([&] { Query(sql)->Edit(); }), "Cannot modify a read-only dataset") << sql;
  for (const char* table : {"plain", "cheap"})
    EXPECT_EQ(Message([&] { Table(table)->Edit(); }), "Cannot modify a read-only dataset")
        << table;
  EXPECT_EQ(Table("cheap")->RecordCount(), 1);
}

TEST_F(PgDataSetTest, AFailedWriteLeavesTheDatabaseUnchanged) {
  Db->ExecSQL("CREATE TABLE strict_t (id INT PRIMARY KEY, v INT CHECK (v > 0))");
  Db->ExecSQL("INSERT INTO strict_t VALUES (1, 5)");
  auto t = Table("strict_t");
  t->Edit();
  t->GetField(1)->SetAsInteger(-1);
  EXPECT_EQ(Message([&] { t->Post(); }),
            "new row for relation \"strict_t\" violates check constraint \"strict_t_v_check\"");
  t->Cancel();
  EXPECT_EQ(Count("SELECT v FROM strict_t"), 5);
}

TEST_F(PgDataSetTest, ScriptsRunInOneTransactionStatementsEachOnTheirOwn) {
  EXPECT_EQ(Message([&] {
              Db->ExecuteScript("INSERT INTO plain VALUES ('z', 9); INSERT INTO nowhere VALUES (1)");
            }),
            "relation \"nowhere\" does not exist in: INSERT INTO nowhere VALUES (1)");
  EXPECT_EQ(Count("SELECT count(*) FROM plain WHERE b = 9"), 0);
  EXPECT_EQ(Message([&] { Db->ExecSQL("INSERT INTO plain VALUES ('z', 9); SELEC 1"); }),
            "syntax error at or near \"SELEC\" in: SELEC 1");
  EXPECT_EQ(Count("SELECT count(*) FROM plain WHERE b = 9"), 1);
  Db->ExecuteScript(
      "CREATE FUNCTION twice(x int) RETURNS int AS $$ SELECT x * 2; $$ LANGUAGE sql;"
      "INSERT INTO plain VALUES ('f', twice(21)); -- done\n");
  EXPECT_EQ(Count("SELECT b FROM plain WHERE a = 'f'"), 42);
}

TEST_F(PgDataSetTest, FailuresLeaveTheConnectionUsable) {
  EXPECT_EQ(Message([&] { Query("SELEC 1"); }), "syntax error at or near \"SELEC\"");
  EXPECT_EQ(Message([&] { Table("missing"); }), "Table 'missing' does not exist");
  EXPECT_EQ(Message([&] { Query(" ; "); }), "The statement is empty");
  EXPECT_EQ(Message([&] { Db->ExecSQL("COPY plain FROM STDIN"); }),
            "COPY to or from the client is not supported in: COPY plain FROM STDIN");
  // An error in a later page of a read.
  auto q = Query("SELECT 1 / (1500 - g) FROM generate_series(1, 2000) g");
  EXPECT_EQ(Message([&] { q->Last(); }), "division by zero");
  EXPECT_EQ(Count("SELECT count(*) FROM plain"), 2);
}

TEST_F(PgDataSetTest, ALostServerConnectionFailsCleanlyAndAFreshOneWorks) {
  auto q = Query("SELECT b FROM plain");
  TSqlConnection(Server.Text()).ExecSQL(
      "SELECT pg_terminate_backend(pid) FROM pg_stat_activity "
      "WHERE datname = current_database() AND pid <> pg_backend_pid()");
  EXPECT_NE(Message([&] { Db->ExecSQL("SELECT 1"); }), "no error");
  EXPECT_FALSE(Db->Connected());
  EXPECT_EQ(Message([&] { Query("SELECT 1"); }), "Not connected to the database");
  Db = std::make_unique<TSqlConnection>(Server.Text());
  EXPECT_EQ(Count("SELECT count(*) FROM plain"), 2);
}

TEST_F(PgDataSetTest, UserAndPasswordOverrideTheText) {
  EXPECT_NE(Message([&] { TSqlConnection(Server.Text(), "nobody"); }), "no error");
  EXPECT_NO_THROW(TSqlConnection(Server.Text(), "postgres", "unused"));
}

}  // namespace
}  // namespace qnexp
