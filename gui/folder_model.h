#pragma once
// The folder tree as a tree model over a copy of the core's tree: the root (the download
// folder) on top, its sub-folders below, each named; items are found again by GUID after a
// reload. File entries dragged from the folder's file list onto a folder move there.
#include <QAbstractItemModel>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "download/folder_info.h"

namespace ferrow {

class CFolderModel : public QAbstractItemModel {
  Q_OBJECT

 public:
  // The MIME type of dragged file entries: the source folder's GUID, then the positions.
  static constexpr const char* kEntriesMime = "application/x-ferrow-folder-entries";

  explicit CFolderModel(QObject* parent = nullptr) : QAbstractItemModel(parent) {}

  void SetTree(const CFolderInfo& root);
  const CFolderInfo* Folder(const QModelIndex& index) const;
  QModelIndex IndexOf(const Guid& id) const;
  const CFolderInfo& Root() const { return m_root; }

  // Set by the pane: what a drop of entries does (source folder, positions, target folder).
  std::function<void(const Guid&, const std::vector<size_t>&, const Guid&)> m_moveEntries;

  QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  Qt::DropActions supportedDropActions() const override { return Qt::MoveAction; }
  QStringList mimeTypes() const override;
  bool canDropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                       const QModelIndex& parent) const override;
  bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                    const QModelIndex& parent) override;

  // Set by the pane: a rename typed in place (folder, new name); false refuses it.
  std::function<bool(const Guid&, const QString&)> m_rename;

 private:
  // Every folder's parent, for parent().
  void IndexParents(const CFolderInfo& folder, const CFolderInfo* parent);
  const CFolderInfo* ParentOf(const CFolderInfo* folder) const;
  int RowOf(const CFolderInfo* folder) const;

  CFolderInfo m_root;
  std::map<const CFolderInfo*, const CFolderInfo*> m_parents;
};

}  // namespace ferrow
