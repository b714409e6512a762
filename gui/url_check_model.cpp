#include "gui/url_check_model.h"

#include "app/new_download.h"
#include "gui/language_texts.h"
#include "gui/qt_text.h"
#include "l10n/message_numbers.h"

namespace ferrow {

CUrlCheckModel::CUrlCheckModel(const QStringList& urls, QObject* parent)
    : QAbstractTableModel(parent) {
  for (const QString& url : urls) m_rows.push_back({url, ToQt(ProposeFileName(FromQt(url))), true});
}

void CUrlCheckModel::SetChecked(int row, bool checked) {
  if (row < 0 || row >= rowCount()) return;
  m_rows[static_cast<size_t>(row)].checked = checked;
  emit dataChanged(index(row, 0), index(row, 0), {Qt::CheckStateRole});
}

void CUrlCheckModel::SetAllChecked(bool checked) {
  for (Row& row : m_rows) row.checked = checked;
  if (!m_rows.empty())
    emit dataChanged(index(0, 0), index(rowCount() - 1, 0), {Qt::CheckStateRole});
}

QStringList CUrlCheckModel::CheckedUrls() const {
  QStringList urls;
  for (const Row& row : m_rows)
    if (row.checked) urls << row.url;
  return urls;
}

int CUrlCheckModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int CUrlCheckModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : 2;
}

QVariant CUrlCheckModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return QVariant();
  const Row& row = m_rows[static_cast<size_t>(index.row())];
  if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
    return index.column() == 0 ? row.url : row.fileName;
  if (role == Qt::CheckStateRole && index.column() == 0)
    return row.checked ? Qt::Checked : Qt::Unchecked;
  return QVariant();
}

QVariant CUrlCheckModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return QVariant();
  return section == 0 ? Text(Msg::kColumnUrl, "URL") : Text(Msg::kColumnFile, "File");
}

Qt::ItemFlags CUrlCheckModel::flags(const QModelIndex& index) const {
  Qt::ItemFlags flags = QAbstractTableModel::flags(index);
  if (index.column() == 0) flags |= Qt::ItemIsUserCheckable;
  return flags;
}

bool CUrlCheckModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (role != Qt::CheckStateRole || index.column() != 0 || index.row() >= rowCount()) return false;
  SetChecked(index.row(), static_cast<Qt::CheckState>(value.toInt()) == Qt::Checked);
  return true;
}

}  // namespace ferrow
