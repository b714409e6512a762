#pragma once
// A table of finished downloads: the file entries of one folder, or the history entries of one
// period. Each row keeps its position in the core's list, which the commands name it by.
// Entries of a folder can be dragged onto another folder.
#include <QAbstractTableModel>
#include <vector>

#include "platform/guid.h"

namespace ferrow {

enum class EntryColumn { kName, kSize, kDate, kFile, kUrl, kComment, kCount };

struct EntryRow {
  size_t position = 0;  // in the core's list
  std::wstring name;
  std::wstring url;
  std::wstring file;
  std::wstring comment;
  uint64_t size = 0;
  int64_t date = 0;  // seconds since 1970
};

class CEntryModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  static constexpr int kSortRole = Qt::UserRole + 1;

  // With a folder GUID set, rows can be dragged (onto another folder).
  explicit CEntryModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

  void SetRows(std::vector<EntryRow> rows, const Guid& folder = Guid());
  const EntryRow* At(int row) const;
  const Guid& FolderId() const { return m_folder; }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  QStringList mimeTypes() const override;
  QMimeData* mimeData(const QModelIndexList& indexes) const override;
  Qt::DropActions supportedDragActions() const override { return Qt::MoveAction; }

 private:
  std::vector<EntryRow> m_rows;
  Guid m_folder;
};

}  // namespace ferrow
