#include "gui/download_model.h"

#include <algorithm>
#include <bit>
#include <limits>
#include <set>

#include "app/display_text.h"
#include "app/ferrow_app.h"
#include "gui/icons.h"
#include "gui/language_texts.h"
#include "gui/qt_text.h"
#include "l10n/message_numbers.h"
#include "l10n/resource_manager.h"
#include "platform/unknown_size.h"

namespace ferrow {
namespace {

uint32_t HeaderText(DownloadColumn column) {
  switch (column) {
    case DownloadColumn::kName:
      return Msg::kColumnName;
    case DownloadColumn::kSize:
      return Msg::kColumnSize;
    case DownloadColumn::kDone:
      return Msg::kColumnDone;
    case DownloadColumn::kProgress:
      return Msg::kColumnProgress;
    case DownloadColumn::kSpeed:
      return Msg::kColumnSpeed;
    case DownloadColumn::kLeft:
      return Msg::kColumnLeft;
    case DownloadColumn::kStatus:
      return Msg::kColumnStatus;
    case DownloadColumn::kConnections:
      return Msg::kColumnConnections;
    case DownloadColumn::kUrl:
      return Msg::kColumnUrl;
    case DownloadColumn::kFolder:
      return Msg::kColumnFolder;
    case DownloadColumn::kElapsed:
      return Msg::kColumnElapsed;
    case DownloadColumn::kComment:
      return Msg::kColumnComment;
    case DownloadColumn::kCount:
      break;
  }
  return 0;
}

const char* BuiltInHeader(DownloadColumn column) {
  static const char* const kNames[] = {"Name",  "Size",      "Done",    "Progress",
                                       "Speed", "Time Left", "Status",  "Connections",
                                       "URL",   "Folder",    "Elapsed", "Comment"};
  return kNames[static_cast<int>(column)];
}

bool IsRunning(DownloadStatus status) {
  return IsActiveStatus(status);
}

uint32_t Bit(DownloadColumn column) {
  return 1u << static_cast<int>(column);
}

// The columns whose text, icon or tip differ between two states of a row (CellText and data()).
uint32_t ChangedColumns(const DownloadSnapshot& a, const DownloadSnapshot& b) {
  const CDownloadInfo& x = a.record;
  const CDownloadInfo& y = b.record;
  const bool running = IsRunning(x.m_status);
  const bool runningChanged = running != IsRunning(y.m_status);
  uint32_t columns = 0;
  if (x.m_name != y.m_name ||
      CDownloadInfo::StatusIcon(x.m_status) != CDownloadInfo::StatusIcon(y.m_status))
    columns |= Bit(DownloadColumn::kName);
  if (x.m_size != y.m_size) columns |= Bit(DownloadColumn::kSize) | Bit(DownloadColumn::kProgress);
  if (x.m_done != y.m_done) columns |= Bit(DownloadColumn::kDone);
  if (x.m_progress != y.m_progress) columns |= Bit(DownloadColumn::kProgress);
  if (runningChanged || (running && x.m_speed != y.m_speed)) columns |= Bit(DownloadColumn::kSpeed);
  if (runningChanged || (running && x.m_left != y.m_left)) columns |= Bit(DownloadColumn::kLeft);
  if (x.m_status != y.m_status || x.m_error != y.m_error) columns |= Bit(DownloadColumn::kStatus);
  if (runningChanged || (running && a.connections != b.connections))
    columns |= Bit(DownloadColumn::kConnections);
  if (x.m_url != y.m_url) columns |= Bit(DownloadColumn::kUrl);
  if (x.m_folder != y.m_folder) columns |= Bit(DownloadColumn::kFolder);
  if (x.m_elapsed != y.m_elapsed) columns |= Bit(DownloadColumn::kElapsed);
  if (x.m_comment != y.m_comment) columns |= Bit(DownloadColumn::kComment);
  return columns;
}

}  // namespace

CDownloadModel::CDownloadModel(CFerrowApp& app, QObject* parent)
    : QAbstractTableModel(parent), m_app(app) {
  static_assert(static_cast<int>(DownloadColumn::kCount) <= 32, "a column set is 32 bits");
  Reload();
}

void CDownloadModel::Reload() {
  beginResetModel();
  m_rows = m_app.GetDownloads();
  RebuildIndex();
  endResetModel();
}

void CDownloadModel::RebuildIndex() {
  m_index.clear();
  for (size_t i = 0; i < m_rows.size(); ++i) m_index[m_rows[i].record.m_id] = static_cast<int>(i);
}

void CDownloadModel::ApplyChanges(const DownloadChanges& changes) {
  m_lastRepainted = 0;
  m_lastSignals = 0;
  if (changes.reload) {
    Reload();
    return;
  }
  // Removals one by one keep the view's selection and scroll position; a mass removal (delete
  // all, a damaged revision) is one reset.
  if (!changes.removed.empty()) {
    if (changes.removed.size() > 64 && changes.removed.size() * 2 > m_rows.size()) {
      Reload();
      return;
    }
    for (const Guid& id : changes.removed) {
      const int row = RowOf(id);
      if (row < 0) continue;
      beginRemoveRows(QModelIndex(), row, row);
      m_rows.erase(m_rows.begin() + row);
      RebuildIndex();
      endRemoveRows();
    }
  }
  std::vector<Guid> changed = changes.changed;
  std::vector<DownloadSnapshot> added;
  for (const Guid& id : changes.added) {
    if (RowOf(id) >= 0) {
      changed.push_back(id);  // known already (the first report after the start)
      continue;
    }
    DownloadSnapshot snapshot;
    if (m_app.GetDownload(id, snapshot)) added.push_back(std::move(snapshot));
  }
  if (!added.empty()) {
    const int first = static_cast<int>(m_rows.size());
    beginInsertRows(QModelIndex(), first, first + static_cast<int>(added.size()) - 1);
    for (DownloadSnapshot& snapshot : added) {
      m_index[snapshot.record.m_id] = static_cast<int>(m_rows.size());
      m_rows.push_back(std::move(snapshot));
    }
    endInsertRows();
  }
  // Changed rows, each with the columns whose shown values moved.
  std::vector<std::pair<int, uint32_t>> rows;
  rows.reserve(changed.size());
  // A copy, as a made record would draw a GUID of its own; every field is read anew below.
  DownloadSnapshot now = m_rows.empty() ? DownloadSnapshot() : m_rows.front();
  for (const Guid& id : changed) {
    const int row = RowOf(id);
    if (row < 0 || !m_app.GetDownload(id, now)) continue;
    DownloadSnapshot& shown = m_rows[static_cast<size_t>(row)];
    const uint32_t columns = ChangedColumns(shown, now);
    std::swap(shown, now);
    if (columns != 0) rows.emplace_back(row, columns);
  }
  if (rows.empty()) return;
  m_lastRepainted = static_cast<int>(rows.size());
  // One signal per block of neighbouring rows, or one for all rows when more than half changed,
  // over the columns that changed in it: the view repaints that rectangle only.
  const auto emitBlock = [this](int first, int last, uint32_t columns) {
    const int left = std::countr_zero(columns);
    const int right = 31 - std::countl_zero(columns);
    emit dataChanged(index(first, left), index(last, right));
    ++m_lastSignals;
  };
  if (rows.size() * 2 > m_rows.size()) {
    uint32_t columns = 0;
    for (const auto& [row, changedColumns] : rows) columns |= changedColumns;
    emitBlock(0, static_cast<int>(m_rows.size()) - 1, columns);
    return;
  }
  std::sort(rows.begin(), rows.end());
  size_t start = 0;
  uint32_t columns = 0;
  for (size_t i = 0; i < rows.size(); ++i) {
    columns |= rows[i].second;
    if (i + 1 < rows.size() && rows[i + 1].first == rows[i].first + 1) continue;
    emitBlock(rows[start].first, rows[i].first, columns);
    start = i + 1;
    columns = 0;
  }
}

void CDownloadModel::SetFolderNames(std::map<Guid, QString> names) {
  m_folderNames = std::move(names);
  if (!m_rows.empty()) {
    const int column = static_cast<int>(DownloadColumn::kFolder);
    emit dataChanged(index(0, column), index(static_cast<int>(m_rows.size()) - 1, column));
  }
}

int CDownloadModel::RowOf(const Guid& id) const {
  auto found = m_index.find(id);
  return found == m_index.end() ? -1 : found->second;
}

const DownloadSnapshot* CDownloadModel::At(int row) const {
  return row >= 0 && static_cast<size_t>(row) < m_rows.size() ? &m_rows[static_cast<size_t>(row)]
                                                              : nullptr;
}

const DownloadSnapshot* CDownloadModel::Find(const Guid& id) const {
  return At(RowOf(id));
}

int CDownloadModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int CDownloadModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(DownloadColumn::kCount);
}

