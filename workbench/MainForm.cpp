// The workbench's main window: building it, and its start steps.
#include "workbench/MainForm.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "controls/DataSetModel.h"
#include "controls/QNExpression.h"
#include "core/EntryPoints.h"
#include "core/FunctionList.h"
#include "core/Translator.h"
#include "dbfunctions/DBVarList.h"
#include "platform/Dialogs.h"
#include "platform/FileVersion.h"
#include "platform/Forms.h"
#include "platform/ProcessInfo.h"
#include "platform/QtText.h"
#include "runtime/DataSet.h"
#include "runtime/Gbk.h"
#include "runtime/Handles.h"
#include "support/Macros.h"
#include "workbench/CodeEditor.h"
#include "workbench/GraphFunctions.h"
#include "workbench/GraphLayer.h"
#include "workbench/WorkbenchDatabase.h"
#include "workbench/WorkbenchFiles.h"

namespace qnexp::workbench {

namespace {

const char* const kInitialExpression = "SysTime():'当前系统时间是YYYY年M月D日 HH时NN分SS秒'";
const char* const kContact = "qnexp 表达式引擎 · 问题与建议请写入项目的问题列表";

QString Q(const char* utf8) { return QString::fromUtf8(utf8); }

template <class T, class Parent>
T* Named(Parent* parent, const char* name) {
  T* object = new T(parent);
  object->setObjectName(name);
  return object;
}

// A layout of widget without margins.
template <class TLayout>
TLayout* FlatLayout(QWidget* widget) {
  auto* layout = new TLayout(widget);
  layout->setContentsMargins(0, 0, 0, 0);
  return layout;
}

void SetHint(QWidget* widget, const char* hint) {
  widget->setToolTip(Q(hint));
  widget->setStatusTip(Q(hint));
}

// A captioned box around one widget.
QGroupBox* Box(QWidget* parent, const char* caption, QWidget* content) {
  auto* box = new QGroupBox(Q(caption), parent);
  auto* layout = new QVBoxLayout(box);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->addWidget(content);
  return box;
}

// The grid's cells take the font colour of the colour expression, except selected ones.
class TCellColourDelegate : public QStyledItemDelegate {
public:
  TCellColourDelegate(TExpMainForm& form, QObject* parent)
      : QStyledItemDelegate(parent), Form(form) {}

protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
    QStyledItemDelegate::initStyleOption(option, index);
    if (auto colour = Form.GridCellColour(index, option->state & QStyle::State_Selected))
      option->palette.setColor(QPalette::Text, *colour);
  }

private:
  TExpMainForm& Form;
};

}  // namespace

void StartWorkbenchUnits() {
  StartDatabaseUnit();
  RegisterGraphFunctions();
}

QString WorkbenchTitle() {
  std::string version = ReadFileVersion(ProgramPath());
  return Q("qnexp 表达式工作台 V") + (version.empty() ? Q(QNEXP_VERSION) : ToQString(version));
}

// --- Building ----------------------------------------------------------------------------------

TExpMainForm::TExpMainForm(QWidget* parent) : QMainWindow(parent) {
  setObjectName("ExpMainForm");
  setWindowTitle(WorkbenchTitle());
  resize(1024, 720);
  auto* central = new QWidget(this);
  central->setObjectName("ClientPanel");
  setCentralWidget(central);
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(4, 4, 4, 0);

  BuildActions();
  BuildToolPanel();
  layout->addWidget(ToolPanel);

  auto* sideSplitter = Named<QSplitter>(central, "SplitterClipBoard");
  sideSplitter->setOrientation(Qt::Horizontal);
  MainSplitter = Named<QSplitter>(sideSplitter, "SplitterExpRes");
  MainSplitter->setOrientation(Qt::Vertical);
  PageControl1 = Named<QStackedWidget>(MainSplitter, "PageControl1");
  PageControl1->addWidget(BuildExpressionPage());
  PageControl1->addWidget(BuildDatabasePage());
  MainSplitter->addWidget(PageControl1);
  MainSplitter->addWidget(BuildResourcePanel());
  MainSplitter->setStretchFactor(0, 3);
  MainSplitter->setStretchFactor(1, 2);
  sideSplitter->addWidget(MainSplitter);
  sideSplitter->addWidget(BuildClipboardPanel());
  sideSplitter->setStretchFactor(0, 4);
  sideSplitter->setStretchFactor(1, 1);
  layout->addWidget(sideSplitter, 1);

  // The status bar shows the hints.
  auto* statusBar = Named<QStatusBar>(this, "StatusBar1");
  setStatusBar(statusBar);
  UpdateHint = [statusBar](const std::string& text, int, int) {
    statusBar->showMessage(ToQString(text));
  };

  QNExpression1 = Named<TQNExpression>(this, "QNExpression1");
  QNExpression1->SetAutoEvalute(false);
  QNExpression1->SetExpText(Utf8ToGbk(kInitialExpression));
  QNExpression1->OnCreateExpression = [this](TQNExpression&, std::string& text) {
    if (cbMacro->isChecked() && DefaultMacros) DefaultMacros->CheckStr(text);
  };
  QNExpression1->SetExpTextCtrl(MemoExpression);
  QNExpression1->SetResultCtrl(MemoResult);

  Layer = new TGraphLayer(this);
  Connect();
  SetProcessForm(this);

  LoadCatalogue();
  SetPage(0);
  BuildExampleMenu();
  UpdateToolStates();
}

