// The control functions, ending with the family's registration table.
#include "controls/ControlFunctions.h"

#include <QAbstractButton>
#include <QAction>
#include <QFontDatabase>
#include <QItemSelectionModel>
#include <QTableView>
#include <QWidget>
#include <algorithm>
#include <memory>
#include <set>
#include <vector>

#include "controls/ComponentHooker.h"
#include "controls/DataSetModel.h"
#include "controls/PropPaths.h"
#include "controls/Sound.h"
#include "core/Sandbox.h"
#include "platform/Events.h"
#include "platform/Forms.h"
#include "platform/QtText.h"
#include "runtime/Format.h"
#include "runtime/Handles.h"
#include "support/ExpressDirs.h"

namespace qnexp {

namespace {

// The component argument of SetCompValue and GetCompValue: a text is a name for GetComponent;
// an integer is a handle, where 0 means DefOwner.
QObject* ComponentArgument(TExpression& argument) {
  if (argument.DataType != etInteger) return GetComponent(argument.GetString());
  int32_t handle = argument.GetInteger();
  return handle == 0 ? DefOwner() : ComponentOfHandle(handle);
}

// The component of Click, DoAction, Hook and the grid functions: a name for GetComponent, or
// an integer handle (0 for none).
QObject* NamedComponent(TExpression& argument) {
  if (argument.DataType == etInteger) return ComponentOfHandle(argument.GetInteger());
  return GetComponent(argument.GetString());
}

// The form of SetProcessForm and FontsWanting: a widget's handle, or the name of a form.
QWidget* FormArgument(TExpression& argument) {
  if (argument.DataType == etInteger)
    return qobject_cast<QWidget*>(ComponentOfHandle(argument.GetInteger()));
  QString name = ToQString(argument.GetString());
  for (QWidget* form : Forms())
    if (form->objectName().compare(name, Qt::CaseInsensitive) == 0) return form;
  return nullptr;
}

// A grid: a table view over a dataset model, with the rows its selection holds.
struct TGrid {
  QTableView* View = nullptr;
  TDataSetModel* Model = nullptr;

