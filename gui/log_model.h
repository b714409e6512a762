#pragma once
// The lines of a connection's log as a list model: appended at the end, the oldest dropped
// beyond kMaxLines.
#include <QAbstractListModel>
#include <QStringList>
#include <deque>
#include <vector>

#include "net/log_info.h"

namespace ferrow {

class CLogModel : public QAbstractListModel {
  Q_OBJECT

 public:
  static constexpr int kMaxLines = 5000;

  explicit CLogModel(QObject* parent = nullptr) : QAbstractListModel(parent) {}

  void Append(const std::vector<CLogInfo>& lines);
  void AppendText(const QStringList& lines);
  void Clear();
  QString Line(int row) const;
  QStringList AllLines() const;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;

 private:
  std::deque<QString> m_lines;
};

}  // namespace ferrow