TExpMainForm::~TExpMainForm() {
  UpdateHint = nullptr;
  DBGrid1->setModel(nullptr);
  for (int32_t handle : OwnedDataSets)
    if (auto* dataSet = ObjectOfHandleAs<TDataSet>(handle, hkDataSet)) {
      if (TDBVarList* list = GetDBVarList()) list->UndefineFields(dataSet, "");
      delete dataSet;
    }
}

void TExpMainForm::BuildActions() {
  auto make = [this](const char* name, const char* caption, const char* hint,
                     QList<QKeySequence> keys) {
    QAction* action = Named<QAction>(this, name);
    action->setText(Q(caption));
    action->setToolTip(Q(hint));
    action->setStatusTip(Q(hint));
    action->setShortcuts(keys);
    addAction(action);
    return action;
  };
  ActEvalute = make("ActEvalute", "运算", "对表达式进行求值运算",
                    {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)});
  ActRefresh = make("ActRefresh", "刷新", "刷新各个资源列表", {QKeySequence(Qt::Key_F5)});
  ActExit = make("ActExit", "退出", "退出本程序", {QKeySequence(Qt::Key_Escape)});
  ActLoadExp = make("ActLoadExp", "示例", "从文件中装入示例", {QKeySequence(Qt::Key_F3)});
  ActSave = make("ActSave", "保存", "将表达式文本保存到文件中",
                 {QKeySequence(Qt::Key_F2), QKeySequence(Qt::CTRL | Qt::Key_S)});
  PopupMenu1 = Named<QMenu>(this, "PopupMenu1");
}

void TExpMainForm::BuildToolPanel() {
  ToolPanel = Named<QWidget>(this, "ToolPanel");
  auto* layout = FlatLayout<QHBoxLayout>(ToolPanel);
  auto button = [this, layout](const char* name, const char* caption, int tag) {
    auto* made = Named<QToolButton>(ToolPanel, name);
    made->setText(Q(caption));
    made->setProperty("Tag", tag);
    made->setToolButtonStyle(Qt::ToolButtonTextOnly);
    layout->addWidget(made);
    return made;
  };
  BtnExit = button("BtnExit", "退出", 0);
  BtnExit->setDefaultAction(ActExit);
  BtnPage0 = button("BtnPage0", "表达式", 1);
  BtnPage1 = button("BtnPage1", "数据库", 2);
  layout->addStretch(1);
  PanelCompanyInfo = Named<QLabel>(ToolPanel, "PanelCompanyInfo");
  PanelCompanyInfo->setText(Q(kContact));
  PanelCompanyInfo->setCursor(Qt::PointingHandCursor);
  PanelCompanyInfo->installEventFilter(this);
  layout->addWidget(PanelCompanyInfo);
}