QString CDownloadModel::CellText(const DownloadSnapshot& row, DownloadColumn column) const {
  const CDownloadInfo& record = row.record;
  const bool running = IsRunning(record.m_status);
  switch (column) {
    case DownloadColumn::kName:
      return ToQt(record.m_name);
    case DownloadColumn::kSize:
      return ToQt(FormatSize(record.m_size));
    case DownloadColumn::kDone:
      return ToQt(FormatSize(record.m_done));
    case DownloadColumn::kProgress:
      return record.m_size == kUnknownSize ? QString::fromWCharArray(ferrow::DisplayText::kUnknown)
                                           : QStringLiteral("%1%").arg(record.m_progress);
    case DownloadColumn::kSpeed:
      return running ? ToQt(FormatSpeed(record.m_speed)) : QString();
    case DownloadColumn::kLeft:
      return running ? ToQt(FormatDuration(record.m_left, Texts())) : QString();
    case DownloadColumn::kStatus:
      return ToQt(FormatStatus(record.m_status, Texts()));
    case DownloadColumn::kConnections:
      return running ? QString::number(row.connections) : QString();
    case DownloadColumn::kUrl:
      return ToQt(record.m_url);
    case DownloadColumn::kFolder: {
      auto found = m_folderNames.find(record.m_folder);
      return found == m_folderNames.end() ? QString() : found->second;
    }
    case DownloadColumn::kElapsed:
      return record.m_elapsed > 0 ? ToQt(FormatDuration(record.m_elapsed, Texts())) : QString();
    case DownloadColumn::kComment:
      return ToQt(record.m_comment);
    case DownloadColumn::kCount:
      break;
  }
  return QString();
}

