// The main window's work: the catalogues and inserting from them, the example menu, saving,
// and the tables and queries of the database page.
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTableView>
#include <QTextBlock>
#include <QTextCursor>
#include <QToolButton>

#include "controls/DataSetModel.h"
#include "controls/QNExpression.h"
#include "core/EntryPoints.h"
#include "core/FunctionList.h"
#include "core/Translator.h"
#include "core/Variables.h"
#include "dbfunctions/DBVarList.h"
#include "platform/Dialogs.h"
#include "platform/QtText.h"
#include "runtime/DataSet.h"
#include "runtime/Gbk.h"
#include "runtime/GbkChars.h"
#include "runtime/Handles.h"
#include "support/Macros.h"
#include "support/StrFuncs.h"
#include "support/Wildcard.h"
#include "workbench/CodeEditor.h"
#include "workbench/MainForm.h"
#include "workbench/WorkbenchDatabase.h"
#include "workbench/WorkbenchFiles.h"

namespace qnexp::workbench {

namespace {

QString Q(const char* utf8) { return QString::fromUtf8(utf8); }

// The variable lists a look-up goes through: the current list and its parents while the
// parent search is on.
template <class Visit>
void ForEachVarList(Visit visit) {
  for (TVarList* list = GetVarList(); list; list = list->Parent) {
    visit(*list);
    if (!list->SearchParent) break;
  }
}

void AddItem(QListWidget* list, const std::string& text) { list->addItem(ToQString(text)); }

// Menu captions keep "&" as it is.
QString MenuCaption(const std::string& part) { return ToQString(part).replace('&', "&&"); }

constexpr int kCatalogueIndexRole = Qt::UserRole;
constexpr int kExampleFileRole = Qt::UserRole;

}  // namespace

// --- Catalogues --------------------------------------------------------------------------------

void TExpMainForm::RefreshCatalogues() {
  BoxMacros->clear();
  if (DefaultMacros)
    for (int i = 0; i < DefaultMacros->List().Count(); ++i) AddItem(BoxMacros, DefaultMacros->List().Get(i));

  BoxFunctions->clear();
  const TFunctionList& registry = *ExpTranslator->Functions;
  for (int i = 0; i < registry.Count(); ++i) {
    const std::string& name = registry.Get(i);
    int line = -1;
    for (size_t j = 0; j < Catalogue.size() && line < 0; ++j)
      if (UpperCase(Catalogue[j].Name) == name) line = static_cast<int>(j);
    auto* item = new QListWidgetItem(ToQString(line < 0 ? name : Catalogue[line].Name));
    item->setData(kCatalogueIndexRole, line);
    BoxFunctions->addItem(item);
  }

  RefreshVariableLists();

  edTableDir->setText(ToQString(DataFolder()));
  QSignalBlocker quiet(cbTableName);
  QString chosen = cbTableName->currentText();
  cbTableName->clear();
  for (const std::string& name : TableFiles(DataFolder())) cbTableName->addItem(ToQString(name));
  cbTableName->setCurrentText(chosen);
  MemoExpression->Highlighter().RefreshNames();
}

void TExpMainForm::RefreshVariableLists() {
  for (QListWidget* list : {BoxPubVars, BoxDataSets, BoxFieldVars, BoxFieldRefVars}) list->clear();
  ForEachVarList([this](TVarList& list) {
    for (int i = 0; i < list.List().Count(); ++i) {
      const std::string& name = list.List().Get(i);
      if (name.find_first_of(".@") != std::string::npos) continue;
      AddItem(BoxPubVars, name);
      TExpression* node = list.GetVarExp(name);
      try {
        if (!node) continue;
        node->Evaluate(0);
        if (node->DataType == etInteger && ObjectOfHandle(node->GetInteger(), hkDataSet))
          AddItem(BoxDataSets, name);
      } catch (const Exception&) {
        // A variable that cannot be evaluated now is still listed, as no dataset.
      }
    }
  });
  DataSetSelected();
  btnCloseTable->setEnabled(BoxDataSets->count() > 0);
}

void TExpMainForm::DataSetSelected() {
  if (BoxDataSets->count() == 0) return;
  if (!BoxDataSets->currentItem()) BoxDataSets->setCurrentRow(0);
  std::string name = FromQString(BoxDataSets->currentItem()->text());
  name = name.substr(0, name.find(':'));
  BoxFieldVars->clear();
  BoxFieldRefVars->clear();
  ForEachVarList([&](TVarList& list) {
    for (int i = 0; i < list.List().Count(); ++i) {
      const std::string& variable = list.List().Get(i);
      if (Like(variable, name + ".*", true)) AddItem(BoxFieldVars, variable);
      if (Like(variable, name + "@*", true)) AddItem(BoxFieldRefVars, variable);
    }
  });
}

void TExpMainForm::InsertIntoEditor(const QString& text, int offset, int length) {
  if (PageControl1->currentIndex() != 0) return;
  QTextCursor cursor = MemoExpression->textCursor();
  cursor.insertText(text);
  cursor.setPosition(cursor.position() + offset);
  cursor.setPosition(cursor.position() + length, QTextCursor::KeepAnchor);
  MemoExpression->setTextCursor(cursor);
  MemoExpression->setFocus();
}

void TExpMainForm::FunctionActivated(QListWidgetItem* item) {
  if (!item) return;
  int line = item->data(kCatalogueIndexRole).toInt();
  if (line < 0) {
    InsertIntoEditor(item->text() + "()", -1, 0);
    return;
  }
  const std::string& prototype = Catalogue[line].Prototype;
  TParameterSelection selection = FirstParameter(prototype);
  InsertIntoEditor(ToQString(prototype), selection.Offset, selection.Length);
}

void TExpMainForm::FunctionSelected(QListWidgetItem* item) {
  if (!item) return;
  int line = item->data(kCatalogueIndexRole).toInt();
  std::string description = line < 0 ? std::string() : Catalogue[line].Description;
  ShowHint(Utf8ToGbk("函数:") + description, 0, 0);
}

void TExpMainForm::MacroActivated(QListWidgetItem* item) {
  if (!item) return;
  InsertIntoEditor("~" + item->text().section('=', 0, 0) + "~", 0, 0);
}

void TExpMainForm::VariableActivated(QListWidgetItem* item) {
  if (item) InsertIntoEditor(item->text(), 0, 0);
}

void TExpMainForm::AutoOrMacroClicked() {
  // A tree translated with the other macro setting is not the text's any more.
  QNExpression1->SetExp(nullptr);
  bool automatic = cbAuto->isChecked();
  QNExpression1->SetAutoEvalute(automatic);
  ActEvalute->setEnabled(!automatic);
  if (automatic) Guarded([this] { QNExpression1->TakeExpValue(); });
}

// --- Examples and saving -----------------------------------------------------------------------

void TExpMainForm::BuildExampleMenu() {
  PopupMenu1->clear();
  QDir folder(ToQString(ExpressionFolder()));
  for (const QString& file : folder.entryList(QDir::Files, QDir::Name)) {
    std::string name = FromQString(file);
    std::vector<std::string> menuPath = ExampleMenuPath(name);
    if (!menuPath.empty()) AddExampleEntry(menuPath, ExpressionFolder() + "/" + name);
  }
}

void TExpMainForm::AddExampleEntry(const std::vector<std::string>& menuPath,
                                   const std::string& file) {
  QMenu* menu = PopupMenu1;
  for (size_t i = 0; i + 1 < menuPath.size(); ++i) {
    QString caption = MenuCaption(menuPath[i]);
    QMenu* level = nullptr;
    for (QAction* action : menu->actions())
      if (action->menu() && action->text() == caption) level = action->menu();
    menu = level ? level : menu->addMenu(caption);
  }
  QString caption = MenuCaption(menuPath.back());
  for (QAction* action : menu->actions())
    if (!action->menu() && action->data().toString() == ToQString(file)) return;
  QAction* entry = menu->addAction(caption);
  entry->setData(ToQString(file));
  connect(entry, &QAction::triggered, this, [this, entry] {
    Guarded([&] { LoadExample(FromQString(entry->data().toString())); });
  });
}

void TExpMainForm::ShowExampleMenu() {
  if (!ActLoadExp->isEnabled()) return;
  PopupMenu1->popup(BtnLoadExp->mapToGlobal(QPoint(0, BtnLoadExp->height())));
}

void TExpMainForm::LoadExample(const std::string& path) {
  MemoExpression->setPlainText(ToQString(ReadDataFile(path)));
  SavePath = path;
  SetCaptionFile(path);
  UpdateToolStates();
}

void TExpMainForm::SetCaptionFile(const std::string& path) {
  QString first = LabExpCaption->text().section(' ', 0, 0);
  LabExpCaption->setText(first + " [" + ToQString(path) + "]");
}

void TExpMainForm::SaveClicked() {
  if (!ActSave->isEnabled()) return;
  QString chosen;
  if (ChooseSaveFile) {
    chosen = ChooseSaveFile();
  } else {
    QFileDialog dialog(this);
    dialog.setObjectName("SaveDialog1");
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix("exp");
    dialog.setNameFilters({Q("表达式文件 (*.exp)"), Q("任意文件 (*)")});
    dialog.setDirectory(ToQString(ExpressionFolder()));
    if (!SavePath.empty()) dialog.selectFile(ToQString(SavePath));
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
      chosen = dialog.selectedFiles().first();
  }
  if (!chosen.isEmpty()) Guarded([&] { SaveExpression(FromQString(chosen)); });
}

void TExpMainForm::SaveExpression(const std::string& path) {
  std::string text;
  for (QTextBlock block = MemoExpression->document()->begin(); block.isValid(); block = block.next())
    text += FromQString(block.text()) + "\n";
  SaveTextFile(path, text);
  SavePath = path;
  SetCaptionFile(path);
  size_t slash = path.rfind('/');
  std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash);
  if (SameText(folder, ExpressionFolder())) {
    std::vector<std::string> menuPath = ExampleMenuPath(path.substr(slash + 1));
    if (!menuPath.empty()) AddExampleEntry(menuPath, path);
  }
}

