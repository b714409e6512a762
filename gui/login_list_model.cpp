#include "gui/login_list_model.h"

#include "gui/language_texts.h"
#include "gui/qt_text.h"
#include "l10n/message_numbers.h"

namespace ferrow {

void CLoginListModel::SetLogins(const CLoginList& logins) {
  beginResetModel();
  m_logins = logins;
  endResetModel();
}

void CLoginListModel::SetLogin(const std::wstring& server, const std::wstring& user,
                               const std::wstring& password) {
  beginResetModel();
  m_logins.SetLogin(server, user, password, true);
  endResetModel();
}

void CLoginListModel::Remove(int row) {
  if (row < 0 || row >= rowCount()) return;
  beginRemoveRows(QModelIndex(), row, row);
  m_logins.erase(m_logins.begin() + row);
  endRemoveRows();
}

int CLoginListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(m_logins.size());
}

int CLoginListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : 2;
}

QVariant CLoginListModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || index.row() >= rowCount()) return QVariant();
  const CLoginInfo& login = m_logins[static_cast<size_t>(index.row())];
  return ToQt(index.column() == 0 ? login.m_server : login.m_user);
}

QVariant CLoginListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return QVariant();
  return section == 0 ? Text(Msg::kColumnServer, "Server") : Text(Msg::kColumnUser, "User");
}

}  // namespace ferrow
