// The SQLite engine on real database files in a temporary folder: type mapping, lazy reading,
// GBK conversion, write-through editing, scripts and failures.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <memory>

#include "dataset/SqlDataSet.h"
#include "SqlFixture.h"
#include "runtime/Gbk.h"
#include "runtime/Variant.h"

namespace qnexp {
namespace {

class SqlDataSetTest : public testing::TSqlFixture {
protected:
  void SetUp() override {
    Folder = std::filesystem::temp_directory_path() /
             ("qnexp-sql-" + std::to_string(getpid()) + "-" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(Folder);
    Path = (Folder / "test.db").string();
    Db = std::make_unique<TSqlConnection>(Path);
    Db->ExecuteScript(Res(
        "CREATE TABLE goods (id INTEGER PRIMARY KEY, name VARCHAR(20), price MONEY, qty INT,"
        " made DATE, seen DATETIME, note TEXT, big BIGINT, ok BOOLEAN, weight REAL, data BLOB);"
        "INSERT INTO goods VALUES (1, '苹果', 2.5, 10, '2024-03-05', '2024-03-05 14:07:09',"
        " NULL, 5000000000, 1, 0.25, x'00ff');"
        "INSERT INTO goods (id, name, qty) VALUES (2, 'pear', 3);"
        "CREATE TABLE plain (a TEXT, b INT);"
        "INSERT INTO plain VALUES ('x', 1), ('y', 2);"));
  }
  void TearDown() override {
    Db.reset();
    std::filesystem::remove_all(Folder);
  }
  std::filesystem::path Folder;
  std::string Path;
};

TEST(SqliteFieldType, FollowsDeclaredTypesThenAffinity) {
  struct Row {
    const char* Declared;
    TFieldType Type;
    int Size;
  } rows[] = {{"INTEGER", ftInteger, 0},      {"int", ftInteger, 0},
              {"SMALLINT", ftSmallint, 0},    {"BIGINT", ftLargeint, 0},
              {"BOOLEAN", ftBoolean, 0},      {"DOUBLE", ftFloat, 0},
              {"NUMERIC(10,2)", ftBCD, 10},   {"MONEY", ftCurrency, 0},
              {"DATE", ftDate, 0},            {"TIME", ftTime, 0},
              {"TIMESTAMP", ftDateTime, 0},   {"VARCHAR(30)", ftString, 30},
              {"CHAR(4)", ftString, 4},       {"TEXT", ftMemo, 0},
              {"BLOB", ftBlob, 0},            {"UNSIGNED BIG INT", ftInteger, 0},
              {"NATIVE CHARACTER(70)", ftString, 70}, {"CLOB", ftMemo, 0},
              {"FLOATING", ftFloat, 0},       {"WHATEVER", ftBCD, 0},
              {"", ftUnknown, 0}};
  for (const Row& row : rows) {
    int size = -1;
    EXPECT_EQ(SqliteFieldType(row.Declared, size), row.Type) << row.Declared;
    EXPECT_EQ(size, row.Size) << row.Declared;
  }
}

TEST_F(SqlDataSetTest, ReadsTypedValuesAndConvertsTextToGbk) {
  auto t = Table("goods");
  ASSERT_EQ(t->GetFieldCount(), 11);
  EXPECT_EQ(t->FieldByName("NAME")->DataType(), ftString);
  EXPECT_EQ(t->FieldByName("NAME")->Size(), 20);
  EXPECT_EQ(t->FieldByName("name")->AsString(), Res("苹果"));
  EXPECT_DOUBLE_EQ(t->FieldByName("price")->AsFloat(), 2.5);
  EXPECT_EQ(t->FieldByName("made")->AsString(), "2024.3.5");
  EXPECT_EQ(t->FieldByName("seen")->AsString(), "2024.3.5 14:07:09");
  EXPECT_THROW(t->FieldByName("big")->AsInteger(), EIntOverflow);
  EXPECT_EQ(t->FieldByName("big")->AsLargeInt(), 5000000000);
  EXPECT_TRUE(t->FieldByName("ok")->AsBoolean());
  EXPECT_EQ(t->FieldByName("data")->AsString(), std::string("\x00\xff", 2));
  EXPECT_TRUE(t->FieldByName("note")->IsNull());
  EXPECT_EQ(t->RecordCount(), 2);
}

TEST_F(SqlDataSetTest, CharactersWithoutAGbkFormReadAsQuestionMarks) {
  // An emoji, written as UTF-8 straight into the database.
  sqlite3_exec(Db->Handle(), "INSERT INTO plain VALUES ('a\xF0\x9F\x98\x80" "b', 3)", nullptr,
               nullptr, nullptr);
  auto q = Query("SELECT a FROM plain WHERE b = 3");
  EXPECT_EQ(q->GetField(0)->AsString(), "a?b");
}

TEST_F(SqlDataSetTest, ExpressionColumnsTakeTheTypeOfTheirFirstValue) {
  auto q = Query("SELECT count(*) AS n, sum(price) * 1.0 AS total, 'x' AS t FROM goods");
  EXPECT_EQ(q->FieldByName("N")->DataType(), ftInteger);
  EXPECT_EQ(q->FieldByName("N")->AsInteger(), 2);
  EXPECT_EQ(q->FieldByName("TOTAL")->DataType(), ftFloat);
  EXPECT_EQ(q->FieldByName("T")->DataType(), ftMemo);
}

TEST_F(SqlDataSetTest, OpeningReadsOneRowOnly) {
  Db->ExecSQL("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 5000)"
              " INSERT INTO plain SELECT 'r', i FROM n");
  auto q = Query("SELECT b FROM plain");
  EXPECT_EQ(q->GetField(0)->AsInteger(), 1);
  q->MoveBy(3000);
  EXPECT_EQ(q->RecNo(), 3001);
  EXPECT_EQ(q->RecordCount(), 5002);
}

TEST_F(SqlDataSetTest, EditingATableWritesThroughByKey) {
  auto t = Table("goods");
  t->Next();
  t->Edit();
  t->FieldByName("name")->SetAsString(Res("梨"));
  t->FieldByName("made")->SetAsDateTime(45000);
  t->Post();
  auto check = Query("SELECT name, made FROM goods WHERE id = 2");
  EXPECT_EQ(check->GetField(0)->AsString(), Res("梨"));
  EXPECT_EQ(check->GetField(1)->AsDateTime(), 45000);
  sqlite3* raw = Db->Handle();
  sqlite3_stmt* stmt = nullptr;
  sqlite3_prepare_v2(raw, "SELECT made FROM goods WHERE id = 2", -1, &stmt, nullptr);
  sqlite3_step(stmt);
  EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)), "2023-03-15");
  sqlite3_finalize(stmt);
}

