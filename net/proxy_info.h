#pragma once
// How to reach one proxy (the HTTP proxy or the SOCKS proxy of the settings).
#include <cstdint>
#include <string>

#include "store/xml_object.h"

namespace ferrow {

class CProxyInfo : public CXmlObject {
 public:
  void Exchange(bool store, CXmlNode& node) override;

  bool m_enabled = false;
  std::wstring m_server;
  int32_t m_port = 0;
  std::wstring m_user;  // empty: no authentication
  std::wstring m_password;
  // SOCKS: the proxy resolves host names ("socks5h://"); otherwise they are resolved here and
  // the proxy gets the address. Not stored.
  bool m_remoteNames = false;
};

}  // namespace ferrow