QWidget* TExpMainForm::BuildExpressionPage() {
  auto* page = Named<QWidget>(PageControl1, "TabSheet1");
  page->setWindowTitle(Q("表达式"));
  auto* layout = FlatLayout<QVBoxLayout>(page);

  auto* bar = Named<QWidget>(page, "PanelExpTools");
  auto* barLayout = FlatLayout<QHBoxLayout>(bar);
  LabExpCaption = Named<QLabel>(bar, "LabExpCaption");
  LabExpCaption->setText(Q("表达式(&E)"));
  barLayout->addWidget(LabExpCaption);
  barLayout->addStretch(1);
  for (auto [name, action] : {std::pair{"BtnEvalute", ActEvalute}, {"BtnLoadExp", ActLoadExp},
                              {"BtnSave", ActSave}}) {
    auto* button = Named<QToolButton>(bar, name);
    button->setDefaultAction(action);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    barLayout->addWidget(button);
    if (action == ActLoadExp) BtnLoadExp = button;
  }
  auto* clear = Named<QToolButton>(bar, "BtnClearExp");
  clear->setText(Q("清除"));
  barLayout->addWidget(clear);
  connect(clear, &QToolButton::clicked, this, [this] { ClearClicked(); });
  auto check = [bar, barLayout](const char* name, const char* caption, const char* hint) {
    auto* box = Named<QCheckBox>(bar, name);
    box->setText(Q(caption));
    SetHint(box, hint);
    barLayout->addWidget(box);
    return box;
  };
  cbAuto = check("cbAuto", "自动(&A)", "表达式文本变化时自动计算");
  cbMacro = check("cbMacro", "扩展宏(&M)", "运算之前先对表达式进行宏扩展");
  cbFullClient = check("cbFullClient", "充满(&F)", "本窗格充满窗口");
  layout->addWidget(bar);

  ExpSplitter = Named<QSplitter>(page, "SplitterResult");
  ExpSplitter->setOrientation(Qt::Vertical);
  MemoExpression = Named<TCodeEditor>(ExpSplitter, "MemoExpression");
  MemoExpression->setPlainText(Q(kInitialExpression));
  LabExpCaption->setBuddy(MemoExpression);
  PanelResult = Named<QWidget>(ExpSplitter, "PanelResult");
  auto* resultLayout = FlatLayout<QVBoxLayout>(PanelResult);
  auto* resultLabel = Named<QLabel>(PanelResult, "LabResult");
  resultLabel->setText(Q("结果(&R)"));
  MemoResult = Named<QPlainTextEdit>(PanelResult, "MemoResult");
  MemoResult->setReadOnly(true);
  resultLabel->setBuddy(MemoResult);
  resultLayout->addWidget(resultLabel);
  resultLayout->addWidget(MemoResult);
  ExpSplitter->addWidget(MemoExpression);
  ExpSplitter->addWidget(PanelResult);
  ExpSplitter->setStretchFactor(0, 2);
  ExpSplitter->setStretchFactor(1, 1);
  layout->addWidget(ExpSplitter, 1);
  return page;
}

QWidget* TExpMainForm::BuildDatabasePage() {
  auto* page = Named<QWidget>(PageControl1, "TabSheet3");
  page->setWindowTitle(Q("数据库"));
  auto* layout = FlatLayout<QHBoxLayout>(page);

  auto* side = Named<QWidget>(page, "PanelDBTools");
  side->setMaximumWidth(260);
  auto* sideLayout = FlatLayout<QVBoxLayout>(side);
  auto* buttons = new QHBoxLayout;
  auto* refreshColour = Named<QToolButton>(side, "btnRefreshColor");
  refreshColour->setText(Q("颜色"));
  SetHint(refreshColour, "如果修改了颜色表达式，单击此按钮刷新");
  auto* open = Named<QToolButton>(side, "btnOpenTable");
  open->setText(Q("打开(&O)"));
  SetHint(open, "打开数据集");
  buttons->addWidget(refreshColour);
  buttons->addWidget(open);
  sideLayout->addLayout(buttons);
  connect(refreshColour, &QToolButton::clicked, this, [this] { Guarded([this] { RefreshColour(); }); });
  connect(open, &QToolButton::clicked, this, [this] { Guarded([this] { OpenTable(); }); });

  Pages_DB = Named<QTabWidget>(side, "Pages_DB");
  Pages_DB->setDocumentMode(true);
  auto* tables = Named<QWidget>(Pages_DB, "TabSheet2");
  auto* tablesLayout = new QVBoxLayout(tables);
  tablesLayout->addWidget(new QLabel(Q("缺省目录"), tables));
  edTableDir = Named<QLineEdit>(tables, "edTableDir");
  tablesLayout->addWidget(edTableDir);
  tablesLayout->addWidget(new QLabel(Q("表文件名"), tables));
  cbTableName = Named<QComboBox>(tables, "cbTableName");
  cbTableName->setEditable(true);
  tablesLayout->addWidget(cbTableName);
  tablesLayout->addStretch(1);
  Pages_DB->addTab(tables, Q("表"));
  auto* sql = Named<QWidget>(Pages_DB, "TabSheet4");
  auto* sqlLayout = new QVBoxLayout(sql);
  MemSQL = Named<QPlainTextEdit>(sql, "MemSQL");
  sqlLayout->addWidget(MemSQL);
  Pages_DB->addTab(sql, Q("SQL"));
  sideLayout->addWidget(Pages_DB, 1);
  sideLayout->addWidget(new QLabel(Q("别名"), side));
  edAlias = Named<QLineEdit>(side, "edAlias");
  sideLayout->addWidget(edAlias);
  layout->addWidget(side);

  DBGrid1 = Named<QTableView>(page, "DBGrid1");
  DBGrid1->setItemDelegate(new TCellColourDelegate(*this, DBGrid1));
  DBGrid1->setSelectionBehavior(QAbstractItemView::SelectItems);
  DBGrid1->setSelectionMode(QAbstractItemView::ExtendedSelection);
  layout->addWidget(DBGrid1, 1);
  return page;
}