TEST_F(SqlDataSetTest, AppendedRowsGetTheirKeys) {
  auto t = Table("goods");
  t->Append();
  t->FieldByName("name")->SetAsString("kiwi");
  t->Post();
  EXPECT_EQ(t->FieldByName("id")->AsInteger(), 3);
  auto p = Table("plain");  // no primary key: written by rowid
  p->Last();
  p->Edit();
  p->GetField(0)->SetAsString("changed");
  p->Post();
  auto check = Query("SELECT a FROM plain WHERE b = 2");
  EXPECT_EQ(check->GetField(0)->AsString(), "changed");
}

TEST_F(SqlDataSetTest, QueriesAreEditableOnlyWithOneTableAndItsKey) {
  EXPECT_NO_THROW(Query("SELECT id, name FROM goods")->Edit());
  struct Row {
    const char* Sql;
  } readOnly[] = {{"SELECT name FROM goods"},
                  {"SELECT id, name || '!' FROM goods"},
                  {"SELECT a FROM plain"},
                  {"SELECT g.id, p.a FROM goods g, plain p"}};
  for (const Row& row : readOnly)
    EXPECT_EQ(Message([&] { Query(row.Sql)->Edit(); }), "Cannot modify a read-only dataset")
        << row.Sql;
}

TEST_F(SqlDataSetTest, ViewsOpenAsTablesButStayReadOnly) {
  Db->ExecSQL("CREATE VIEW cheap AS SELECT id, name FROM goods WHERE price < 3");
  auto t = Table("cheap");
  EXPECT_EQ(t->RecordCount(), 1);
  EXPECT_EQ(Message([&] { t->Edit(); }), "Cannot modify a read-only dataset");
}

