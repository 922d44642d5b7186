// A Qt table model over a dataset of the abstract dataset layer, for grids (QTableView): one
// column per field, one row per record, the fields' texts as display values. The model follows
// the dataset's notices; it does not own the dataset and holds it by handle, so a dataset
// destroyed first leaves an empty model rather than a dangling one. User-interface thread only.
#pragma once

#include <QAbstractTableModel>
#include <QStringList>
#include <cstdint>
#include <map>

#include "runtime/DataSet.h"

namespace qnexp {

class TDataSetModel : public QAbstractTableModel, private TDataSetObserver {
  Q_OBJECT
public:
  explicit TDataSetModel(TDataSet* dataSet, QObject* parent = nullptr);
  ~TDataSetModel() override;

  // The dataset, or null once it has been destroyed.
  TDataSet* DataSet() const;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;

  // The bookmark of the record shown in row (0-based); the dataset's position is kept.
  // Raises EListError for a row outside the records.
  TBookmark RowBookmark(int row) const;

private:
  void DataSetNotify(TDataSet& dataSet, TDataSetEvent event) override;
  // Visits row with the dataset's notices suspended and its position kept.
  template <class Visit>
  void AtRow(int row, Visit visit) const;
  const QStringList& RowTexts(int row) const;

  int32_t Handle = 0;
  // Rows read so far; dropped whenever the dataset changes.
  mutable std::map<int, QStringList> Cache;
  mutable bool Reading = false;
};

}  // namespace qnexp
