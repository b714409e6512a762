#include "gui/log_model.h"

#include "app/log_text.h"
#include "gui/language_texts.h"
#include "gui/qt_text.h"

namespace ferrow {

void CLogModel::Append(const std::vector<CLogInfo>& lines) {
  QStringList texts;
  for (const CLogInfo& line : lines) texts << ToQt(FormatLogLine(line, Texts()));
  AppendText(texts);
}

void CLogModel::AppendText(const QStringList& lines) {
  if (lines.isEmpty()) return;
  const int first = static_cast<int>(m_lines.size());
  beginInsertRows(QModelIndex(), first, first + static_cast<int>(lines.size()) - 1);
  for (const QString& line : lines) m_lines.push_back(line);
  endInsertRows();
  const int excess = static_cast<int>(m_lines.size()) - kMaxLines;
  if (excess > 0) {
    beginRemoveRows(QModelIndex(), 0, excess - 1);
    m_lines.erase(m_lines.begin(), m_lines.begin() + excess);
    endRemoveRows();
  }
}

void CLogModel::Clear() {
  beginResetModel();
  m_lines.clear();
  endResetModel();
}

QString CLogModel::Line(int row) const {
  return row >= 0 && row < static_cast<int>(m_lines.size()) ? m_lines[static_cast<size_t>(row)]
                                                            : QString();
}

QStringList CLogModel::AllLines() const {
  return QStringList(m_lines.begin(), m_lines.end());
}

int CLogModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(m_lines.size());
}

QVariant CLogModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return QVariant();
  return Line(index.row());
}

}  // namespace ferrow
