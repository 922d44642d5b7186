// The dataset variable list, the SQL text utilities and DBFindRecords, over SQLite datasets in
// a private in-memory database.
#include <gtest/gtest.h>

#include <memory>

#include "core/EntryPoints.h"
#include "dataset/SqlDataSet.h"
#include "dbfunctions/DBVarList.h"
#include "dbfunctions/SqlText.h"
#include "runtime/Gbk.h"
#include "runtime/Handles.h"

namespace qnexp {
namespace {

TEST(DetectSqlType, LooksAtTheFirstWordAfterBlanksAndClosedComments) {
  struct {
    const char* Sql;
    TSqlStmtType Type;
  } cases[] = {{"SELECT 1", sstSelect},
               {" \t\r\n select * from t", sstSelect},
               {"/* a */ /* b */\nSeLeCt x", sstSelect},
               {"/* unclosed select", sstNotSelect},
               {"", sstNotSelect},
               {"SELECTX 1", sstNotSelect},
               {"update t set a = 1", sstNotSelect},
               {"-- comment\nselect 1", sstNotSelect}};
  for (const auto& c : cases) EXPECT_EQ(DetectSqlType(c.Sql), c.Type) << c.Sql;
  EXPECT_EQ(DetectSqlType(std::string("\0select", 7)), sstSelect);
}

TEST(GetTableNameFromSQL, ReadsTheNameAfterFrom) {
  struct {
    const char* Sql;
    const char* Table;
  } cases[] = {{"select * from orders where a = 1", "ORDERS"},
               {"SELECT a FROM main.orders o", "MAIN.ORDERS"},
               {"select a from \"Order Lines\"", "ORDER LINES"},
               {"select a from [x y] order by a", "X Y"},
               {"select 'from t' as a", ""},
               {"select a /* from t */ from -- from u\n v", "V"},
               {"select 1", ""},
               {"select a from", ""},
               {"select a from where", ""},
               {"update t set a = 1", ""}};
  for (const auto& c : cases) EXPECT_EQ(GetTableNameFromSQL(c.Sql), c.Table) << c.Sql;
}

// 竇 ends in the byte of "]", 癮 in the byte of "a": neither ends a name or changes case.
TEST(GetTableNameFromSQL, ChineseNamesStayWhole) {
  struct {
    const char* Sql;
    const char* Table;
  } cases[] = {{"select * from [竇表] where a = 1", "竇表"},
               {"select * from 癮x", "癮X"},
               {"select * from \"竇 癮\"", "竇 癮"}};
  for (const auto& c : cases)
    EXPECT_EQ(GbkToUtf8(GetTableNameFromSQL(Utf8ToGbk(c.Sql))), c.Table) << c.Sql;
}

TEST(NextSQLToken, NeverReadsPastAnUnclosedQuote) {
  for (const char* sql : {"'abc", "\"abc", "[abc", "/* abc", "-- abc"}) {
    size_t pos = 0;
    std::string text;
    TSQLToken token = NextSQLToken(sql, pos, text);
    EXPECT_NE(token, stEnd) << sql;
    EXPECT_EQ(pos, std::string(sql).size()) << sql;
    EXPECT_EQ(NextSQLToken(sql, pos, text), stEnd) << sql;
  }
}

class DBVarListTest : public ::testing::Test {
protected:
  void SetUp() override {
    Db = std::make_unique<TSqlConnection>(":memory:");
    Db->ExecuteScript("CREATE TABLE t (id INTEGER PRIMARY KEY, name TEXT);"
                      "INSERT INTO t VALUES (1, 'a'), (2, 'b'), (3, 'c'), (4, 'd');");
    Ds = std::make_unique<TSqlTable>(*Db);
    Ds->SetStatement("t");
    Ds->Open();
    Parent.reset(CreateDBVarList(PubVarList));
    Child.reset(CreateDBVarList(Parent.get()));
  }
  std::unique_ptr<TSqlConnection> Db;
  std::unique_ptr<TSqlTable> Ds;
  std::unique_ptr<TDBVarList> Parent, Child;
};

TEST_F(DBVarListTest, PublishesAliasReferencesAndValues) {
  Child->DefineFields(Ds.get(), "T");
  EXPECT_EQ(Child->DataSetOf("t"), Ds.get());
  TExpression* reference = Child->GetVarExp("T@NAME");
  ASSERT_TRUE(reference);
  EXPECT_EQ(ObjectOfHandle(reference->GetInteger(), hkField), Ds->FieldByName("name"));
  TExpression* value = Child->GetVarExp("t.name");
  ASSERT_TRUE(value);
  EXPECT_EQ(value->DataType, etString);
  EXPECT_EQ(value->GetString(), "a");
  EXPECT_EQ(Child->AliasOf(Ds.get()), "T");
  Child->UndefineFields(Ds.get(), "");
  EXPECT_EQ(Child->GetCount(), 0);
}

TEST_F(DBVarListTest, AnEmptyAliasPublishesBareNamesAndNoAlias) {
  Child->DefineFields(Ds.get(), "");
  EXPECT_TRUE(Child->GetVarExp("@ID"));
  EXPECT_TRUE(Child->GetVarExp("NAME"));
  EXPECT_EQ(Child->GetCount(), 4);
  Child->UndefineFields(nullptr, "");  // neither: nothing happens
  EXPECT_EQ(Child->GetCount(), 4);
}

TEST_F(DBVarListTest, AliasOfSearchesOnlyItsOwnListAndDataSetOfSearchesParents) {
  Parent->DefineDataSet(Ds.get(), "P");
  EXPECT_EQ(Child->DataSetOf("P"), Ds.get());
  EXPECT_EQ(Child->AliasOf(Ds.get()), "");
  Child->UndefineFields(nullptr, "P");  // finds the dataset through the parent
  EXPECT_EQ(Child->GetCount(), 0);
}

TEST_F(DBVarListTest, OnlyConstantIntegersWithoutOperandsAreAliasVariables) {
  auto constant = CreateIntExp(HandleOf(Ds.get(), hkDataSet));
  EXPECT_TRUE(IsAliasVariable(constant.get()));
  auto text = CreateStrExp("x");
  EXPECT_FALSE(IsAliasVariable(text.get()));
  std::unique_ptr<TExpression> sum = TranslateExp("Random(5)");
  ASSERT_TRUE(sum);
  EXPECT_FALSE(IsAliasVariable(sum.get()));
  Child->SetVarExp("S", sum.release());
  EXPECT_EQ(Child->DataSetOf("S"), nullptr);
}

TEST_F(DBVarListTest, DefiningTheSameAliasAgainReplacesTheNodes) {
  Child->DefineFields(Ds.get(), "T");
  int count = Child->GetCount();
  Child->DefineFields(Ds.get(), "T");
  EXPECT_EQ(Child->GetCount(), count);
}

struct TRecorder : TDataSetObserver {
  int Notices = 0;
  void DataSetNotify(TDataSet&, TDataSetEvent) override { ++Notices; }
};

TEST_F(DBVarListTest, FindRecordsWalksAcceptedRecordsAndRestoresTheDataSet) {
  TRecorder recorder;
  Ds->AddObserver(&recorder);
  bool ownFilterCalled = false;
  Ds->OnFilterRecord = [&](TDataSet& d, bool& accept) {
    ownFilterCalled = true;
    accept = d.GetField(0)->AsInteger() != 4;
  };
  std::vector<std::string> found;
  int user = 0;
  DBFindRecords(
      *Ds, [](TDataSet& d, void* u) { return d.GetField(0)->AsInteger() % 2 == *(int*)u; },
      [&](TDataSet& d, void*) {
        found.push_back(d.GetField(1)->AsString());
        return true;
      },
      &user);
  EXPECT_EQ(found, (std::vector<std::string>{"b"}));  // 4 refused by the dataset's own filter
  EXPECT_TRUE(ownFilterCalled);
  EXPECT_TRUE(Ds->OnFilterRecord);
  EXPECT_FALSE(Ds->ControlsDisabled());
  EXPECT_EQ(recorder.Notices, 1);  // the one notice after the suspended walk
  found.clear();
  DBFindRecords(*Ds, nullptr, [&](TDataSet&, void*) { return true; }, nullptr);
  EXPECT_TRUE(found.empty());  // without a filter nothing is accepted
  EXPECT_THROW(DBFindRecords(
                   *Ds, [](TDataSet&, void*) -> bool { throw Exception("boom"); }, nullptr,
                   nullptr),
               Exception);
  EXPECT_FALSE(Ds->ControlsDisabled());
  Ds->RemoveObserver(&recorder);
}

}  // namespace
}  // namespace qnexp
