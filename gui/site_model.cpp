#include "gui/site_model.h"

#include "gui/icons.h"
#include "gui/language_texts.h"
#include "gui/qt_text.h"
#include "l10n/message_numbers.h"

namespace ferrow {

// Internal ids: 0 is the root item, n + 1 the n-th site.

void CSiteModel::SetSites(std::vector<CSiteInfo> sites) {
  beginResetModel();
  m_sites = std::move(sites);
  endResetModel();
}

const CSiteInfo* CSiteModel::Site(const QModelIndex& index) const {
  if (!index.isValid() || index.internalId() == 0) return nullptr;
  const size_t position = static_cast<size_t>(index.internalId() - 1);
  return position < m_sites.size() ? &m_sites[position] : nullptr;
}

QModelIndex CSiteModel::IndexOf(const Guid& id) const {
  for (size_t i = 0; i < m_sites.size(); ++i)
    if (m_sites[i].m_id == id) return createIndex(static_cast<int>(i), 0, quintptr(i + 1));
  return QModelIndex();
}

QModelIndex CSiteModel::index(int row, int column, const QModelIndex& parent) const {
  if (column != 0 || row < 0) return QModelIndex();
  if (!parent.isValid()) return row == 0 ? RootIndex() : QModelIndex();
  if (parent.internalId() != 0 || row >= static_cast<int>(m_sites.size())) return QModelIndex();
  return createIndex(row, 0, quintptr(row + 1));
}

QModelIndex CSiteModel::parent(const QModelIndex& child) const {
  if (!child.isValid() || child.internalId() == 0) return QModelIndex();
  return RootIndex();
}

int CSiteModel::rowCount(const QModelIndex& parent) const {
  if (!parent.isValid()) return 1;
  return parent.internalId() == 0 ? static_cast<int>(m_sites.size()) : 0;
}

int CSiteModel::columnCount(const QModelIndex&) const {
  return 1;
}

QVariant CSiteModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return QVariant();
  const CSiteInfo* site = Site(index);
  switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
      return site ? ToQt(site->m_name) : Text(Msg::kSitesRoot, "FTP Sites");
    case Qt::ToolTipRole:
      return site ? ToQt(site->m_server) : QVariant();
    case Qt::DecorationRole:
      return Icon(site ? IconId::kSite : IconId::kExplorer);
    default:
      return QVariant();
  }
}

Qt::ItemFlags CSiteModel::flags(const QModelIndex& index) const {
  Qt::ItemFlags flags = QAbstractItemModel::flags(index);
  if (Site(index)) flags |= Qt::ItemIsEditable;
  return flags;
}

bool CSiteModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  const CSiteInfo* site = Site(index);
  if (!site || role != Qt::EditRole || !m_rename) return false;
  const QString name = value.toString().trimmed();
  return !name.isEmpty() && m_rename(site->m_id, name);
}

}  // namespace ferrow
