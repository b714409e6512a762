#include "net/login_info.h"

#include "store/xml_node.h"

namespace ferrow {

CLoginInfo::CLoginInfo(std::wstring server, std::wstring user, std::wstring password, bool keep)
    : m_server(std::move(server)),
      m_user(std::move(user)),
      m_password(std::move(password)),
      m_keep(keep) {}

void CLoginInfo::Exchange(bool store, CXmlNode& node) {
  node.ExchangeChild(store, L"Server", m_server);
  node.ExchangeChild(store, L"User", m_user);
  node.ExchangeChild(store, L"Password", m_password);
}

}  // namespace ferrow
