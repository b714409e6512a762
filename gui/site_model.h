#pragma once
// The site tree: one root item ("FTP Sites", text 1300) with the stored sites below it in their
// name order.
#include <QAbstractItemModel>
#include <functional>
#include <vector>

#include "sites/site_info.h"

namespace ferrow {

class CSiteModel : public QAbstractItemModel {
  Q_OBJECT

 public:
  explicit CSiteModel(QObject* parent = nullptr) : QAbstractItemModel(parent) {}

  void SetSites(std::vector<CSiteInfo> sites);
  // Null for the root item.
  const CSiteInfo* Site(const QModelIndex& index) const;
  QModelIndex IndexOf(const Guid& id) const;
  QModelIndex RootIndex() const { return createIndex(0, 0, quintptr(0)); }
  const std::vector<CSiteInfo>& Sites() const { return m_sites; }

  // Set by the view: a name typed in place.
  std::function<bool(const Guid&, const QString&)> m_rename;

  QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;

 private:
  std::vector<CSiteInfo> m_sites;
};

}  // namespace ferrow