void TExpMainForm::ClearClicked() {
  MemoExpression->clear();
  LabExpCaption->setText(LabExpCaption->text().section(' ', 0, 0));
}

// --- Tables ------------------------------------------------------------------------------------

void TExpMainForm::TableNameChanged(const QString& name) { edAlias->setText(name.section('.', 0, 0)); }

void TExpMainForm::OpenTable() {
  TDBVarList& list = *GetDBVarList();
  std::string alias = Trim(FromQString(edAlias->text()));
  if (!alias.empty())
    if (TDataSet* old = list.DataSetOf(alias)) {
      try {
        CloseDataSet(old);
      } catch (const Exception&) {
      }
    }
  TDataSet* dataSet;
  if (Pages_DB->currentIndex() == 0)
    dataSet = OpenDesktopTable(FromQString(edTableDir->text() + cbTableName->currentText()));
  else
    dataSet = OpenDesktopQuery(FromQString(MemSQL->toPlainText()));
  OwnedDataSets.push_back(HandleOf(dataSet, hkDataSet));
  try {
    list.DefineFields(dataSet, alias);
  } catch (...) {
    CloseDataSet(dataSet);
    throw;
  }
  RefreshVariableLists();
  ShowInGrid(dataSet);
}

void TExpMainForm::CloseSelectedTable() {
  QListWidgetItem* item = BoxDataSets->currentItem();
  if (!item) return;
  std::string name = FromQString(item->text());
  if (TDataSet* dataSet = GetDBVarList()->DataSetOf(name.substr(0, name.find(':'))))
    CloseDataSet(dataSet);
}

void TExpMainForm::CloseDataSet(TDataSet* dataSet) {
  if (GridDataSet() == dataSet) ShowInGrid(nullptr);
  GetDBVarList()->UndefineFields(dataSet, "");
  int32_t handle = HandleOf(dataSet, hkDataSet);
  std::erase(OwnedDataSets, handle);
  delete dataSet;
  RefreshVariableLists();
}

void TExpMainForm::ShowInGrid(TDataSet* dataSet) {
  QAbstractItemModel* old = DBGrid1->model();
  if (dataSet) {
    auto* model = new TDataSetModel(dataSet, DBGrid1);
    model->setObjectName("DataSource1");
    DBGrid1->setModel(model);
  } else {
    DBGrid1->setModel(nullptr);
  }
  delete old;
}

TDataSet* TExpMainForm::GridDataSet() const {
  auto* model = qobject_cast<TDataSetModel*>(DBGrid1->model());
  return model ? model->DataSet() : nullptr;
}

}  // namespace qnexp::workbench