QVariant CDownloadModel::SortValue(const DownloadSnapshot& row, DownloadColumn column) const {
  const CDownloadInfo& record = row.record;
  switch (column) {
    case DownloadColumn::kSize:
      return QVariant::fromValue<qulonglong>(record.m_size);
    case DownloadColumn::kDone:
      return QVariant::fromValue<qulonglong>(record.m_done);
    case DownloadColumn::kProgress:
      return record.m_progress;
    case DownloadColumn::kSpeed:
      return IsRunning(record.m_status) ? record.m_speed : -1;
    case DownloadColumn::kLeft:
      // Unknown after every known time.
      return record.m_left < 0 ? std::numeric_limits<int>::max() : record.m_left;
    case DownloadColumn::kStatus:
      return StatusNumber(record.m_status);
    case DownloadColumn::kConnections:
      return row.connections;
    case DownloadColumn::kElapsed:
      return record.m_elapsed;
    default:
      return CellText(row, column);
  }
}

QVariant CDownloadModel::data(const QModelIndex& index, int role) const {
  const DownloadSnapshot* row = At(index.row());
  if (!row || index.column() < 0 || index.column() >= columnCount()) return QVariant();
  const auto column = static_cast<DownloadColumn>(index.column());
  switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
      return CellText(*row, column);
    case kSortRole:
      return SortValue(*row, column);
    case kIdRole:
      return ToQt(row->record.m_id.ToString());
    case Qt::DecorationRole:
      if (column == DownloadColumn::kName)
        return StatusIcon(CDownloadInfo::StatusIcon(row->record.m_status));
      break;
    case Qt::ToolTipRole:
      if (column == DownloadColumn::kStatus && row->record.m_error != 0)
        return ToQt(Texts().ErrorText(static_cast<uint32_t>(row->record.m_error)));
      if (column == DownloadColumn::kUrl || column == DownloadColumn::kName)
        return CellText(*row, column);
      break;
    case Qt::TextAlignmentRole:
      switch (column) {
        case DownloadColumn::kSize:
        case DownloadColumn::kDone:
        case DownloadColumn::kSpeed:
        case DownloadColumn::kLeft:
        case DownloadColumn::kConnections:
        case DownloadColumn::kElapsed:
          return QVariant(Qt::AlignRight | Qt::AlignVCenter);
        default:
          break;
      }
      break;
    default:
      break;
  }
  return QVariant();
}

QVariant CDownloadModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
      section >= columnCount())
    return QVariant();
  const auto column = static_cast<DownloadColumn>(section);
  return Text(HeaderText(column), BuiltInHeader(column));
}

Qt::ItemFlags CDownloadModel::flags(const QModelIndex& index) const {
  Qt::ItemFlags flags = QAbstractTableModel::flags(index);
  if (index.column() == static_cast<int>(DownloadColumn::kName)) flags |= Qt::ItemIsEditable;
  return flags;
}

bool CDownloadModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  const DownloadSnapshot* row = At(index.row());
  if (!row || role != Qt::EditRole || index.column() != static_cast<int>(DownloadColumn::kName))
    return false;
  const QString name = value.toString().trimmed();
  if (name.isEmpty()) return false;
  // The core reports the change; the row is read again from there.
  return m_app.SetDownloadText(row->record.m_id, FromQt(name), row->record.m_comment);
}

}  // namespace ferrow
