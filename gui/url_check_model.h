#pragma once
// The rows of the download-list dialog: one URL per row with the file name it gets, each with a
// check box.
#include <QAbstractTableModel>
#include <QStringList>
#include <vector>

namespace ferrow {

class CUrlCheckModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  CUrlCheckModel(const QStringList& urls, QObject* parent = nullptr);

  void SetChecked(int row, bool checked);
  void SetAllChecked(bool checked);
  bool IsChecked(int row) const { return m_rows[static_cast<size_t>(row)].checked; }
  QString Url(int row) const { return m_rows[static_cast<size_t>(row)].url; }
  QString FileName(int row) const { return m_rows[static_cast<size_t>(row)].fileName; }
  QStringList CheckedUrls() const;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;

 private:
  struct Row {
    QString url;
    QString fileName;
    bool checked = true;
  };
  std::vector<Row> m_rows;
};

}  // namespace ferrow
