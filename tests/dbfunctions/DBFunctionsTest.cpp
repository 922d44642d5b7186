// The database functions over real databases, a SQLite file in a temporary folder and a
// database on the test PostgreSQL server, through the translator as expressions meet them:
// navigation, field values and descriptions, counting, searching, tree walks, writing,
// statements, hooks and bad handles.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "core/EntryPoints.h"
#include "core/FunctionList.h"
#include "core/Sandbox.h"
#include "core/Translator.h"
#include "core/Variables.h"
#include "dataset/SqlDataSet.h"
#include "dataset/SqlHooks.h"
#include "dbfunctions/DBHooks.h"
#include "dbfunctions/DBVarList.h"
#include "platform/Dialogs.h"
#include "runtime/DataSet.h"
#include "runtime/Gbk.h"
#include "runtime/Handles.h"
#include "runtime/Stream.h"
#include "support/ObjStream.h"
#include "PgTesting.h"

namespace qnexp {
namespace {

enum TEngineKind { kSqlite, kPostgres };

std::string EngineName(const ::testing::TestParamInfo<TEngineKind>& info) {
  return info.param == kSqlite ? "Sqlite" : "Postgres";
}

class DBFunctionsTest : public ::testing::TestWithParam<TEngineKind> {
public:
  void SetUp() override {
    InstallSqlHooks();
    std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    Folder = std::filesystem::temp_directory_path() /
             ("qnexp-db-" + std::to_string(getpid()) + "-" + name.substr(0, name.find('/')));
    std::filesystem::create_directories(Folder);
    if (GetParam() == kPostgres) {
      Server = std::make_unique<testing::TPgTestDatabase>();
      Path = Server->Text();
    } else {
      Path = (Folder / "shop.db").string();
    }
    {
      TSqlConnection setup(Path);
      setup.ExecuteScript(Utf8ToGbk(
          "CREATE TABLE orders (id " + std::string(GetParam() == kPostgres ? "SERIAL" : "INTEGER") +
          " PRIMARY KEY, name VARCHAR(10), qty INT,"
          " price MONEY, made DATE, seen TIMESTAMP, code CHAR(1), formula TEXT, flag SMALLINT);"
          "INSERT INTO orders (name, qty, price, made, seen, code, formula, flag) VALUES"
          " ('苹果', 3, 2.5, '2024-03-05', '2024-03-05 14:07:09', 'A', '1 + 2', 1),"
          " ('梨', 4, 1.0, NULL, NULL, NULL, '', 0),"
          " ('plum', 5, 0.5, NULL, NULL, 'C', 'Upper(''x'')', 0);"
          "CREATE TABLE tree (id TEXT PRIMARY KEY, parent TEXT, name TEXT);"
          "INSERT INTO tree VALUES ('1', '', '总部'), ('2', '1', '华东'), ('3', '2', '上海'),"
          " ('4', '3', '浦东'), ('8', '9', 'loop a'), ('9', '8', 'loop b');"
          "CREATE TABLE empty_t (id INTEGER PRIMARY KEY, v INT);"));
    }
    List.reset(CreateDBVarList(PubVarList));
    Saved = GetVarList();
    SetVarList(List.get());
    Eval("DB := DB_OpenDatabase('" + Path + "')");
  }
  void TearDown() override {
    Eval("DB_Close(DB)");
    SetVarList(Saved);
    List.reset();
    std::filesystem::remove_all(Folder);
  }
  // The text an engine gives for the same fault.
  const char* Engines(const char* sqlite, const char* postgres) const {
    return GetParam() == kPostgres ? postgres : sqlite;
  }
  // The text of the value (or of the error) after evaluating text once.
  std::string Eval(const std::string& text) {
    std::unique_ptr<TExpression> tree = TranslateExp(Utf8ToGbk(text));
    if (!tree) return "translation failed: " + ExpTranslator->ErrorMsg();
    ExpEvaluate(*tree, kForceStamp);
    return tree->GetString();
  }
  TExpDataType TypeOf(const std::string& text) {
    std::unique_ptr<TExpression> tree = TranslateExp(Utf8ToGbk(text));
    if (!tree) return etAny;
    ExpEvaluate(*tree, kForceStamp);
    return tree->DataType;
  }
  std::filesystem::path Folder;
  std::unique_ptr<testing::TPgTestDatabase> Server;
  std::string Path;
  std::unique_ptr<TDBVarList> List;
  TVarList* Saved = nullptr;
};

struct TCase {
  const char* Text;
  const char* Expected;
};

void ExpectAll(DBFunctionsTest& test, std::initializer_list<TCase> cases,
               std::string (DBFunctionsTest::*eval)(const std::string&)) {
  for (const TCase& c : cases) EXPECT_EQ((test.*eval)(c.Text), Res(c.Expected)) << c.Text;
}

#define EXPECT_TEXTS(...) ExpectAll(*this, {__VA_ARGS__}, &DBFunctionsTest::Eval)

TEST(DBLibrary, RegistersTheThirtyTwoFunctionsInOrder) {
  const std::vector<std::string> expected = {
      "DB_COUNT",     "DB_RECNO",      "DB_RECCOUNT",    "DB_EOF",          "DB_BOF",
      "DB_FIELD",     "DB_CELL",       "DB_RECNOBY",     "DB_SKIP",         "DB_GOTO",
      "DB_FIELDCOUNT", "DB_FIELDNAME", "DB_FIELDNO",     "DB_FIELDLEN",     "DB_FIELDDEC",
      "DB_PARENT",    "DB_LOCATE",     "DB_EXPFIELD",    "DB_OPENDATABASE", "DB_OPENSQL",
      "DB_EXECSQL",   "DB_EXEC",       "DB_OPENTABLE",   "DB_CLOSE",        "DB_SETVALUE",
      "DB_REFRESH",   "DB_SQLTEXT",    "DB_ENABLEDCONTROLS", "DB_POST",     "DB_CANCEL",
      "DB_APPEND",    "DB_FIELDTYPE"};
  TFunctionList& registry = *ExpTranslator->Functions;
  std::vector<std::string> names;
  for (int i = 0; i < registry.Count(); ++i)
    if (registry.Get(i).rfind("DB_", 0) == 0) names.push_back(registry.Get(i));
  EXPECT_EQ(names, expected);
}

TEST(DBHooks, DefaultsRaiseTheMissingImplementationError) {
  InstallDefaultDBHooks();
  struct {
    const char* Text;
    const char* Name;
  } cases[] = {{"DB_OpenDatabase('x')", "DBEF_OpenDatabase"},
               {"DB_OpenSQL(1, 'select 1')", "DB_OpenSQL"},
               {"DB_OpenTable(1, 't')", "DB_OpenTable"},
               {"DB_ExecSQL(1, 'x')", "DB_ExecSQL"},
               {"DB_Exec(1, 'x')", "DBEF_ExecuteScript"}};
  for (const auto& c : cases) {
    std::unique_ptr<TExpression> tree = TranslateExp(c.Text);
    ASSERT_TRUE(tree) << c.Text;
    EXPECT_TRUE(ExpEvaluate(*tree, kForceStamp));
    EXPECT_EQ(tree->GetString(),
              Res("系统没有为函数 ") + c.Name + Res(" 提供正确的执行代码"));
  }
  EXPECT_THROW(DBEF_DatabaseName(1), EAbstractError);
  InstallSqlHooks();
}

TEST_P(DBFunctionsTest, HandleZeroAndStaleHandles) {
  Eval("T := DB_OpenTable(DB, 'orders')");
  Eval("Stale := T");
  Eval("DB_Close(T)");
  EXPECT_TEXTS({"DB_EOF(0)", "Yes"}, {"DB_BOF(0)", "No"}, {"DB_Skip(0, 1)", "-1"},
               {"DB_Goto(0, 1)", "-1"}, {"DB_FieldType(0)", ""}, {"DB_EOF(Stale)", "Yes"},
               {"DB_SetValue(0, 1)", ""}, {"DB_Post(0)", "0"}, {"DB_SqlText(0)", ""},
               {"DB_RecNo(0)", "表达式(TExp_DB_RecNo)计算错误：句柄0不代表数据集"},
               {"DB_FieldName(0, 1)", "表达式(TExp_DB_FieldName)计算错误：句柄0不代表数据集"},
               {"DB_Parent(0)", "表达式(TExp_DB_Parent)计算错误：句柄0不代表字段"},
               {"DB_ExpField(0)", "表达式(TExp_DB_ExpField)计算错误：句柄0不代表字段"},
               {"DB_Locate(0, 'ID', 1)", "表达式(TExp_DB_Locate)计算错误：句柄0不代表数据集"});
  EXPECT_EQ(Eval("DB_RecCount(Stale)"),
            Res("表达式(TExp_DB_RecCount)计算错误：句柄") + Eval("Stale") + Res("不代表数据集"));
}

TEST_P(DBFunctionsTest, NavigatesAndReadsThroughAliasVariables) {
  Eval("DB_OpenTable(DB, 'orders', 'O')");
  EXPECT_TEXTS({"O.NAME", "苹果"}, {"DB_RecCount(O)", "3"}, {"DB_FieldCount(O)", "9"},
               {"DB_BOF(O)", "Yes"}, {"DB_Skip(O, 1)", "1"}, {"DB_RecNo(O)", "1"},
               {"DB_Field(O@NAME)", "梨"}, {"DB_Goto(O, 2)", "2"}, {"DB_Field(O@QTY)", "5"},
               {"DB_Skip(O, 5)", "2"}, {"DB_EOF(O)", "Yes"}, {"DB_Goto(O, 0)", "0"},
               {"DB_Cell(O@NAME, 2)", "plum"}, {"DB_RecNo(O)", "2"}, {"DB_Goto(O, 0)", "0"},
               {"DB_Field(O@MADE)", "2024.03.05 00:00:00"});
  Eval("DB_Goto(O, 1)");
  EXPECT_EQ(TypeOf("DB_Field(O@CODE)"), etString);
  EXPECT_EQ(TypeOf("DB_Field(O@QTY)"), etInteger);
  EXPECT_EQ(TypeOf("DB_Field(O@PRICE)"), etReal);
  EXPECT_EQ(TypeOf("DB_Field(O@SEEN)"), etDateTime);
  EXPECT_EQ(TypeOf("DB_Field(O@FLAG)"), etInteger);
}

TEST_P(DBFunctionsTest, DescribesFields) {
  Eval("DB_OpenTable(DB, 'orders', 'O')");
  EXPECT_TEXTS({"DB_FieldName(O, 1)", "name"}, {"DB_FieldName(O, 9)", "FieldName"},
               {"DB_FieldName(O, -1)", "FieldName"}, {"DB_FieldNo(O, 'QTY')", "3"},
               {"DB_FieldNo(O, -1)", "-1"}, {"DB_FieldLen(O, 'name')", "10"},
               {"DB_FieldLen(O, 'made')", "10"}, {"DB_FieldLen(O, 'seen')", "20"},
               {"DB_FieldLen(O, 'qty')", "12"}, {"DB_FieldLen(O, 'flag')", "6"},
               {"DB_FieldLen(O, 'price')", "16"}, {"DB_FieldLen(O, 99)", "-1"},
               {"DB_FieldDec(O, 'price')", "2"}, {"DB_FieldDec(O, 'qty')", "0"},
               {"DB_FieldDec(O, 99)", "-1"}, {"DB_FieldType(O@PRICE)", "Currency"},
               {"DB_FieldType(O@FORMULA)", "Memo"},
               {"DB_FieldNo(O, 'nope')", "Field 'nope' not found"});
}

TEST_P(DBFunctionsTest, ANullCharacterFieldReadsAsCodeZero) {
  Eval("DB_OpenTable(DB, 'orders', 'O')");
  Eval("DB_Goto(O, 1)");
  std::unique_ptr<TExpression> tree = TranslateExp("DB_Field(O@CODE)");
  ASSERT_TRUE(tree);
  tree->DataType = etChar;  // as a host that reads the field as a character
  ASSERT_FALSE(ExpEvaluate(*tree, kForceStamp));
  EXPECT_EQ(tree->GetChar(), '\0');
}

TEST_P(DBFunctionsTest, CountAccumulatesOverEveryRecord) {
  Eval("DB_OpenTable(DB, 'orders', 'O')");
  EXPECT_TEXTS({"n := 0", "0"},
               {"DB_Count(O, n := 0, Yes, n := n + O.QTY)", "12"},
               // the value is the first result's last value; the variable holds the total
               {"DB_Count(O, n := 0, O.QTY > 3, n := n + 1, O.QTY > 4, n := n + 100)", "2"},
               {"n", "102"},
               {"DB_Count(O, n := 0, Yes, n := n + 1)", "3"});
  Eval("DB_OpenTable(DB, 'empty_t', 'E')");
  // An empty dataset never evaluates the result: the untyped assignment shows nothing.
  EXPECT_TEXTS({"DB_Count(E, m := 5, Yes, m := m + 1)", ""}, {"m", "5"});
  EXPECT_EQ(TranslateExp("DB_Count(O, 0, Yes)"), nullptr);
  EXPECT_EQ(TranslateExp("DB_Count(O, 0, Yes, 1, No)"), nullptr);
}

TEST_P(DBFunctionsTest, CountEndsWhenItsDataSetIsClosedWhileWalking) {
  Eval("DB_OpenTable(DB, 'orders', 'O')");
  EXPECT_EQ(Eval("DB_Count(O, k := 0, Yes, k := k + 1 + DB_Close(O))"), "1");
}

TEST_P(DBFunctionsTest, RecNoBySearchesOnThenFromTheFirstRecord) {
  Eval("DB_OpenTable(DB, 'orders', 'O')");
  EXPECT_TEXTS({"DB_RecNoBy(O, O.QTY = 5)", "Yes"}, {"DB_RecNo(O)", "2"},
               {"DB_Goto(O, 0)", "0"}, {"DB_RecNoBy(O, O.QTY = 4)", "Yes"},
               {"DB_RecNo(O)", "1"}, {"DB_RecNoBy(O, O.QTY = 99)", "No"},
               {"DB_EOF(O)", "Yes"}, {"DB_RecNoBy(0, Yes)", "No"});
}

TEST_P(DBFunctionsTest, ParentWalksTheTreeAndComesBack) {
  Eval("DB_OpenTable(DB, 'tree', 'T')");
  EXPECT_TEXTS({"DB_Parent(T@NAME)", "总部"},  // the root: its own value
               {"DB_Locate(T, 'ID', '4')", "Yes"}, {"DB_Parent(T@NAME)", "上海"},
               {"DB_Parent(T@NAME, 1)", "总部"}, {"DB_Parent(T@NAME, 2)", "华东"},
               // beyond the chain: the field where the walk ended, the top
               {"DB_Parent(T@NAME, 9)", "总部"}, {"DB_RecNo(T)", "3"},
               // a cycle: the walk stops at the first key seen again
               {"DB_Locate(T, 'ID', '8')", "Yes"}, {"DB_Parent(T@NAME, 1)", "loop b"},
               {"DB_Parent(T@NAME)", "loop b"}, {"DB_Field(T@NAME)", "loop a"});
}

TEST_P(DBFunctionsTest, LocateTakesOneValueOrSeveral) {
  Eval("DB_OpenTable(DB, 'orders', 'O')");
  EXPECT_TEXTS({"DB_Locate(O, 'NAME', 'plum')", "Yes"}, {"DB_RecNo(O)", "2"},
               {"DB_Locate(O, 'QTY;NAME', 4, '梨')", "Yes"}, {"DB_RecNo(O)", "1"},
               {"DB_Locate(O, 'QTY;NAME', 4, 'PLUM')", "No"}, {"DB_RecNo(O)", "1"},
               {"DB_Locate(O, 'NAME', 'PLUM')", "No"},
               {"DB_Locate(O, 'ID;QTY;NAME', 3, 5, 'plum')", "Yes"});
  std::unique_ptr<TExpression> tree = TranslateExp(Res("DB_Locate(O, 'ID;QTY;NAME', 1, 3, '苹果')"));
  ASSERT_TRUE(tree);
  std::unique_ptr<TExpression> copy(tree->CopySelf());
  ASSERT_FALSE(ExpEvaluate(*copy, kForceStamp));
  EXPECT_EQ(copy->GetString(), "Yes");
}

TEST_P(DBFunctionsTest, SetValueWritesThroughOrOnlyReads) {
  Eval("DB_OpenTable(DB, 'orders', 'O')");
  EXPECT_TEXTS({"DB_SetValue(O@NAME, '香蕉')", "香蕉"},
               {"DB_SetValue(O@QTY, 7, No)", "3"},
               {"DB_Append(O)", "0"}, {"DB_SetValue(O@QTY, 9, No)", "9"},
               {"DB_SetValue(O@NAME, 'kiwi')", "kiwi"}, {"DB_Post(O)", "0"},
               {"DB_RecCount(O)", "4"});
  Eval("DB_OpenSQL(DB, 'SELECT name, qty FROM orders ORDER BY id', 'S')");
  EXPECT_TEXTS({"S.NAME", "香蕉"}, {"S.QTY", "3"}, {"DB_Skip(S, 3)", "3"}, {"S.QTY", "9"});
}

TEST_P(DBFunctionsTest, AFailedWriteIsCancelledAndNothingIsWritten) {
  Eval("DB_ExecSQL(DB, 'CREATE TABLE c (id INTEGER PRIMARY KEY, v INT CHECK (v > 0))')");
  Eval("DB_ExecSQL(DB, 'INSERT INTO c VALUES (1, 5)')");
  Eval("DB_OpenTable(DB, 'c', 'C')");
  EXPECT_TEXTS({"DB_SetValue(C@V, -1)", "5"}, {"DB_Refresh(C)", "Yes"}, {"C.V", "5"});
  Eval("DB_OpenSQL(DB, 'SELECT v FROM c', 'R')");  // no key: read-only
  EXPECT_TEXTS({"DB_SetValue(R@V, 8)", "5"});
}

TEST_P(DBFunctionsTest, ExpressionFieldsAreTranslatedEachTime) {
  Eval("DB_OpenTable(DB, 'orders', 'O')");
  EXPECT_TEXTS({"DB_ExpField(O@FORMULA)", "3"}, {"DB_Skip(O, 1)", "1"},
               {"DB_ExpField(O@FORMULA, '40 + 2')", "42"}, {"DB_ExpField(O@FORMULA)", ""},
               {"DB_Skip(O, 1)", "2"}, {"DB_ExpField(O@FORMULA)", "X"});
}

TEST_P(DBFunctionsTest, StatementsErrorsAndScripts) {
  EXPECT_TEXTS({"DB_OpenSQL(DB, 'SELEC 1')",
                Engines("near \"SELEC\": syntax error", "syntax error at or near \"SELEC\"")},
               {"DB_OpenTable(DB, 'nowhere')", "Table 'nowhere' does not exist"},
               {"DB_Exec(DB, 'INSERT INTO empty_t VALUES (1, 1); INSERT INTO x VALUES (1)')",
                Engines("no such table: x in: INSERT INTO x VALUES (1)",
                        "relation \"x\" does not exist in: INSERT INTO x VALUES (1)")},
               {"DB_Count(DB_OpenTable(DB, 'empty_t'), 0, Yes, 7)", "7"},
               {"DB_Exec(DB, 'INSERT INTO empty_t VALUES (1, 1); INSERT INTO empty_t VALUES (2, 2)')",
                "Yes"},
               {"DB_RecCount(DB_OpenSQL(DB, 'SELECT * FROM empty_t'))", "2"},
               {"DB_ExecSQL(DB, 'DELETE FROM empty_t')", "Yes"},
               {"DB_OpenSQL(12345, 'SELECT 1')", "句柄12345不代表数据库"});
}

TEST_P(DBFunctionsTest, SqlTextReadsAndReplacesTheStatement) {
  Eval("DB_OpenSQL(DB, 'SELECT id FROM orders', 'Q')");
  EXPECT_TEXTS({"DB_SqlText(Q)", "SELECT id FROM orders"},
               {"DB_SqlText(Q, 'SELECT qty FROM orders', Yes)", "SELECT qty FROM orders"},
               {"DB_FieldName(Q, 0)", "qty"}, {"DB_RecCount(Q)", "3"}, {"VarExist('Q')", "Yes"});
  Eval("T := DB_OpenTable(DB, 'orders')");
  EXPECT_TEXTS({"DB_SqlText(T)", "orders"}, {"DB_SqlText(T, 'tree', Yes)", "tree"},
               {"DB_RecCount(T)", "6"});
}

TEST_P(DBFunctionsTest, CloseRemovesTheAliasAndItsFields) {
  Eval("DB_OpenTable(DB, 'orders', 'O')");
  EXPECT_TEXTS({"VarExist('O.NAME')", "Yes"}, {"DB_Close(O)", "0"},
               {"VarExist('O')", "No"}, {"VarExist('O.NAME')", "No"},
               {"VarExist('O@NAME')", "No"});
}

TEST_P(DBFunctionsTest, ReopeningUnderAnAliasReplacesItsFields) {
  Eval("DB_OpenSQL(DB, 'SELECT id FROM orders', 'Q')");
  Eval("DB_OpenSQL(DB, 'SELECT name FROM orders', 'Q')");
  EXPECT_TEXTS({"VarExist('Q.ID')", "No"}, {"Q.NAME", "苹果"});
}

TEST_P(DBFunctionsTest, PostCancelAndAppendReportInsteadOfRaising) {
  std::vector<std::string> reported;
  DialogHooks().ShowError = [&](const std::string& message) { reported.push_back(message); };
  Eval("DB_OpenSQL(DB, 'SELECT v FROM empty_t', 'R')");
  EXPECT_TEXTS({"DB_Append(R)", "0"}, {"DB_Cancel(R)", "0"});
  DialogHooks().ShowError = nullptr;
  ASSERT_EQ(reported.size(), 1u);
  EXPECT_EQ(reported[0], "DB_Append: Cannot modify a read-only dataset");
}

TEST_P(DBFunctionsTest, ControlsAndRefresh) {
  Eval("DB_OpenTable(DB, 'orders', 'O')");
  EXPECT_TEXTS({"DB_EnabledControls(O, No)", "Yes"}, {"DB_EnabledControls(O, Yes)", "Yes"},
               {"DB_EnabledControls(0, Yes)", "No"}, {"DB_Refresh(O)", "Yes"},
               {"DB_Refresh(0)", "No"});
}

TEST_P(DBFunctionsTest, TheSandboxRefusesWrites) {
  Eval("DB_OpenTable(DB, 'orders', 'O')");
  TSandboxSettings settings;
  settings.Enabled = true;
  SetSandbox(settings);
  std::string exec = Eval("DB_ExecSQL(DB, 'DELETE FROM orders')");
  std::string set = Eval("DB_SetValue(O@QTY, 1)");
  std::string read = Eval("DB_SetValue(O@QTY, 1, No)");
  SetSandbox(TSandboxSettings{});
  EXPECT_EQ(exec, Res("沙箱中不能使用函数DB_ExecSQL"));
  EXPECT_EQ(set, Res("沙箱中不能使用函数DB_SetValue"));
  EXPECT_EQ(read, "3");
  EXPECT_EQ(Eval("DB_RecCount(O)"), "3");
}

TEST_P(DBFunctionsTest, ChineseFieldNamesAndValuesTravelAsGbk) {
  TSqlConnection(Path).ExecuteScript(
      Res("CREATE TABLE 客户 (编号 INTEGER PRIMARY KEY, 名称 VARCHAR(20));"
          "INSERT INTO 客户 VALUES (1, '华联')"));
  Eval("DB_OpenTable(DB, '客户', 'K')");
  EXPECT_TEXTS({"K.名称", "华联"}, {"DB_FieldName(K, 1)", "名称"},
               {"DB_SetValue(K@名称, '燕莎')", "燕莎"},
               {"DB_Locate(K, '名称', '燕莎')", "Yes"});
  Eval("DB_OpenSQL(DB, 'SELECT 名称 FROM 客户', 'Q')");
  EXPECT_TEXTS({"Q.名称", "燕莎"});
}

TEST_P(DBFunctionsTest, LocateKeepsItsExtraValuesThroughTheObjectStream) {
  Eval("DB_OpenTable(DB, 'orders', 'O')");
  std::unique_ptr<TExpression> tree = TranslateExp(Utf8ToGbk("DB_Locate(O, 'ID;QTY;NAME', 2, 4, '梨')"));
  ASSERT_TRUE(tree);
  TMemoryStream stream;
  StreamWriteObject(stream, tree.get());
  stream.SetPosition(0);
  std::unique_ptr<TObject> loaded(StreamReadObject(stream));
  auto* copy = ObjectAs<TExpression>(loaded.get());
  ASSERT_TRUE(copy);
  EXPECT_EQ(copy->GetSubExpCount(), 5);
  ASSERT_FALSE(ExpEvaluate(*copy, kForceStamp));
  EXPECT_EQ(copy->GetString(), "Yes");
  EXPECT_EQ(Eval("DB_RecNo(O)"), "1");
}

struct TNoticeCounter : TDataSetObserver {
  int Notices = 0;
  void DataSetNotify(TDataSet&, TDataSetEvent) override { ++Notices; }
};

TEST_P(DBFunctionsTest, DisabledControlsHoldBackNoticesUntilEnabled) {
  Eval("DB_OpenTable(DB, 'orders', 'O')");
  auto* dataSet = ObjectOfHandleAs<TDataSet>(std::stoi(Eval("O")), hkDataSet);
  ASSERT_TRUE(dataSet);
  TNoticeCounter counter;
  dataSet->AddObserver(&counter);
  Eval("DB_Skip(O, 1)");
  EXPECT_EQ(counter.Notices, 1);
  Eval("DB_EnabledControls(O, No)");
  Eval("DB_Count(O, 0, Yes, 1)");
  Eval("DB_Goto(O, 2)");
  EXPECT_EQ(counter.Notices, 1);
  Eval("DB_EnabledControls(O, Yes)");
  EXPECT_EQ(counter.Notices, 2);
  dataSet->RemoveObserver(&counter);
}

// The default database is a file.
using DBFunctionsSqliteTest = DBFunctionsTest;

TEST_P(DBFunctionsSqliteTest, TheDefaultDatabaseComesFromTheHostThenTheEnvironment) {
  SetDefaultDatabase("");
  setenv("QNEXP_DATABASE", Path.c_str(), 1);
  EXPECT_EQ(DefaultDatabasePath(), Path);
  EXPECT_TEXTS({"DB_RecCount(DB_OpenTable(0, 'orders'))", "3"},
               {"DB_OpenDatabase('') = DB", "Yes"});
  std::string missing = (Folder / "missing.db").string();
  SetDefaultDatabase(missing);
  EXPECT_EQ(Eval("DB_OpenTable(0, 'orders')"), "Database '" + missing + "' not found");
  EXPECT_FALSE(std::filesystem::exists(missing));
  SetDefaultDatabase("");
  unsetenv("QNEXP_DATABASE");
}

TEST_P(DBFunctionsTest, BadArgumentsAreRefusedAtTranslation) {
  for (const char* text : {"DB_RecNo('x')", "DB_EOF(1.5)", "DB_Field(Yes)", "DB_Skip(0)",
                           "DB_FieldName(0)", "DB_OpenSQL(0)"})
    EXPECT_EQ(TranslateExp(text), nullptr) << text;
}

INSTANTIATE_TEST_SUITE_P(Engines, DBFunctionsTest, ::testing::Values(kSqlite, kPostgres),
                         EngineName);
INSTANTIATE_TEST_SUITE_P(Engines, DBFunctionsSqliteTest, ::testing::Values(kSqlite), EngineName);

}  // namespace
}  // namespace qnexp
