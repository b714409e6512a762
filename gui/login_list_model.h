#pragma once
// The stored site logins on their settings page: server and user per row (the password is
// never shown).
#include <QAbstractTableModel>

#include "net/login_list.h"

namespace ferrow {

class CLoginListModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit CLoginListModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

  void SetLogins(const CLoginList& logins);
  const CLoginList& Logins() const { return m_logins; }
  // Adds or replaces the server's login.
  void SetLogin(const std::wstring& server, const std::wstring& user, const std::wstring& password);
  void Remove(int row);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  CLoginList m_logins;
};

}  // namespace ferrow
