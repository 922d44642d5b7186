// The control functions on real widgets: hooks and their nesting, clicks and actions, the grid
// functions over a dataset model, sounds and fonts.
#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QMenu>
#include <QTableView>
#include <cstdlib>
#include <fstream>
#include <memory>

#include "ControlsTesting.h"
#include "TempFolder.h"
#include "controls/DataSetModel.h"
#include "controls/QNExpression.h"
#include "controls/Sound.h"
#include "core/FunctionList.h"
#include "core/Function.h"
#include "core/Sandbox.h"
#include "platform/Events.h"
#include "platform/RegistryStore.h"
#include "runtime/Handles.h"

namespace qnexp::testing {
namespace {

class Hooks : public TFormTest {
protected:
  void SetUp() override {
    TFormTest::SetUp();
    EvalText("n := 0");
    EvalText("allow := Yes");
    Own = MakeNotifyEvent("Test.Own", [this](QObject*) { Seen.push_back("own at n=" + EvalText("n")); });
    SetEventHandler(Button, "OnClick", Own);
  }
  int64_t Installed() { return GetEventHandler(Button, "OnClick").Identity(); }
  TNotifyEvent Own;
  std::vector<std::string> Seen;
};

TEST_F(Hooks, TheConditionGuardsTheHandlerAndTheAfterExpressionFollowsIt) {
  EXPECT_EQ(EvalText("Hook('Button1', allow, n := n + 1)"), "etBoolean Yes");
  Button->click();
  EXPECT_EQ(Seen, std::vector<std::string>{"own at n=etInteger 0"});
  EXPECT_EQ(EvalText("n"), "etInteger 1");
  EvalText("allow := No");
  Button->click();
  EXPECT_EQ(Seen.size(), 1u);
  EXPECT_EQ(EvalText("n"), "etInteger 1");
}

TEST_F(Hooks, HookingTwiceAndUnhookingTwiceRestoresTheFirstHandler) {
  EXPECT_EQ(EvalText("Hook('Button1', Yes, n := n + 1)"), "etBoolean Yes");
  EXPECT_EQ(EvalText("Hook('Button1', Yes, n := n + 10)"), "etBoolean Yes");
  EXPECT_EQ(HookCount(), 2u);
  Button->click();
  EXPECT_EQ(EvalText("n"), "etInteger 11");
  EXPECT_EQ(Seen.size(), 1u);
  EXPECT_EQ(EvalText("Hook('Button1')"), "etBoolean Yes");
  EXPECT_NE(Installed(), Own.Identity());
  Button->click();
  EXPECT_EQ(EvalText("n"), "etInteger 12");
  EXPECT_EQ(EvalText("Hook('Button1')"), "etBoolean Yes");
  EXPECT_EQ(Installed(), Own.Identity());
  EXPECT_EQ(EvalText("Hook('Button1')"), "etBoolean No");
}

TEST_F(Hooks, ASecondEvaluationOfTheSameNodeUnhooks) {
  std::unique_ptr<TExpression> hook = TranslateExp("Hook('Button1', Yes, n := n + 1)");
  ASSERT_NE(hook, nullptr);
  EXPECT_EQ(Outcome(*hook), "etBoolean Yes");
  EXPECT_EQ(hook->GetSubExpCount(), 1) << "the expressions went to the hooker";
  EXPECT_EQ(Outcome(*hook), "etBoolean Yes");
  EXPECT_EQ(Installed(), Own.Identity());
  EXPECT_EQ(Outcome(*hook), "etBoolean No");
}

TEST_F(Hooks, MissingOrUnhookableComponentsAndDestroyedOnes) {
  Make<TQNExpression>(Form, "Exp1");
  for (const char* text : {"Hook('Nothing', Yes)", "Hook('Exp1', Yes)", "Hook(0, Yes)",
                           "Hook(987654, Yes)", "DoAction('Nothing')", "DoAction('Edit1')"})
    EXPECT_EQ(EvalText(text), "etBoolean No") << text;
  EXPECT_EQ(EvalText("Click('Nothing')"), "etBoolean Yes");
  EXPECT_EQ(HookCount(), 0u);

  EXPECT_EQ(EvalText("Hook('Button1', Yes, n := n + 1)"), "etBoolean Yes");
  EXPECT_EQ(EvalText("Hook('Button1', Yes, n := n + 1)"), "etBoolean Yes");
  delete Button;
  EXPECT_EQ(HookCount(), 0u);
  EXPECT_EQ(EvalText("Hook('Button1')"), "etBoolean No");
  EXPECT_EQ(EvalText("Click('Button1')"), "etBoolean Yes");
}

TEST_F(Hooks, ActionsMenusAndOtherWidgetsAreClickedThroughTheirHandlers) {
  EXPECT_EQ(EvalText("Hook('Action1', Yes, n := n + 1)"), "etBoolean Yes");
  EXPECT_EQ(EvalText("DoAction('Action1')"), "etBoolean Yes");
  EXPECT_EQ(EvalText("Click('action1')"), "etBoolean Yes");
  EXPECT_EQ(EvalText("n"), "etInteger 2");
  Action->setEnabled(false);
  EXPECT_EQ(EvalText("DoAction('Action1')"), "etBoolean No");
  EXPECT_EQ(EvalText("n"), "etInteger 2");

  auto* menu = Make<QMenu>(Form, "Menu1");
  EXPECT_EQ(EvalText("Hook('Menu1', Yes, n := n + 100)"), "etBoolean Yes");
  EXPECT_EQ(EvalText("Click('Menu1')"), "etBoolean Yes");
  emit menu->aboutToShow();
  EXPECT_EQ(EvalText("n"), "etInteger 202");

  EXPECT_EQ(EvalText("Hook('Label1', Yes, n := 0)"), "etBoolean Yes");
  EXPECT_EQ(EvalText("Click('Label1')"), "etBoolean Yes");
  EXPECT_EQ(EvalText("n"), "etInteger 0");
}

TEST_F(Hooks, TheSandboxRefusesFunctionsThatActOnTheUserInterface) {
  TSandboxSettings settings;
  settings.Enabled = true;
  SetSandbox(settings);
  for (const char* text : {"SetCompValue('Edit1', 'Text', 'x')", "Click('Button1')",
                           "DoAction('Action1')", "Hook('Button1', Yes)"})
    EXPECT_EQ(EvalText(text).rfind("raised ", 0), 0u) << text;
  EXPECT_EQ(EvalText("GetCompValue('Edit1', 'Text')"), "etString ");
  SetSandbox(TSandboxSettings{});
  EXPECT_TRUE(Seen.empty());
  EXPECT_EQ(Edit->text().toStdString(), "");
}

// --- Grids -------------------------------------------------------------------------------------

// Rows of (ID); readable in expressions as TestRecNo(), the dataset's record number.
class TMemDataSet : public TDataSet {
public:
  explicit TMemDataSet(int rows) : Rows(rows) {}
  ~TMemDataSet() override { Close(); }

protected:
  void DoOpen() override {
    AddField("ID", ftInteger, 0);
    Next = 0;
  }
  bool FetchRow(TRow& row) override {
    if (Next >= Rows) return false;
    row = {int64_t(++Next * 10)};
    return true;
  }
  void DoClose() override {}

private:
  int Rows;
  int Next = 0;
};

TDataSet* GridDataSet = nullptr;

class TExp_TestRecNo : public TI0Function {
  QN_CLASS(TExp_TestRecNo, TI0Function)
public:
  void Calculate() override { PutInteger(GridDataSet->RecNo()); }
};

class Grids : public TFormTest {
protected:
  void SetUp() override {
    TFormTest::SetUp();
    Data = std::make_unique<TMemDataSet>(5);
    Data->Open();
    GridDataSet = Data.get();
    Grid = Make<QTableView>(Form, "Grid1");
    Model = new TDataSetModel(Data.get(), Grid);
    Grid->setModel(Model);
    Grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    Grid->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ExpTranslator->Functions->AddFunction("TestRecNo", TExp_TestRecNo::StaticClass());
  }
  void TearDown() override {
    ExpTranslator->Functions->DelFunction("TestRecNo");
    TFormTest::TearDown();
    Data.reset();
  }
  void Select(std::initializer_list<int> rows) {
    for (int row : rows)
      Grid->selectionModel()->select(Model->index(row, 0),
                                     QItemSelectionModel::Select | QItemSelectionModel::Rows);
  }
  std::unique_ptr<TMemDataSet> Data;
  QTableView* Grid = nullptr;
  TDataSetModel* Model = nullptr;
};

TEST_F(Grids, TheModelShowsTheRecordsWithoutMovingTheDataSet) {
  Data->MoveBy(2);
  EXPECT_EQ(Model->rowCount(), 5);
  EXPECT_EQ(Model->columnCount(), 1);
  EXPECT_EQ(Model->headerData(0, Qt::Horizontal).toString().toStdString(), "ID");
  EXPECT_EQ(Model->data(Model->index(4, 0)).toString().toStdString(), "50");
  EXPECT_EQ(Data->RecNo(), 3);
  EXPECT_THROW(Model->RowBookmark(5), EListError);
  Data.reset();  // a dataset destroyed before its model leaves it empty
  EXPECT_EQ(Model->DataSet(), nullptr);
  EXPECT_EQ(Model->rowCount(), 0);
  EXPECT_FALSE(Model->data(Model->index(0, 0)).isValid());
}

TEST_F(Grids, SelectedRowsAreCountedVisitedAndWorkedThroughInOrder) {
  Select({3, 1});
  EXPECT_EQ(EvalText("DBGridSelectedRowCount('Grid1')"), "etInteger 2");
  EXPECT_EQ(EvalText("DBGridGotoSelectedRow('Grid1', 1)"), "etBoolean Yes");
  EXPECT_EQ(Data->RecNo(), 4);
  // An index equal to the number of selected rows leaves the dataset where it was.
  EXPECT_EQ(EvalText("DBGridGotoSelectedRow('Grid1', 2)"), "etBoolean No");
  EXPECT_EQ(Data->RecNo(), 4);
  EXPECT_EQ(EvalText("DBGridGotoSelectedRow('Grid1', -1)"), "raised List index out of bounds (-1)");

  EvalText("seen := ''");
  EXPECT_EQ(EvalText("DBGridEachSelectedRows('Grid1', seen := seen + ToStr(TestRecNo()) + ',')"),
            "etBoolean Yes");
  EXPECT_EQ(EvalText("seen"), "etString 2,4,");
  // A boolean body that yields false stops the walk.
  EvalText("seen := ''");
  EXPECT_EQ(EvalText("DBGridEachSelectedRows('Grid1', Do(seen := seen + 'x') and TestRecNo() > 2)"),
            "etBoolean No");
  EXPECT_EQ(EvalText("seen"), "etString x");
}

TEST_F(Grids, SingleSelectionEmptyDataSetsMissingGridsAndOtherComponents) {
  Grid->setSelectionMode(QAbstractItemView::SingleSelection);
  EXPECT_EQ(EvalText("DBGridSelectedRowCount('Grid1')"), "etInteger 1");
  EXPECT_EQ(EvalText("DBGridGotoSelectedRow('Grid1', 7)"), "etBoolean Yes");
  EvalText("k := 0");
  EXPECT_EQ(EvalText("DBGridEachSelectedRows('Grid1', k := k + 1)"), "etBoolean Yes");
  EXPECT_EQ(EvalText("k"), "etInteger 1");
  Data->Close();
  EXPECT_EQ(EvalText("DBGridSelectedRowCount('Grid1')"), "etInteger 0");
  EXPECT_EQ(EvalText("DBGridGotoSelectedRow('Grid1', 0)"), "etBoolean No");
  EXPECT_EQ(EvalText("DBGridEachSelectedRows('Grid1', k := k + 1)"), "etBoolean Yes");
  EXPECT_EQ(EvalText("k"), "etInteger 1");

  EXPECT_EQ(EvalText("DBGridSelectedRowCount('Nothing')"), "etInteger 0");
  EXPECT_EQ(EvalText("DBGridGotoSelectedRow('Nothing', 0)"), "etBoolean No");
  EXPECT_EQ(EvalText("DBGridEachSelectedRows('Nothing', k := k + 1)"), "etBoolean No");
  for (const char* text : {"DBGridSelectedRowCount('Edit1')", "DBGridGotoSelectedRow('Edit1', 0)",
                           "DBGridEachSelectedRows('Edit1', 1)"})
    EXPECT_EQ(EvalText(text), "raised Invalid class typecast") << text;
}

// --- Sounds and fonts --------------------------------------------------------------------------

class Sounds : public TTempFolderTest {
protected:
  void SetUp() override {
    TTempFolderTest::SetUp();
    const char* previous = getenv("QNEXP_REGISTRY");
    Previous = previous ? previous : "";
    HadPrevious = previous != nullptr;
    setenv("QNEXP_REGISTRY", Folder.c_str(), 1);
  }
  void TearDown() override {
    if (HadPrevious)
      setenv("QNEXP_REGISTRY", Previous.c_str(), 1);
    else
      unsetenv("QNEXP_REGISTRY");
    TTempFolderTest::TearDown();
  }
  std::string Previous;
  bool HadPrevious = false;
};

// A short silent WAV file.
void WriteWav(const std::string& path) {
  const uint32_t samples = 800, dataBytes = samples * 2;
  std::ofstream out(path, std::ios::binary);
  auto u32 = [&out](uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
  auto u16 = [&out](uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
  out.write("RIFF", 4);
  u32(36 + dataBytes);
  out.write("WAVEfmt ", 8);
  u32(16);
  u16(1);
  u16(1);
  u32(8000);
  u32(16000);
  u16(2);
  u16(16);
  out.write("data", 4);
  u32(dataBytes);
  out << std::string(dataBytes, '\0');
}

TEST_F(Sounds, EventLabelsNameFilesAndLoopingSoundsToggle) {
  std::string wav = Folder + "/ding.wav";
  WriteWav(wav);
  ASSERT_TRUE(RegCreateKey(rkCurrentUser, "AppEvents\\EventLabels\\Ding"));
  ASSERT_TRUE(RegWriteValue(rkCurrentUser, "AppEvents\\EventLabels\\Ding", "", RegStringValue(wav)));
  EXPECT_TRUE(IsEventLabel("Ding"));
  EXPECT_FALSE(IsEventLabel("Dong"));
  TSound labelled;
  labelled.EventLable = "ding";
  EXPECT_EQ(labelled.SoundFile(), wav);

  for (const std::string& text :
       {std::string("PlaySound('Ding')"), std::string("PlaySound('')"), "PlaySound('" + wav + "')",
        std::string("PlaySound('/no/such/file.wav', Yes)"), std::string("PlaySound(987654)")})
    EXPECT_EQ(EvalText(text), "etBoolean Yes") << text;

  auto sound = std::make_unique<TSound>();
  sound->FileName = wav;
  std::string handle = std::to_string(HandleOf(sound.get(), hkSound));
  EXPECT_EQ(EvalText("PlaySound(" + handle + ", Yes)"), "etBoolean Yes");
  EXPECT_TRUE(sound->Loop);
  EXPECT_EQ(sound->Tag, 1);
  EXPECT_EQ(EvalText("PlaySound(" + handle + ")"), "etBoolean Yes");
  EXPECT_EQ(sound->Tag, 0);
  sound.reset();
  EXPECT_EQ(EvalText("PlaySound(" + handle + ")"), "etBoolean Yes");
}

using Fonts = TFormTest;

TEST_F(Fonts, FontsWantingListsTheMissingFamiliesOnce) {
  EXPECT_EQ(EvalText("FontsWanting('MainForm')"), "etString ");
  QFont missing(QStringLiteral("No Such Family Qn"));
  Edit->setFont(missing);
  Memo->setFont(missing);
  Button->setFont(QFont(QStringLiteral("Another Missing Qn")));
  ASSERT_FALSE(QFontDatabase::families().contains("No Such Family Qn"));
  EXPECT_EQ(EvalText("FontsWanting('mainform')"),
            "etString \"No Such Family Qn\";\"Another Missing Qn\"");
  EXPECT_EQ(EvalText("FontsWanting(" + HandleText(Form) + ")"),
            "etString \"No Such Family Qn\";\"Another Missing Qn\"");
  EXPECT_EQ(EvalText("FontsWanting('NoSuchForm')"), "etString ");
}

}  // namespace
}  // namespace qnexp::testing