QWidget* TExpMainForm::BuildResourcePanel() {
  PanelExpRes = Named<QWidget>(MainSplitter, "PanelExpRes");
  auto* layout = FlatLayout<QVBoxLayout>(PanelExpRes);
  auto* header = new QHBoxLayout;
  header->addWidget(new QLabel(Q("当前可用资源"), PanelExpRes));
  auto* refresh = Named<QToolButton>(PanelExpRes, "BtnRefresh");
  refresh->setDefaultAction(ActRefresh);
  header->addWidget(refresh);
  header->addStretch(1);
  layout->addLayout(header);

  auto* lists = new QHBoxLayout;
  auto list = [this](const char* name) {
    auto* made = Named<QListWidget>(PanelExpRes, name);
    made->setSortingEnabled(true);
    return made;
  };
  BoxFunctions = list("BoxFunctions");
  BoxPubVars = list("BoxPubVars");
  BoxMacros = list("BoxMacros");
  BoxDataSets = list("BoxDataSets");
  BoxFieldVars = list("BoxFieldVars");
  BoxFieldRefVars = list("BoxFieldRefVars");
  lists->addWidget(Box(PanelExpRes, "函数(&F)", BoxFunctions), 2);
  lists->addWidget(Box(PanelExpRes, "公共变量(&V)", BoxPubVars), 1);
  lists->addWidget(Box(PanelExpRes, "宏定义表(&M)", BoxMacros), 1);
  auto* dataSets = new QWidget(PanelExpRes);
  auto* dataSetsLayout = FlatLayout<QVBoxLayout>(dataSets);
  dataSetsLayout->addWidget(BoxDataSets);
  btnCloseTable = Named<QToolButton>(dataSets, "btnCloseTable");
  btnCloseTable->setText(Q("关闭"));
  SetHint(btnCloseTable, "关闭选择的数据集");
  dataSetsLayout->addWidget(btnCloseTable);
  lists->addWidget(Box(PanelExpRes, "数据集(&D)", dataSets), 1);
  lists->addWidget(Box(PanelExpRes, "字段变量表(&Z)", BoxFieldVars), 1);
  lists->addWidget(Box(PanelExpRes, "字段引用变量表(&Y)", BoxFieldRefVars), 1);
  layout->addLayout(lists, 1);
  return PanelExpRes;
}

QWidget* TExpMainForm::BuildClipboardPanel() {
  MemoClipboard = Named<QPlainTextEdit>(this, "MemoClipboard");
  MemoClipboard->setReadOnly(true);
  auto* box = Box(this, "剪贴板(&C)", MemoClipboard);
  box->setObjectName("PanelClipBoard");
  PanelClipBoard = box;
  return box;
}

