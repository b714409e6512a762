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
  // SOCKS only, not stored: the proxy is given the target's name to resolve itself (for names
  // only the proxy's side knows), instead of the address Ferrow looked up.
  bool m_resolveRemotely = false;
};

}  // namespace ferrow
