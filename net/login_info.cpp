#include "net/login_info.h"

#include "store/xml_node.h"

namespace ferrow {

CLoginInfo::CLoginInfo(std::wstring server, std::wstring user, std::wstring password, bool keep)
    : m_server(std::move(server)),
      m_user(std::move(user)),
      m_password(std::move(password)),
      m_keep(keep) {}

void CLoginInfo::Exchange(bool store, CXmlNode& node) {
  if (store) {
    node.AddChild(L"Server", m_server);
    node.AddChild(L"User", m_user);
    node.AddChild(L"Password", m_password);
  } else {
    node.GetChild(L"Server", m_server);
    node.GetChild(L"User", m_user);
    node.GetChild(L"Password", m_password);
  }
}

}  // namespace ferrow
