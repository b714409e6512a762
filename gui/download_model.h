#pragma once
// The download list as a table model over the core's snapshots, one row per download in list
// order, named by GUID. It follows the core's change reports (ICoreListener::
// OnDownloadsChanged): new rows are inserted at the end, removed ones taken out where they are,
// and only the changed cells of changed rows are repainted (per block of neighbouring rows, or
// the whole range at once when more than half changed).
#include <QAbstractTableModel>
#include <QHash>
#include <QString>
#include <map>
#include <vector>

#include "app/download_snapshot.h"

namespace ferrow {

class CFerrowApp;

enum class DownloadColumn {
  kName,
  kSize,
  kDone,
  kProgress,
  kSpeed,
  kLeft,
  kStatus,
  kConnections,
  kUrl,
  kFolder,
  kElapsed,
  kComment,
  kCount
};

class CDownloadModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  // The raw value a column sorts by (numbers as numbers).
  static constexpr int kSortRole = Qt::UserRole + 1;
  // The download's GUID text.
  static constexpr int kIdRole = Qt::UserRole + 2;

  explicit CDownloadModel(CFerrowApp& app, QObject* parent = nullptr);

  // Reads every row again.
  void Reload();
  void ApplyChanges(const DownloadChanges& changes);
  // Folder names for the folder column.
  void SetFolderNames(std::map<Guid, QString> names);

  int RowOf(const Guid& id) const;
  const DownloadSnapshot* At(int row) const;
  const DownloadSnapshot* Find(const Guid& id) const;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;

  // How many rows the last ApplyChanges repainted, and in how many signals (for tests).
  int GetLastRepaintedRows() const { return m_lastRepainted; }
  int GetLastRepaintSignals() const { return m_lastSignals; }

 private:
  void RebuildIndex();
  QString CellText(const DownloadSnapshot& row, DownloadColumn column) const;
  QVariant SortValue(const DownloadSnapshot& row, DownloadColumn column) const;

  CFerrowApp& m_app;
  std::vector<DownloadSnapshot> m_rows;
  std::map<Guid, int> m_index;
  std::map<Guid, QString> m_folderNames;
  int m_lastRepainted = 0;
  int m_lastSignals = 0;
};

}  // namespace ferrow
