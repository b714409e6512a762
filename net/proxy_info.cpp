#include "net/proxy_info.h"

#include "store/xml_node.h"

namespace ferrow {

void CProxyInfo::Exchange(bool store, CXmlNode& node) {
  if (store) {
    node.AddChild(L"Enabled", m_enabled);
    node.AddChild(L"Server", m_server);
    node.AddChild(L"Port", m_port);
    node.AddChild(L"User", m_user);
    node.AddChild(L"Password", m_password);
  } else {
    node.GetChild(L"Enabled", m_enabled);
    node.GetChild(L"Server", m_server);
    node.GetChild(L"Port", m_port);
    node.GetChild(L"User", m_user);
    node.GetChild(L"Password", m_password);
  }
}

}  // namespace ferrow