void TExpMainForm::Connect() {
  connect(ActEvalute, &QAction::triggered, this,
          [this] { Guarded([this] { QNExpression1->TakeExpValue(); }); });
  connect(ActRefresh, &QAction::triggered, this, [this] { Guarded([this] { RefreshCatalogues(); }); });
  connect(ActExit, &QAction::triggered, this, &QWidget::close);
  connect(ActLoadExp, &QAction::triggered, this, [this] { ShowExampleMenu(); });
  connect(ActSave, &QAction::triggered, this, [this] { SaveClicked(); });
  for (QToolButton* page : {BtnPage0, BtnPage1})
    connect(page, &QToolButton::clicked, this,
            [this, page] { SetPage(page->property("Tag").toInt() - 1); });
  connect(MemoExpression, &QPlainTextEdit::textChanged, this, [this] { UpdateToolStates(); });
  connect(cbAuto, &QCheckBox::clicked, this, [this] { AutoOrMacroClicked(); });
  connect(cbMacro, &QCheckBox::clicked, this, [this] { AutoOrMacroClicked(); });
  connect(cbFullClient, &QCheckBox::toggled, this, [this](bool full) { FullClientToggled(full); });
  connect(BoxFunctions, &QListWidget::itemActivated, this,
          [this](QListWidgetItem* item) { FunctionActivated(item); });
  connect(BoxFunctions, &QListWidget::currentItemChanged, this,
          [this](QListWidgetItem* item) { FunctionSelected(item); });
  connect(BoxMacros, &QListWidget::itemActivated, this,
          [this](QListWidgetItem* item) { MacroActivated(item); });
  for (QListWidget* list : {BoxPubVars, BoxFieldVars, BoxFieldRefVars})
    connect(list, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { VariableActivated(item); });
  connect(BoxDataSets, &QListWidget::itemClicked, this, [this] { DataSetSelected(); });
  connect(btnCloseTable, &QToolButton::clicked, this,
          [this] { Guarded([this] { CloseSelectedTable(); }); });
  connect(cbTableName, &QComboBox::currentTextChanged, this,
          [this](const QString& name) { TableNameChanged(name); });
  for (QSplitter* splitter : findChildren<QSplitter*>())
    connect(splitter, &QSplitter::splitterMoved, this, [this] { RememberShares(); });
}

void TExpMainForm::Guarded(const std::function<void()>& handler) {
  try {
    handler();
  } catch (const Exception& error) {
    ShowError(error.Message);
  } catch (const std::exception& error) {
    ShowError(error.what());
  }
}

// --- Start -------------------------------------------------------------------------------------

void TExpMainForm::LoadCatalogue() { Catalogue = cli::ParseCatalogue(ReadDataFile(CatalogueFile())); }

void TExpMainForm::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (Shown) return;
  QTimer::singleShot(0, this, [this] { Guarded([this] { MainFormShown(); }); });
}

void TExpMainForm::MainFormShown() {
  if (Shown) return;
  Shown = true;
  repaint();
  static bool definitionsLoaded = false;
  if (!definitionsLoaded) {
    definitionsLoaded = true;
    LoadPredefinedVariables();
    LoadFunctionAliases();
  }
  RunInitialisation();
  DefineCellVariables();
  ColourExp = TranslateFile(GridColourFile());
  RefreshCatalogues();
}

void TExpMainForm::LoadPredefinedVariables() {
  for (const std::string& line : TextLines(ReadDataFile(PredefinedVariableFile()))) {
    std::optional<TDefinition> definition = ParseDefinitionLine(line);
    if (!definition) continue;
    ShowHint(line, 0, 0);
    std::unique_ptr<TExpression> tree = TranslateExp(definition->Text);
    if (!tree && ExpTranslator->Status != 0) {
      ShowError(definition->Name + ": " + ExpTranslator->ErrorMsg());
      continue;
    }
    PubVarList->SetVarExp(definition->Name, tree.release());
  }
}

void TExpMainForm::LoadFunctionAliases() {
  TStringList lines;
  for (const std::string& line : TextLines(ReadDataFile(AliasFile())))
    if (!line.empty()) lines.Add(line);
  ExpTranslator->Functions->RegisterFunctionAlias(lines);
}

std::unique_ptr<TExpression> TExpMainForm::TranslateFile(const std::string& path) {
  std::string text = ReadDataFile(path);
  if (text.find_first_not_of(" \t\r\n") == std::string::npos) return nullptr;
  std::unique_ptr<TExpression> tree = TranslateExp(text);
  if (!tree) throw Exception(ExpTranslator->ErrorMsg());
  return tree;
}

void TExpMainForm::RunInitialisation() {
  if (std::unique_ptr<TExpression> tree = TranslateFile(InitialisationFile()))
    tree->Evaluate(kForceStamp);
}

void TExpMainForm::DefineCellVariables() {
  SetCellVariable("CellField", {});
  SetCellVariable("CellValue", {});
}

void TExpMainForm::SetCellVariable(const char* name, const std::string& text) {
  TDBVarList* list = GetDBVarList();
  if (!list) return;
  TExpression* node = list->GetVarExp(name);
  if (node && node->DataType == etString && node->GetSubExpCount() == 0) {
    node->PutString(text);
    return;
  }
  std::unique_ptr<TExpression> made = CreateStrExp({});
  made->PutString(text);
  list->SetVarExp(name, made.release());
}

