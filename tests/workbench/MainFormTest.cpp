// The workbench's main window: the catalogues and inserting from them, datasets under an
// alias, automatic evaluation, the example menu and saving, grid colours, the confirmations.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTableView>
#include <QTextCursor>
#include <filesystem>
#include <fstream>

#include <QMouseEvent>
#include <QToolButton>
#include <unistd.h>

#include "WorkbenchTesting.h"
#include "core/EntryPoints.h"
#include "core/Translator.h"
#include "core/Variables.h"
#include "dbfunctions/DBVarList.h"
#include "platform/QtText.h"
#include "runtime/DataSet.h"
#include "runtime/Handles.h"
#include "runtime/Stream.h"
#include "workbench/WorkbenchDatabase.h"
#include "workbench/WorkbenchFiles.h"

using namespace qnexp;
using namespace qnexp::testing;
using namespace qnexp::workbench;

namespace {

class TMainFormTest : public TWorkbenchTest {
protected:
  explicit TMainFormTest(bool ownFiles = false) : TWorkbenchTest(ownFiles) {}
  QListWidgetItem* FunctionItem(const char* name) {
    auto found = Child<QListWidget>("BoxFunctions")->findItems(QString::fromUtf8(name), Qt::MatchExactly);
    return found.isEmpty() ? nullptr : found.first();
  }
  // Opens a table file of the data folder under an alias, as the database page does.
  void OpenTableFile(const char* file, const char* alias) {
    Child<QComboBox>("cbTableName")->setCurrentText(QString::fromUtf8(file));
    Child<QLineEdit>("edAlias")->setText(QString::fromUtf8(alias));
    Child<QTabWidget>("Pages_DB")->setCurrentIndex(0);
    Form->OpenTable();
  }
};

// Tests that change the shipped files, on copies of them.
class TMainFormFilesTest : public TMainFormTest {
protected:
  TMainFormFilesTest() : TMainFormTest(true) {}
};

TEST_F(TMainFormTest, StartsWithTheCataloguesFilledAndNothingReported) {
  EXPECT_TRUE(Errors.empty()) << Errors.front();
  EXPECT_TRUE(Messages.empty()) << Messages.front();
  EXPECT_EQ(Form->windowTitle().left(5), QString::fromUtf8("qnexp"));
  // The catalogue's spelling for registered functions, the drawing functions among them.
  std::vector<std::string> functions = Items("BoxFunctions");
  EXPECT_TRUE(Contains(functions, "RMBFormat"));
  EXPECT_TRUE(Contains(functions, "GrPoint"));
  EXPECT_TRUE(Contains(Items("BoxPubVars"), "CELLFIELD"));
  EXPECT_FALSE(Child<QWidget>("btnCloseTable")->isEnabled());
  EXPECT_EQ(FromUtf8(Child<QLineEdit>("edTableDir")->text()), DataFolder());
  EXPECT_GE(Child<QComboBox>("cbTableName")->findText(QString::fromUtf8("客户.db")), 0);
}

TEST_F(TMainFormTest, InsertsAFunctionWithItsFirstParameterSelected) {
  Editor()->clear();
  Child<QListWidget>("BoxFunctions")->itemActivated(FunctionItem("RMBFormat"));
  EXPECT_EQ(Editor()->toPlainText(), "RMBFormat(amount, format)");
  EXPECT_EQ(Editor()->textCursor().selectedText(), "amount");

  // Without a catalogue line: the registered name and "()", the caret between them.
  ASSERT_NE(TranslateExp("CustomFunction('Twice', 1, 0, CustFuncParam(1) * 2)"), nullptr);
  Form->RefreshCatalogues();
  Editor()->clear();
  ASSERT_NE(FunctionItem("TWICE"), nullptr);
  Child<QListWidget>("BoxFunctions")->itemActivated(FunctionItem("TWICE"));
  QTextCursor cursor = Editor()->textCursor();
  EXPECT_EQ(Editor()->toPlainText(), "TWICE()");
  EXPECT_EQ(cursor.position(), 6);
  EXPECT_FALSE(cursor.hasSelection());
}

TEST_F(TMainFormTest, InsertsMacrosAndVariablesAndNothingOnTheDatabasePage) {
  ASSERT_NE(TranslateExp("DefinMacro('rate', '0.06')"), nullptr);
  TranslateExp("DefinMacro('rate', '0.06')")->Evaluate(kForceStamp);
  Form->RefreshCatalogues();
  Editor()->clear();
  auto* macros = Child<QListWidget>("BoxMacros");
  auto rate = macros->findItems("rate=0.06", Qt::MatchExactly);
  ASSERT_EQ(rate.size(), 1);
  macros->itemActivated(rate.first());
  EXPECT_EQ(Editor()->toPlainText(), "~rate~");
  auto* variables = Child<QListWidget>("BoxPubVars");
  variables->itemActivated(variables->findItems("CELLVALUE", Qt::MatchExactly).first());
  EXPECT_EQ(Editor()->toPlainText(), "~rate~CELLVALUE");

  Form->SetPage(1);
  Form->InsertIntoEditor("x", 0, 0);
  EXPECT_EQ(Editor()->toPlainText(), "~rate~CELLVALUE");
  EXPECT_FALSE(Child<QAction>("ActLoadExp")->isEnabled());
  EXPECT_FALSE(Child<QAction>("ActSave")->isEnabled());
  EXPECT_FALSE(Child<QWidget>("BtnPage1")->isEnabled());
  EXPECT_TRUE(Child<QWidget>("BtnPage0")->isEnabled());
}

TEST_F(TMainFormTest, ADataSetUnderAnAliasIsListedWithItsFields) {
  OpenTableFile("订单.db", "ORDERS");
  EXPECT_TRUE(Contains(Items("BoxPubVars"), "ORDERS"));
  EXPECT_EQ(Items("BoxDataSets"), std::vector<std::string>{"ORDERS"});
  EXPECT_TRUE(Contains(Items("BoxFieldVars"), "ORDERS.CLERK"));
  EXPECT_TRUE(Contains(Items("BoxFieldRefVars"), "ORDERS@CLERK"));
  EXPECT_TRUE(Child<QWidget>("btnCloseTable")->isEnabled());
  TDataSet* orders = Form->GridDataSet();
  ASSERT_NE(orders, nullptr);
  EXPECT_EQ(Child<QTableView>("DBGrid1")->model()->rowCount(), 5);
  EXPECT_EQ(Evaluate("ORDERS.clerk"), Utf8ToGbk("王芳"));

  // The same alias again: the old dataset is freed and its fields go before the new ones come.
  int32_t oldHandle = HandleOf(orders, hkDataSet);
  OpenTableFile("客户.db", "ORDERS");
  EXPECT_EQ(ObjectOfHandle(oldHandle, hkDataSet), nullptr);
  EXPECT_FALSE(Contains(Items("BoxFieldVars"), "ORDERS.CLERK"));
  EXPECT_TRUE(Contains(Items("BoxFieldVars"), "ORDERS.CITY"));

  Child<QListWidget>("BoxDataSets")->setCurrentRow(0);
  Form->CloseSelectedTable();
  EXPECT_TRUE(Items("BoxDataSets").empty());
  EXPECT_TRUE(Items("BoxFieldVars").empty());
  EXPECT_EQ(Form->GridDataSet(), nullptr);
  EXPECT_EQ(GetDBVarList()->GetVarExp("ORDERS.CITY"), nullptr);
}

TEST_F(TMainFormTest, QueriesAndBadTablesOfTheDatabasePage) {
  Child<QTabWidget>("Pages_DB")->setCurrentIndex(1);
  Child<QPlainTextEdit>("MemSQL")->setPlainText("SELECT name, price FROM products ORDER BY price");
  Child<QLineEdit>("edAlias")->setText("P");
  Form->OpenTable();
  EXPECT_EQ(Evaluate("P.name"), Utf8ToGbk("苏绣手帕"));
  // Choosing a table file names the alias after it.
  Child<QComboBox>("cbTableName")->setCurrentText(QString::fromUtf8("产品.db"));
  EXPECT_EQ(Child<QLineEdit>("edAlias")->text(), QString::fromUtf8("产品"));
  // A file with several tables and none of its name, and a missing table, raise their errors.
  EXPECT_THROW(OpenTableFile("qnexp.db", "Q"), EDatabaseError);
  EXPECT_THROW(OpenTableFile("nosuchtable", "Q"), Exception);
  EXPECT_FALSE(Contains(Items("BoxPubVars"), "Q"));
}

TEST_F(TMainFormTest, ExpressionsOpenDesktopTablesThroughTheHooks) {
  EXPECT_EQ(Evaluate("DB_OpenDatabase('')"), "0");
  EXPECT_EQ(Evaluate("DB_RecCount(DB_OpenTable(0, 'customers'))"), "5");
  std::string file = DataFolder() + Utf8ToGbk("地区.db");
  std::string text = "DB_RecCount(DB_OpenTable(0, '" + file + "'))";
  Editor()->setPlainText(ToQString(text));
  Child<QAction>("ActEvalute")->trigger();
  EXPECT_EQ(Result(), "13");
  // Macros are expanded in SQL texts.
  Evaluate("DefinMacro('t', 'products')");
  EXPECT_EQ(Evaluate("DB_RecCount(DB_OpenSQL(0, 'select * from ~t~'))"), "6");
}

TEST_F(TMainFormTest, AutomaticEvaluationDisablesTheEvaluateAction) {
  auto* automatic = Child<QCheckBox>("cbAuto");
  automatic->click();
  EXPECT_FALSE(Child<QAction>("ActEvalute")->isEnabled());
  Editor()->setPlainText("6 * 7");
  EXPECT_EQ(Result(), "42");
  Editor()->setPlainText("6 * 8");
  EXPECT_EQ(Result(), "48");
  automatic->click();
  EXPECT_TRUE(Child<QAction>("ActEvalute")->isEnabled());
  Editor()->setPlainText("1 + 1");
  EXPECT_EQ(Result(), "48");
}

TEST_F(TMainFormTest, MacroExpansionBeforeEvaluationFollowsItsCheckBox) {
  TranslateExp("DefinMacro('n', '40')")->Evaluate(kForceStamp);
  Editor()->setPlainText("~n~ + 2");
  Child<QCheckBox>("cbMacro")->click();
  Child<QAction>("ActEvalute")->trigger();
  EXPECT_EQ(Result(), "42");
}

TEST_F(TMainFormFilesTest, ExamplesLoadAndSavedFilesJoinTheMenuOnlyInTheExpressionFolder) {
  QMenu* menu = Child<QMenu>("PopupMenu1");
  int topLevels = menu->actions().size();
  ASSERT_GT(topLevels, 0);

  std::string outside = std::filesystem::temp_directory_path().string() + "/qnexp-wb-" +
                        std::to_string(getpid()) + ".exp";
  Editor()->setPlainText(QString::fromUtf8("'中文' + 1\n// two lines"));
  Form->SaveExpression(outside);
  EXPECT_EQ(ReadFileBytes(outside), Utf8ToGbk("'中文' + 1\n// two lines\n"));
  EXPECT_EQ(menu->actions().size(), topLevels);
  EXPECT_TRUE(Child<QLabel>("LabExpCaption")->text().endsWith(QString::fromStdString(outside) + "]"));
  std::filesystem::remove(outside);

  std::string inside = ExpressionFolder() + "/" + Utf8ToGbk("测试保存") + std::to_string(getpid()) + ".exp";
  Form->SaveExpression(inside);
  bool listed = false;
  for (QAction* action : menu->actions()) listed |= action->data().toString() == ToQString(inside);
  std::filesystem::remove(ToQString(inside).toStdString());
  EXPECT_TRUE(listed);

  // A file that cannot be written is reported through the save action, and nothing changes.
  Form->ChooseSaveFile = [] { return QString("/nonexistent-folder/x.exp"); };
  Child<QAction>("ActSave")->trigger();
  ASSERT_EQ(Errors.size(), 1u);
  EXPECT_NE(Errors[0].find("/nonexistent-folder/x.exp"), std::string::npos);
  EXPECT_THROW(Form->SaveExpression("/nonexistent-folder/x.exp"), EFCreateError);

  // A menu entry loads its file and names it in the caption.
  QAction* entry = menu->actions().first();
  while (entry->menu()) entry = entry->menu()->actions().first();
  entry->trigger();
  EXPECT_FALSE(Editor()->toPlainText().isEmpty());
  EXPECT_TRUE(Child<QLabel>("LabExpCaption")->text().endsWith(entry->data().toString() + "]"));

  Form->LoadExample(outside);  // gone now: reported, read as empty
  EXPECT_EQ(Editor()->toPlainText(), "");
  ASSERT_EQ(Messages.size(), 1u);
  EXPECT_EQ(Messages[0].substr(0, Res(kOpenFileFailedTitle).size()), Res(kOpenFileFailedTitle));
  Child<QToolButton>("BtnClearExp")->click();
  EXPECT_EQ(Child<QLabel>("LabExpCaption")->text(), QString::fromUtf8("表达式(&E)"));
}

TEST_F(TMainFormFilesTest, SelectedGridCellsKeepTheDefaultColours) {
  OpenTableFile("产品.db", "P");
  QAbstractItemModel* model = Child<QTableView>("DBGrid1")->model();
  ASSERT_NE(model, nullptr);
  TranslateExp("ColourCalls := 0")->Evaluate(kForceStamp);
  // Every cell gets the colour expression's value: here, red for the price column.
  std::string colourFile = GridColourFile();
  std::string saved = ReadFileBytes(colourFile);
  WriteFileBytes(colourFile,
                 "Iif(Do(ColourCalls := ColourCalls + 1), Iif(CellField = 'price', 255, 0), 0)");
  Form->RefreshColour();
  WriteFileBytes(colourFile, saved);
  int price = 4;
  ASSERT_EQ(model->headerData(price, Qt::Horizontal).toString(), "price");
  EXPECT_EQ(Form->GridCellColour(model->index(0, price), false), QColor(255, 0, 0));
  EXPECT_EQ(Form->GridCellColour(model->index(0, 0), false), QColor(0, 0, 0));
  TranslateExp("ColourCalls := 0")->Evaluate(kForceStamp);
  EXPECT_EQ(Form->GridCellColour(model->index(0, price), true), std::nullopt);
  EXPECT_EQ(TranslateExp("ColourCalls")->GetInteger(), 0);
}

TEST_F(TMainFormFilesTest, ABrokenColourExpressionRaisesTheTranslatorsMessage) {
  std::string colourFile = GridColourFile();
  std::string saved = ReadFileBytes(colourFile);
  WriteFileBytes(colourFile, "1 +");
  EXPECT_THROW(
      {
        try {
          Form->RefreshColour();
        } catch (const Exception& error) {
          WriteFileBytes(colourFile, saved);
          EXPECT_NE(error.Message.find(Res("[错]")), std::string::npos);
          throw;
        }
      },
      Exception);
  WriteFileBytes(colourFile, saved);
  EXPECT_EQ(Form->CellColour("x", "y"), std::nullopt);
  EXPECT_EQ(Evaluate("1 + 2"), "3");
}

TEST_F(TMainFormTest, ClosingAndTheContactPanelAskFirst) {
  Answer = false;
  EXPECT_FALSE(Form->close());
  ASSERT_EQ(Questions.size(), 1u);
  EXPECT_EQ(Questions[0], Utf8ToGbk("退出?"));
  QLabel* contact = Child<QLabel>("PanelCompanyInfo");
  QMouseEvent release(QEvent::MouseButtonRelease, QPointF(1, 1), QPointF(1, 1), Qt::LeftButton,
                      Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(contact, &release);
  ASSERT_EQ(Questions.size(), 2u);
  EXPECT_EQ(Questions[1].substr(0, Res("联系方式:").size()), Res("联系方式:"));
}

TEST_F(TMainFormTest, FullClientHidesTheResourceAndClipboardPanels) {
  Form->show();
  Child<QCheckBox>("cbFullClient")->click();
  EXPECT_FALSE(Child<QWidget>("PanelExpRes")->isVisible());
  EXPECT_FALSE(Child<QWidget>("PanelClipBoard")->isVisible());
  Child<QCheckBox>("cbFullClient")->click();
  EXPECT_TRUE(Child<QWidget>("PanelExpRes")->isVisible());
}

}  // namespace