  bool MultiSelect() const {
    return View->selectionMode() == QAbstractItemView::ExtendedSelection ||
           View->selectionMode() == QAbstractItemView::MultiSelection;
  }
  TDataSet* DataSet() const { return Model->DataSet(); }
  bool DataSetEmpty() const {
    TDataSet* dataSet = DataSet();
    return !dataSet || !dataSet->GetActive() || (dataSet->Eof() && dataSet->Bof());
  }
  // The selected rows, in the order of the records.
  std::vector<int> SelectedRows() const {
    std::set<int> rows;
    if (QItemSelectionModel* selection = View->selectionModel())
      for (const QModelIndex& index : selection->selectedIndexes()) rows.insert(index.row());
    return {rows.begin(), rows.end()};
  }
};

// The grid named by argument 0; false when there is no such component. Another kind of
// component raises EInvalidCast.
bool FindGrid(TExpression& self, TGrid& grid) {
  QObject* component = NamedComponent(self.Arg(0));
  if (!component) return false;
  grid.View = qobject_cast<QTableView*>(component);
  grid.Model = grid.View ? qobject_cast<TDataSetModel*>(grid.View->model()) : nullptr;
  if (!grid.Model) throw EInvalidCast(Msg::InvalidCast);
  return true;
}

void GotoRow(const TGrid& grid, int row) {
  TDataSet* dataSet = grid.DataSet();
  if (dataSet) dataSet->GotoBookmark(grid.Model->RowBookmark(row));
}

// The font families of widget and its child widgets, depth first, each once.
void CollectFamilies(const QWidget* widget, std::vector<QString>& families) {
  QString family = widget->font().family();
  if (std::none_of(families.begin(), families.end(), [&family](const QString& known) {
        return known.compare(family, Qt::CaseInsensitive) == 0;
      }))
    families.push_back(family);
  for (QObject* child : widget->children())
    if (child->isWidgetType()) CollectFamilies(static_cast<QWidget*>(child), families);
}

}  // namespace

// --- Forms and components ----------------------------------------------------------------------

bool TExp_SetProcessForm::TransOverOK() {
  DataType = etBoolean;
  return true;
}

void TExp_SetProcessForm::Calculate() {
  PutBoolean(false);
  try {
    if (QWidget* form = FormArgument(Arg(0))) {
      SetProcessForm(form);
      PutBoolean(true);
    }
  } catch (const Exception&) {
  }
}

bool TExp_SetCompValue::TransOverOK() {
  DataType = etBoolean;
  return true;
}

void TExp_SetCompValue::Calculate() {
  RefuseInSandbox(*this);
  PutBoolean(false);
  try {
    if (QObject* component = ComponentArgument(Arg(0))) {
      std::string value = Arg(2).GetString();
      std::string path = Arg(1).GetString();
      PutBoolean(TrySetPropValue(component, path, value));
    }
  } catch (const Exception&) {
  }
}

bool TExp_GetCompValue::TransOverOK() {
  DataType = etAny;
  return true;
}

void TExp_GetCompValue::Calculate() {
  try {
    if (QObject* component = ComponentArgument(Arg(0))) {
      TVariant value = TryGetPropValue(component, Arg(1).GetString());
      DataType = etAny;
      SetVariantValue(value);
      return;
    }
  } catch (const Exception&) {
  }
  DataType = etString;
  PutString(std::string());
}

void TExp_GetCtrl::Calculate() { PutInteger(ComponentHandle(GetComponent(Arg(0).GetString()))); }

// --- Grids -------------------------------------------------------------------------------------

void TDBGridSelectedRowCount::Calculate() {
  TGrid grid;
  if (!FindGrid(*this, grid))
    PutInteger(0);
  else if (grid.MultiSelect())
    PutInteger(static_cast<int32_t>(grid.SelectedRows().size()));
  else
    PutInteger(grid.DataSetEmpty() ? 0 : 1);
}

bool TDBGridGotoSelectedRow::TransOverOK() {
  DataType = etBoolean;
  return true;
}

void TDBGridGotoSelectedRow::Calculate() {
  TGrid grid;
  if (!FindGrid(*this, grid)) {
    PutBoolean(false);
    return;
  }
  if (!grid.MultiSelect()) {
    PutBoolean(!grid.DataSetEmpty());
    return;
  }
  int32_t index = Arg(1).GetInteger();
  if (index < 0) throw EListError(Format(Msg::ListIndexError, {index}));
  std::vector<int> rows = grid.SelectedRows();
  if (static_cast<size_t>(index) >= rows.size()) {
    PutBoolean(false);
    return;
  }
  GotoRow(grid, rows[static_cast<size_t>(index)]);
  PutBoolean(true);
}

void TDBGridEachSelectedRows::Evaluate(int32_t stamp) {
  if (!TakeStamp(*this, stamp)) return;
  Arg(0).Evaluate(stamp);
  Calculate();
}

void TDBGridEachSelectedRows::Calculate() {
  TGrid grid;
  if (!FindGrid(*this, grid)) {
    PutBoolean(false);
    return;
  }
  TExpression& body = Arg(1);
  if (!grid.MultiSelect()) {
    if (!grid.DataSetEmpty()) body.Evaluate(kForceStamp);
    PutBoolean(true);
    return;
  }
  // The bookmarks are taken first: the body may change the selection.
  std::vector<TBookmark> bookmarks;
  for (int row : grid.SelectedRows()) bookmarks.push_back(grid.Model->RowBookmark(row));
  for (const TBookmark& bookmark : bookmarks) {
    TDataSet* dataSet = grid.DataSet();
    if (!dataSet) break;
    dataSet->GotoBookmark(bookmark);
    body.Evaluate(kForceStamp);
    if (body.DataType == etBoolean && !body.GetBoolean()) {
      PutBoolean(false);
      return;
    }
  }
  PutBoolean(true);
}

// --- Actions and clicks ------------------------------------------------------------------------

bool TExp_DoAction::TransOverOK() {
  DataType = etBoolean;
  return true;
}

void TExp_DoAction::Calculate() {
  RefuseInSandbox(*this);
  auto* action = qobject_cast<QAction*>(NamedComponent(Arg(0)));
  bool run = action && action->isEnabled();
  if (run) action->trigger();
  PutBoolean(run);
}

void TExp_Click::Calculate() {
  RefuseInSandbox(*this);
  QObject* component = NamedComponent(Arg(0));
  if (auto* button = qobject_cast<QAbstractButton*>(component))
    button->click();
  else if (auto* action = qobject_cast<QAction*>(component))
    action->trigger();
  else if (component && component->isWidgetType())
    DispatchEvent(component, "OnClick");
  PutBoolean(true);
}

// --- Sound and fonts ---------------------------------------------------------------------------

void TExp_PlaySound::Calculate() {
  try {
    TExpression& source = Arg(0);
    std::unique_ptr<TSound> temporary;
    TSound* sound = nullptr;
    if (source.DataType != etInteger) {
      temporary = std::make_unique<TSound>();
      std::string name = source.GetString();
      if (name.empty()) name = ".Default";
      if (IsEventLabel(name))
        temporary->EventLable = name;
      else
        temporary->FileName = ExpandExpressDirs(name, false);
      sound = temporary.get();
    } else {
      sound = ObjectOfHandleAs<TSound>(source.GetInteger(), hkSound);
    }
    if (!sound) return;
    if (Given(1)) sound->Loop = GetSubExp(1)->GetBoolean();
    if (sound->Loop && sound->Tag != 0) {
      sound->Stop();
      sound->Tag = 0;
    } else {
      sound->Play();
      if (sound->Loop) sound->Tag = 1;
    }
    if (temporary) temporary->Release();
  } catch (const Exception&) {
  }
}

bool TExp_FontsWanting::TransOverOK() {
  DataType = etString;
  return true;
}

void TExp_FontsWanting::Calculate() {
  std::string wanting;
  if (QWidget* form = FormArgument(Arg(0))) {
    std::vector<QString> families;
    CollectFamilies(form, families);
    const QStringList installed = QFontDatabase::families();
    for (const QString& family : families) {
      if (installed.contains(family, Qt::CaseInsensitive)) continue;
      if (!wanting.empty()) wanting += ';';
      wanting += '"' + FromQString(family) + '"';
    }
  }
  PutString(wanting);
}

// --- Hooks -------------------------------------------------------------------------------------

void TExp_Hook::Evaluate(int32_t stamp) {
  if (!TakeStamp(*this, stamp)) return;
  Arg(0).Evaluate(stamp);
  Calculate();
}

void TExp_Hook::Calculate() {
  RefuseInSandbox(*this);
  QObject* component = NamedComponent(Arg(0));
  if (!component) {
    PutBoolean(false);
    return;
  }
  std::unique_ptr<TExpression> condition(GetSubExp(1));
  std::unique_ptr<TExpression> after(GetSubExp(2));
  if (condition || after) {
    // The node gives both away: to the hooker, or to be freed.
    PutSubExp(2, nullptr);
    PutSubExp(1, nullptr);
    PutBoolean(HookComponent(component, condition, after));
    return;
  }
  PutBoolean(UnHookComponent(component));
}

std::span<const TClassInfo* const> ControlClasses() {
  return ClassTable<TExp_SetProcessForm, TExp_SetCompValue, TExp_GetCompValue, TExp_GetCtrl,
                    TDBGridSelectedRowCount, TDBGridGotoSelectedRow, TDBGridEachSelectedRows,
                    TExp_DoAction, TExp_Click, TExp_PlaySound, TExp_FontsWanting, TExp_Hook>();
}

}  // namespace qnexp
