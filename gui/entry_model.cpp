#include "gui/entry_model.h"

#include <QDataStream>
#include <QIODevice>
#include <QMimeData>
#include <set>

#include "app/display_text.h"
#include "gui/folder_model.h"
#include "gui/icons.h"
#include "gui/language_texts.h"
#include "gui/qt_text.h"
#include "l10n/message_numbers.h"

namespace ferrow {

void CEntryModel::SetRows(std::vector<EntryRow> rows, const Guid& folder) {
  beginResetModel();
  m_rows = std::move(rows);
  m_folder = folder;
  endResetModel();
}

const EntryRow* CEntryModel::At(int row) const {
  return row >= 0 && row < rowCount() ? &m_rows[static_cast<size_t>(row)] : nullptr;
}

int CEntryModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int CEntryModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(EntryColumn::kCount);
}

QVariant CEntryModel::data(const QModelIndex& index, int role) const {
  const EntryRow* row = At(index.row());
  if (!row) return QVariant();
  const auto column = static_cast<EntryColumn>(index.column());
  if (role == kSortRole) {
    if (column == EntryColumn::kSize) return QVariant::fromValue<qulonglong>(row->size);
    if (column == EntryColumn::kDate) return QVariant::fromValue<qlonglong>(row->date);
    return data(index, Qt::DisplayRole);
  }
  if (role == Qt::DecorationRole && column == EntryColumn::kName) return Icon(IconId::kFile);
  if (role == Qt::TextAlignmentRole && column == EntryColumn::kSize)
    return QVariant(Qt::AlignRight | Qt::AlignVCenter);
  if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return QVariant();
  switch (column) {
    case EntryColumn::kName:
      return ToQt(row->name);
    case EntryColumn::kSize:
      return ToQt(FormatSize(row->size));
    case EntryColumn::kDate:
      return ToQt(FormatDateTime(row->date));
    case EntryColumn::kFile:
      return ToQt(row->file);
    case EntryColumn::kUrl:
      return ToQt(row->url);
    case EntryColumn::kComment:
      return ToQt(row->comment);
    case EntryColumn::kCount:
      break;
  }
  return QVariant();
}

QVariant CEntryModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return QVariant();
  switch (static_cast<EntryColumn>(section)) {
    case EntryColumn::kName:
      return Text(Msg::kColumnName, "Name");
    case EntryColumn::kSize:
      return Text(Msg::kColumnSize, "Size");
    case EntryColumn::kDate:
      return Text(Msg::kColumnDate, "Date");
    case EntryColumn::kFile:
      return Text(Msg::kColumnFile, "File");
    case EntryColumn::kUrl:
      return Text(Msg::kColumnUrl, "URL");
    case EntryColumn::kComment:
      return Text(Msg::kColumnComment, "Comment");
    case EntryColumn::kCount:
      break;
  }
  return QVariant();
}

Qt::ItemFlags CEntryModel::flags(const QModelIndex& index) const {
  Qt::ItemFlags flags = QAbstractTableModel::flags(index);
  if (index.isValid() && !m_folder.IsNull()) flags |= Qt::ItemIsDragEnabled;
  return flags;
}

QStringList CEntryModel::mimeTypes() const {
  return {QLatin1String(CFolderModel::kEntriesMime)};
}

QMimeData* CEntryModel::mimeData(const QModelIndexList& indexes) const {
  std::set<size_t> positions;
  for (const QModelIndex& index : indexes)
    if (const EntryRow* row = At(index.row())) positions.insert(row->position);
  QByteArray bytes;
  QDataStream stream(&bytes, QIODevice::WriteOnly);
  stream << ToQt(m_folder.ToString()) << QList<quint64>(positions.begin(), positions.end());
  auto* data = new QMimeData;
  data->setData(QLatin1String(CFolderModel::kEntriesMime), bytes);
  return data;
}

}  // namespace ferrow
