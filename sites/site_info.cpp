#include "sites/site_info.h"

#include "net/internet_url.h"
#include "store/xml_node.h"

namespace ferrow {

CSiteInfo::CSiteInfo() : m_id(Guid::Create()) {}

CSiteInfo::CSiteInfo(std::wstring name) : m_id(Guid::Create()), m_name(std::move(name)) {}

void CSiteInfo::Exchange(bool store, CXmlNode& node) {
  node.ExchangeAttribute(store, L"ID", m_id);
  node.ExchangeChild(store, L"Name", m_name);
  node.ExchangeChild(store, L"Server", m_server);
  node.ExchangeChild(store, L"Port", m_port);
  node.ExchangeChild(store, L"Protocol", m_protocol);
  node.ExchangeChild(store, L"User", m_user);
  node.ExchangeChild(store, L"Password", m_password);
}

std::wstring CSiteInfo::GetUrl() const {
  CInternetURL url;
  url.SetScheme(static_cast<Scheme>(m_protocol));  // the stored number of the scheme
  url.SetHost(m_server);
  url.SetPort(m_port);
  url.SetUser(m_user);
  url.SetPassword(m_password);
  url.SetPath(L"/");
  return url.Format();
}

}  // namespace ferrow
