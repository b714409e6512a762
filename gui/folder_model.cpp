#include "gui/folder_model.h"

#include <QDataStream>
#include <QIODevice>
#include <QMimeData>

#include "gui/icons.h"
#include "gui/language_texts.h"
#include "gui/qt_text.h"
#include "l10n/message_numbers.h"

namespace ferrow {

void CFolderModel::SetTree(const CFolderInfo& root) {
  beginResetModel();
  m_root = root;
  m_parents.clear();
  IndexParents(m_root, nullptr);
  endResetModel();
}

void CFolderModel::IndexParents(const CFolderInfo& folder, const CFolderInfo* parent) {
  m_parents[&folder] = parent;
  for (const CFolderInfo& child : folder.m_folders) IndexParents(child, &folder);
}

const CFolderInfo* CFolderModel::ParentOf(const CFolderInfo* folder) const {
  auto found = m_parents.find(folder);
  return found == m_parents.end() ? nullptr : found->second;
}

int CFolderModel::RowOf(const CFolderInfo* folder) const {
  const CFolderInfo* parent = ParentOf(folder);
  if (!parent) return 0;
  int row = 0;
  for (const CFolderInfo& child : parent->m_folders) {
    if (&child == folder) return row;
    ++row;
  }
  return 0;
}

const CFolderInfo* CFolderModel::Folder(const QModelIndex& index) const {
  return index.isValid() ? static_cast<const CFolderInfo*>(index.internalPointer()) : nullptr;
}

QModelIndex CFolderModel::IndexOf(const Guid& id) const {
  const CFolderInfo* folder = id == m_root.m_id ? &m_root : m_root.FindFolder(id);
  if (!folder) return QModelIndex();
  return createIndex(RowOf(folder), 0, const_cast<CFolderInfo*>(folder));
}

QModelIndex CFolderModel::index(int row, int column, const QModelIndex& parent) const {
  if (column != 0 || row < 0) return QModelIndex();
  if (!parent.isValid())
    return row == 0 ? createIndex(0, 0, const_cast<CFolderInfo*>(&m_root)) : QModelIndex();
  const CFolderInfo* folder = Folder(parent);
  if (!folder || row >= static_cast<int>(folder->m_folders.size())) return QModelIndex();
  auto it = folder->m_folders.begin();
  std::advance(it, row);
  return createIndex(row, 0, const_cast<CFolderInfo*>(&*it));
}

QModelIndex CFolderModel::parent(const QModelIndex& child) const {
  const CFolderInfo* parent = ParentOf(Folder(child));
  if (!parent) return QModelIndex();
  return createIndex(RowOf(parent), 0, const_cast<CFolderInfo*>(parent));
}

int CFolderModel::rowCount(const QModelIndex& parent) const {
  if (!parent.isValid()) return 1;
  const CFolderInfo* folder = Folder(parent);
  return folder ? static_cast<int>(folder->m_folders.size()) : 0;
}

int CFolderModel::columnCount(const QModelIndex&) const {
  return 1;
}

QVariant CFolderModel::data(const QModelIndex& index, int role) const {
  const CFolderInfo* folder = Folder(index);
  if (!folder) return QVariant();
  switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
      return folder == &m_root ? Text(Msg::kFolderRoot, "Download Folder") : ToQt(folder->m_name);
    case Qt::ToolTipRole:
      return ToQt(folder->m_path);
    case Qt::DecorationRole:
      return Icon(IconId::kFolder);
    default:
      return QVariant();
  }
}

QVariant CFolderModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (section != 0 || orientation != Qt::Horizontal || role != Qt::DisplayRole) return QVariant();
  return Text(Msg::kColumnFolder, "Folder");
}

Qt::ItemFlags CFolderModel::flags(const QModelIndex& index) const {
  Qt::ItemFlags flags = QAbstractItemModel::flags(index);
  const CFolderInfo* folder = Folder(index);
  if (folder) flags |= Qt::ItemIsDropEnabled;
  if (folder && folder != &m_root) flags |= Qt::ItemIsEditable;
  return flags;
}

bool CFolderModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  const CFolderInfo* folder = Folder(index);
  if (!folder || folder == &m_root || role != Qt::EditRole || !m_rename) return false;
  return m_rename(folder->m_id, value.toString().trimmed());
}

QStringList CFolderModel::mimeTypes() const {
  return {QLatin1String(kEntriesMime)};
}

bool CFolderModel::canDropMimeData(const QMimeData* data, Qt::DropAction, int, int,
                                   const QModelIndex& parent) const {
  return data->hasFormat(QLatin1String(kEntriesMime)) && Folder(parent) != nullptr;
}

bool CFolderModel::dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                                const QModelIndex& parent) {
  if (!canDropMimeData(data, action, row, column, parent) || !m_moveEntries) return false;
  QByteArray bytes = data->data(QLatin1String(kEntriesMime));
  QDataStream stream(&bytes, QIODevice::ReadOnly);
  QString source;
  QList<quint64> positions;
  stream >> source >> positions;
  Guid from;
  if (stream.status() != QDataStream::Ok || !Guid::Parse(FromQt(source), from)) return false;
  std::vector<size_t> list(positions.begin(), positions.end());
  // Run after the drag has ended: the move reloads this model.
  const Guid to = Folder(parent)->m_id;
  auto move = m_moveEntries;
  QMetaObject::invokeMethod(
      this, [move, from, list, to] { move(from, list, to); }, Qt::QueuedConnection);
  return false;  // the source keeps nothing to remove: the core moved the entries
}

}  // namespace ferrow
