#include "net/proxy_info.h"

#include "store/xml_node.h"

namespace ferrow {

void CProxyInfo::Exchange(bool store, CXmlNode& node) {
  node.ExchangeChild(store, L"Enabled", m_enabled);
  node.ExchangeChild(store, L"Server", m_server);
  node.ExchangeChild(store, L"Port", m_port);
  node.ExchangeChild(store, L"User", m_user);
  node.ExchangeChild(store, L"Password", m_password);
}

}  // namespace ferrow