// --- Colours -----------------------------------------------------------------------------------

std::optional<QColor> TExpMainForm::CellColour(const std::string& field, const std::string& text) {
  if (!ColourExp) return std::nullopt;
  try {
    SetCellVariable("CellField", field);
    SetCellVariable("CellValue", text);
    ColourExp->Evaluate(kForceStamp);
    return ColourOfValue(ColourExp->GetInteger());
  } catch (const Exception&) {
    return std::nullopt;
  }
}

std::optional<QColor> TExpMainForm::GridCellColour(const QModelIndex& index, bool selected) {
  TDataSet* dataSet = GridDataSet();
  if (selected || !dataSet || index.column() >= dataSet->GetFieldCount()) return std::nullopt;
  std::string field = dataSet->GetField(index.column())->FieldName();
  return CellColour(field, FromQString(index.data().toString()));
}

void TExpMainForm::RefreshColour() {
  ColourExp.reset();
  DBGrid1->viewport()->update();
  ColourExp = TranslateFile(GridColourFile());
  DBGrid1->viewport()->update();
}

// --- Layout ------------------------------------------------------------------------------------

void TExpMainForm::SetPage(int index) {
  if (index < 0 || index >= PageControl1->count()) return;
  PageControl1->setCurrentIndex(index);
  UpdateToolStates();
}

void TExpMainForm::UpdateToolStates() {
  int page = PageControl1->currentIndex();
  for (QWidget* control : ToolPanel->findChildren<QWidget*>()) {
    int tag = control->property("Tag").toInt();
    if (tag > 0) control->setEnabled(tag != page + 1);
  }
  ActLoadExp->setEnabled(page == 0);
  ActSave->setEnabled(page == 0 && !MemoExpression->document()->isEmpty());
}

void TExpMainForm::FullClientToggled(bool full) {
  PanelExpRes->setVisible(!full);
  PanelClipBoard->setVisible(!full);
}

void TExpMainForm::RememberShares() {
  for (QWidget* panel : {PanelResult, PanelExpRes, PanelClipBoard}) {
    QWidget* parent = panel->parentWidget();
    if (!panel->isVisible() || !parent || parent->height() <= 0) continue;
    panel->setProperty("Tag", qRound(panel->height() * 1000.0 / parent->height()));
  }
}

void TExpMainForm::ApplyShares() {
  auto apply = [](QSplitter* splitter, QWidget* panel) {
    int share = panel->property("Tag").toInt();
    int total = splitter->height();
    if (share <= 0 || total <= 0 || splitter->count() != 2) return;
    int height = total * share / 1000;
    splitter->setSizes({total - height, height});
  };
  apply(MainSplitter, PanelExpRes);
  apply(ExpSplitter, PanelResult);
}

void TExpMainForm::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  ApplyShares();
}

// --- Window events -----------------------------------------------------------------------------

void TExpMainForm::closeEvent(QCloseEvent* event) {
  if (ConfirmDialog(FromQString(windowTitle()), Utf8ToGbk("退出?"), 1 | 32))
    event->accept();
  else
    event->ignore();
}

bool TExpMainForm::event(QEvent* event) {
  // The clipboard is watched while the window is active.
  if (event->type() == QEvent::WindowActivate && !ClipboardWatch) {
    ClipboardWatch = connect(QApplication::clipboard(), &QClipboard::dataChanged, this,
                             [this] { ClipboardChanged(); });
    ClipboardChanged();
  } else if (event->type() == QEvent::WindowDeactivate && ClipboardWatch) {
    disconnect(ClipboardWatch);
    ClipboardWatch = {};
  }
  return QMainWindow::event(event);
}

void TExpMainForm::ClipboardChanged() {
  MemoClipboard->setPlainText(QApplication::clipboard()->text());
}

bool TExpMainForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == PanelCompanyInfo && event->type() == QEvent::MouseButtonRelease) {
    ContactClicked();
    return true;
  }
  return QMainWindow::eventFilter(watched, event);
}

void TExpMainForm::ContactClicked() {
  std::string contact = Utf8ToGbk(kContact);
  std::string question = Utf8ToGbk("联系方式:\r\n") + contact + Utf8ToGbk("\r\n拷贝到剪贴板中?");
  if (ConfirmDialog(FromQString(windowTitle()), question, 1 | 32))
    QApplication::clipboard()->setText(Q(kContact));
}

}  // namespace qnexp::workbench
