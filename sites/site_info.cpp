#include "sites/site_info.h"

#include "store/xml_node.h"

namespace ferrow {

CSiteInfo::CSiteInfo() : m_id(Guid::Create()) {}

CSiteInfo::CSiteInfo(std::wstring name) : m_id(Guid::Create()), m_name(std::move(name)) {}

void CSiteInfo::Exchange(bool store, CXmlNode& node) {
  if (store) {
    node.AddAttribute(L"ID", m_id);
    node.AddChild(L"Name", m_name);
    node.AddChild(L"Server", m_server);
    node.AddChild(L"Port", m_port);
    node.AddChild(L"Protocol", m_protocol);
    node.AddChild(L"User", m_user);
    node.AddChild(L"Password", m_password);
  } else {
    node.GetAttribute(L"ID", m_id);
    node.GetChild(L"Name", m_name);
    node.GetChild(L"Server", m_server);
    node.GetChild(L"Port", m_port);
    node.GetChild(L"Protocol", m_protocol);
    node.GetChild(L"User", m_user);
    node.GetChild(L"Password", m_password);
  }
}

}  // namespace ferrow
