#include "gui/remote_model.h"

#include <QMimeDatabase>

#include "app/display_text.h"
#include "gui/icons.h"
#include "gui/language_texts.h"
#include "gui/qt_text.h"
#include "l10n/message_numbers.h"

namespace ferrow {

QString EntryTypeText(const CEntryInfo& entry) {
  if (entry.GetType() == CEntryInfo::kTypeFile &&
      entry.GetName().find(L'.') != std::wstring::npos) {
    static QMimeDatabase database;
    const QMimeType type =
        database.mimeTypeForFile(ToQt(entry.GetName()), QMimeDatabase::MatchExtension);
    if (type.isValid() && !type.isDefault()) return type.comment();
  }
  static const char* const kBuiltIn[] = {"Unknown", "File", "Folder", "Link"};
  const int type = qBound(0, entry.GetType(), 3);
  return Text(Msg::kEntryTypeFirst + static_cast<uint32_t>(type), kBuiltIn[type]);
}

void CRemoteModel::SetEntries(std::vector<CEntryInfo> entries) {
  beginResetModel();
  m_entries = std::move(entries);
  for (CEntryInfo& entry : m_entries) entry.SetTypeText(FromQt(EntryTypeText(entry)));
  SortRemoteEntries(m_entries, m_column, m_ascending);
  endResetModel();
}

void CRemoteModel::Clear() {
  beginResetModel();
  m_entries.clear();
  endResetModel();
}

const CEntryInfo* CRemoteModel::At(int row) const {
  return row >= 0 && row < rowCount() ? &m_entries[static_cast<size_t>(row)] : nullptr;
}

int CRemoteModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(m_entries.size());
}

int CRemoteModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : 4;
}

QVariant CRemoteModel::data(const QModelIndex& index, int role) const {
  const CEntryInfo* entry = At(index.row());
  if (!entry) return QVariant();
  const auto column = static_cast<RemoteColumn>(index.column());
  const bool parent = entry->GetName() == L"..";
  if (role == Qt::DecorationRole && column == RemoteColumn::kName)
    return Icon(entry->GetType() == CEntryInfo::kTypeFile ? IconId::kFile : IconId::kFolder);
  if (role == Qt::TextAlignmentRole && column == RemoteColumn::kSize)
    return QVariant(Qt::AlignRight | Qt::AlignVCenter);
  if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return QVariant();
  // The row of ".." shows only its name.
  if (parent && column != RemoteColumn::kName) return QVariant();
  switch (column) {
    case RemoteColumn::kName:
      return ToQt(entry->GetName());
    case RemoteColumn::kSize:
      if (entry->GetType() != CEntryInfo::kTypeFile) return QString();
      return entry->GetSize() < 0 ? QString::fromWCharArray(ferrow::DisplayText::kUnknown)
                                  : ToQt(FormatSize(static_cast<uint64_t>(entry->GetSize())));
    case RemoteColumn::kType:
      return ToQt(entry->GetTypeText());
    case RemoteColumn::kDate:
      return ToQt(FormatDateTime(entry->GetDate()));
  }
  return QVariant();
}

QVariant CRemoteModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return QVariant();
  switch (static_cast<RemoteColumn>(section)) {
    case RemoteColumn::kName:
      return Text(Msg::kColumnName, "Name");
    case RemoteColumn::kSize:
      return Text(Msg::kColumnSize, "Size");
    case RemoteColumn::kType:
      return Text(Msg::kColumnType, "Type");
    case RemoteColumn::kDate:
      return Text(Msg::kColumnDate, "Date");
  }
  return QVariant();
}

void CRemoteModel::sort(int column, Qt::SortOrder order) {
  if (column < 0 || column > 3) return;
  beginResetModel();
  m_column = static_cast<RemoteColumn>(column);
  m_ascending = order == Qt::AscendingOrder;
  SortRemoteEntries(m_entries, m_column, m_ascending);
  endResetModel();
}

}  // namespace ferrow
