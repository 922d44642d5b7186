// The workbench's main window: an expression editor with its result, the catalogues of
// functions, macros, variables, datasets and fields to insert from, tables and queries opened
// under an alias and shown in a grid whose cells an expression colours, example expressions
// from the expression folder, and a view of the clipboard. Every child carries its name
// (objectName), so expressions reach them: SetCompValue('MemoResult', 'PlainText', 'x').
// User-interface thread only.
#pragma once

#include <QMainWindow>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/Catalogue.h"

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QMenu;
class QModelIndex;
class QPlainTextEdit;
class QSplitter;
class QStackedWidget;
class QTabWidget;
class QTableView;
class QToolButton;
class QWidget;

namespace qnexp {
class TDataSet;
class TExpression;
class TQNExpression;
}  // namespace qnexp

namespace qnexp::workbench {

class TCodeEditor;
class TGraphLayer;

// What the program does once before its main window exists: the database unit (hooks and the
// dataset variable list) and the drawing functions.
void StartWorkbenchUnits();

class TExpMainForm : public QMainWindow {
  Q_OBJECT
public:
  // Builds the window; loads the function catalogue and the example menu.
  explicit TExpMainForm(QWidget* parent = nullptr);
  // Frees the datasets the window opened.
  ~TExpMainForm() override;

  // The start steps once the window shows (run once per window; the first show does it): the
  // predefined variables and function aliases (once per process), the initialisation
  // expression, the cell variables, the grid colour expression, the catalogues. A translation
  // error in the initialisation or colour expression raises Exception with the translator's
  // message and skips the steps after it.
  void MainFormShown();
  // Fills the macro, function, variable, dataset and field lists and the table list anew.
  void RefreshCatalogues();
  // The variable, dataset and field lists only.
  void RefreshVariableLists();
  // Inserts text at the editor's caret, then moves the caret by offset characters from the
  // end of the inserted text (negative: back), selects length characters from there and
  // focuses the editor. Nothing when no editor is current (another page is showing).
  void InsertIntoEditor(const QString& text, int offset, int length);
  // The page buttons, the example action and the save action follow the current page.
  void UpdateToolStates();
  // Shows page index (0 expressions, 1 database).
  void SetPage(int index);

  // The example menu from the expression files, and loading one into the editor.
  void BuildExampleMenu();
  void LoadExample(const std::string& path);
  // Writes the editor's text to path (at once; the old file stays whole when it fails) and
  // names it in the caption; a file in the expression folder joins the example menu.
  void SaveExpression(const std::string& path);

  // Opens the table or query of the database page under the alias, closing the dataset the
  // alias held first; shows it in the grid. Raises what opening raises.
  void OpenTable();
  // Closes and frees the dataset selected in the dataset list.
  void CloseSelectedTable();
  // Reads and translates the grid colour expression anew and repaints the grid.
  void RefreshColour();
  // The font colour the colour expression gives a cell; none without a colour expression or
  // when its evaluation fails.
  std::optional<QColor> CellColour(const std::string& field, const std::string& text);
  // The font colour of a grid cell: CellColour of its field and text, except for a selected
  // cell, which keeps the default colours.
  std::optional<QColor> GridCellColour(const QModelIndex& index, bool selected);
  // The dataset the grid shows, or null.
  TDataSet* GridDataSet() const;

  // Asks for the file to save to; empty when the user cancels. Tests replace it.
  std::function<QString()> ChooseSaveFile;

  TQNExpression& Expression() const { return *QNExpression1; }
  TGraphLayer& GraphLayer() const { return *Layer; }

protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  void BuildToolPanel();
  QWidget* BuildExpressionPage();
  QWidget* BuildDatabasePage();
  QWidget* BuildResourcePanel();
  QWidget* BuildClipboardPanel();
  void BuildActions();
  void Connect();

  // Runs a handler of the user interface: an error goes to the error display.
  void Guarded(const std::function<void()>& handler);
  void LoadCatalogue();
  void LoadPredefinedVariables();
  void LoadFunctionAliases();
  void RunInitialisation();
  std::unique_ptr<TExpression> TranslateFile(const std::string& path);
  void DefineCellVariables();
  void SetCellVariable(const char* name, const std::string& text);

  void FunctionActivated(QListWidgetItem* item);
  void FunctionSelected(QListWidgetItem* item);
  void MacroActivated(QListWidgetItem* item);
  void VariableActivated(QListWidgetItem* item);
  void DataSetSelected();
  void AutoOrMacroClicked();
  void ShowExampleMenu();
  void SaveClicked();
  void ClearClicked();
  void TableNameChanged(const QString& name);
  void ContactClicked();
  void ClipboardChanged();
  void FullClientToggled(bool full);
  void AddExampleEntry(const std::vector<std::string>& menuPath, const std::string& file);
  void SetCaptionFile(const std::string& path);
  // Removes the dataset's variables, takes it off the grid, frees it.
  void CloseDataSet(TDataSet* dataSet);
  void ShowInGrid(TDataSet* dataSet);
  // Stores a panel's height as per-mille of its parent's ("Tag"), and applies the stored ones.
  void RememberShares();
  void ApplyShares();

  std::vector<cli::TFunctionEntry> Catalogue;
  std::unique_ptr<TExpression> ColourExp;
  std::vector<int32_t> OwnedDataSets;  // handles of the datasets the window opened
  std::string SavePath;
  bool Shown = false;
  QMetaObject::Connection ClipboardWatch;

  TQNExpression* QNExpression1 = nullptr;
  TGraphLayer* Layer = nullptr;
  QWidget* ToolPanel = nullptr;
  QToolButton* BtnExit = nullptr;
  QToolButton* BtnPage0 = nullptr;
  QToolButton* BtnPage1 = nullptr;
  QLabel* PanelCompanyInfo = nullptr;
  QStackedWidget* PageControl1 = nullptr;
  QLabel* LabExpCaption = nullptr;
  QToolButton* BtnLoadExp = nullptr;
  QCheckBox* cbAuto = nullptr;
  QCheckBox* cbMacro = nullptr;
  QCheckBox* cbFullClient = nullptr;
  TCodeEditor* MemoExpression = nullptr;
  QPlainTextEdit* MemoResult = nullptr;
  QWidget* PanelResult = nullptr;
  QSplitter* ExpSplitter = nullptr;
  QTableView* DBGrid1 = nullptr;
  QTabWidget* Pages_DB = nullptr;
  QLineEdit* edTableDir = nullptr;
  QComboBox* cbTableName = nullptr;
  QPlainTextEdit* MemSQL = nullptr;
  QLineEdit* edAlias = nullptr;
  QWidget* PanelExpRes = nullptr;
  QSplitter* MainSplitter = nullptr;
  QListWidget* BoxFunctions = nullptr;
  QListWidget* BoxPubVars = nullptr;
  QListWidget* BoxMacros = nullptr;
  QListWidget* BoxDataSets = nullptr;
  QListWidget* BoxFieldVars = nullptr;
  QListWidget* BoxFieldRefVars = nullptr;
  QToolButton* btnCloseTable = nullptr;
  QWidget* PanelClipBoard = nullptr;
  QPlainTextEdit* MemoClipboard = nullptr;
  QMenu* PopupMenu1 = nullptr;
  QAction* ActEvalute = nullptr;
  QAction* ActRefresh = nullptr;
  QAction* ActExit = nullptr;
  QAction* ActLoadExp = nullptr;
  QAction* ActSave = nullptr;
};

// The window's title: the designed one, " V" and the program's version.
QString WorkbenchTitle();

}  // namespace qnexp::workbench
