#pragma once
// The open remote folder as a table: name, size, type, date; ".." first and folders before
// files whichever way it is sorted (the core's order, RemoteEntryLess).
#include <QAbstractTableModel>
#include <vector>

#include "net/entry_info.h"
#include "sites/remote_order.h"

namespace ferrow {

class CRemoteModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit CRemoteModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

  // The entries of a new listing, each with its type text set; shown in the chosen order.
  void SetEntries(std::vector<CEntryInfo> entries);
  void Clear();
  const CEntryInfo* At(int row) const;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  void sort(int column, Qt::SortOrder order) override;

 private:
  std::vector<CEntryInfo> m_entries;
  RemoteColumn m_column = RemoteColumn::kName;
  bool m_ascending = true;
};

// The type text of an entry: for a file the desktop's description of its type, else the
// language texts 2600 to 2603.
QString EntryTypeText(const CEntryInfo& entry);

}  // namespace ferrow
