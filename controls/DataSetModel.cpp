// The table model over a dataset.
#include "controls/DataSetModel.h"

#include "platform/QtText.h"
#include "runtime/Format.h"
#include "runtime/Handles.h"

namespace qnexp {

TDataSetModel::TDataSetModel(TDataSet* dataSet, QObject* parent)
    : QAbstractTableModel(parent), Handle(HandleOf(dataSet, hkDataSet)) {
  if (dataSet) dataSet->AddObserver(this);
}

TDataSetModel::~TDataSetModel() {
  if (TDataSet* dataSet = DataSet()) dataSet->RemoveObserver(this);
}

TDataSet* TDataSetModel::DataSet() const { return ObjectOfHandleAs<TDataSet>(Handle, hkDataSet); }

int TDataSetModel::rowCount(const QModelIndex& parent) const {
  TDataSet* dataSet = DataSet();
  if (parent.isValid() || !dataSet || !dataSet->GetActive()) return 0;
  // Qt's views call this; an engine's error must not cross their code.
  try {
    return dataSet->RecordCount();
  } catch (const std::exception&) {
    return 0;
  }
}

int TDataSetModel::columnCount(const QModelIndex& parent) const {
  TDataSet* dataSet = DataSet();
  if (parent.isValid() || !dataSet || !dataSet->GetActive()) return 0;
  return dataSet->GetFieldCount();
}

template <class Visit>
void TDataSetModel::AtRow(int row, Visit visit) const {
  TDataSet* dataSet = DataSet();
  if (!dataSet || !dataSet->GetActive() || row < 0 || row >= rowCount())
    throw EListError(Format(Msg::ListIndexError, {row}));
  // A record being edited stays where it is: only its own row can be read.
  if (dataSet->GetState() != dsBrowse) {
    if (row != dataSet->RecNo() - 1) throw EListError(Format(Msg::ListIndexError, {row}));
    visit(*dataSet);
    return;
  }
  // The moves made here are not news for the model's observers, nor for this model.
  Reading = true;
  TBookmark position = dataSet->GetBookmark();
  dataSet->DisableControls();
  try {
    dataSet->First();
    dataSet->MoveBy(row);
    visit(*dataSet);
    if (dataSet->BookmarkValid(position)) dataSet->GotoBookmark(position);
  } catch (...) {
    if (dataSet->BookmarkValid(position)) dataSet->GotoBookmark(position);
    dataSet->EnableControls();
    Reading = false;
    throw;
  }
  dataSet->EnableControls();
  Reading = false;
}

const QStringList& TDataSetModel::RowTexts(int row) const {
  auto found = Cache.find(row);
  if (found != Cache.end()) return found->second;
  QStringList texts;
  AtRow(row, [&texts](TDataSet& dataSet) {
    for (int i = 0; i < dataSet.GetFieldCount(); ++i)
      texts.append(ToQString(dataSet.GetField(i)->AsString()));
  });
  return Cache[row] = texts;
}

QVariant TDataSetModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole)) return {};
  try {
    return RowTexts(index.row()).value(index.column());
  } catch (const std::exception&) {
    return {};
  }
}

QVariant TDataSetModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Vertical) return section + 1;
  TDataSet* dataSet = DataSet();
  if (!dataSet || section < 0 || section >= columnCount()) return {};
  return ToQString(dataSet->GetField(section)->FieldName());
}

TBookmark TDataSetModel::RowBookmark(int row) const {
  TBookmark bookmark;
  AtRow(row, [&bookmark](TDataSet& dataSet) { bookmark = dataSet.GetBookmark(); });
  return bookmark;
}

void TDataSetModel::DataSetNotify(TDataSet&, TDataSetEvent event) {
  if (Reading || event == deMoved) return;
  beginResetModel();
  Cache.clear();
  endResetModel();
}

}  // namespace qnexp
