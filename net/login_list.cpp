#include "net/login_list.h"

#include "store/xml_node.h"

namespace ferrow {

void CLoginList::Exchange(bool store, CXmlNode& node) {
  if (store) {
    for (CLoginInfo& login : *this)
      if (login.m_keep) node.AddChild(L"Login", login);
    return;
  }
  clear();
  resize(node.GetChildCount());
  for (size_t position = 0; position < size(); ++position)
    node.GetChildAt(position, (*this)[position]);
}

CLoginInfo* CLoginList::Find(const std::wstring& server) {
  for (CLoginInfo& login : *this)
    if (login.m_server == server) return &login;
  return nullptr;
}

const CLoginInfo* CLoginList::Find(const std::wstring& server) const {
  return const_cast<CLoginList*>(this)->Find(server);
}

void CLoginList::SetLogin(const std::wstring& server, const std::wstring& user,
                          const std::wstring& password, bool keep) {
  if (CLoginInfo* login = Find(server)) {
    *login = CLoginInfo(server, user, password, keep);
    return;
  }
  emplace_back(server, user, password, keep);
}

}  // namespace ferrow