TEST_F(SqlDataSetTest, AFailedWriteLeavesTheDatabaseUnchanged) {
  Db->ExecSQL("CREATE TABLE strict_t (id INTEGER PRIMARY KEY, v INT CHECK (v > 0))");
  Db->ExecSQL("INSERT INTO strict_t VALUES (1, 5)");
  auto t = Table("strict_t");
  t->Edit();
  t->GetField(1)->SetAsInteger(-1);
  EXPECT_EQ(Message([&] { t->Post(); }), "CHECK constraint failed: v > 0");
  t->Cancel();
  EXPECT_EQ(Query("SELECT v FROM strict_t")->GetField(0)->AsInteger(), 5);
}

TEST_F(SqlDataSetTest, ScriptsRunInOneTransaction) {
  EXPECT_EQ(Message([&] {
              Db->ExecuteScript("INSERT INTO plain VALUES ('z', 9); INSERT INTO nowhere VALUES (1)");
            }),
            "no such table: nowhere in: INSERT INTO nowhere VALUES (1)");
  EXPECT_EQ(Query("SELECT count(*) FROM plain WHERE b = 9")->GetField(0)->AsInteger(), 0);
  Db->ExecuteScript("INSERT INTO plain VALUES ('z', 9); -- done\n");
  EXPECT_EQ(Query("SELECT count(*) FROM plain WHERE b = 9")->GetField(0)->AsInteger(), 1);
}

TEST_F(SqlDataSetTest, BadStatementsAndMissingTablesGiveClearErrors) {
  EXPECT_EQ(Message([&] { Query("SELEC 1"); }), "near \"SELEC\": syntax error");
  EXPECT_EQ(Message([&] { Table("missing"); }), "Table 'missing' does not exist");
  EXPECT_EQ(Message([&] { Query("DELETE FROM plain"); }), "The statement does not return rows");
  EXPECT_EQ(Message([&] { Query(""); }), "The statement is empty");
  EXPECT_EQ(Query("SELECT count(*) FROM plain")->GetField(0)->AsInteger(), 2);
  auto q = std::make_unique<TSqlQuery>(*Db);
  q->SetStatement("SELECT 1");
  q->Open();
  EXPECT_EQ(Message([&] { q->SetStatement("SELECT 2"); }),
            "Cannot perform this operation on an open dataset");
}

TEST_F(SqlDataSetTest, ADisconnectedDatabaseFailsOnTheNextRead) {
  auto q = Query("SELECT b FROM plain");
  Db->Disconnect();
  EXPECT_EQ(Message([&] { q->Next(); }), "Not connected to the database");
  EXPECT_EQ(Message([&] { Db->ExecSQL("SELECT 1"); }), "Not connected to the database");
  q->Close();
}

TEST_F(SqlDataSetTest, DataSetsOutlivingTheirConnectionAreClosed) {
  auto q = Query("SELECT b FROM plain");
  Db.reset();
  EXPECT_FALSE(q->GetActive());
  EXPECT_EQ(q->Connection(), nullptr);
  EXPECT_EQ(Message([&] { q->Open(); }), "Not connected to the database");
}

}  // namespace
}  // namespace qnexp
