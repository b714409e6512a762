#pragma once
// A user name and password for one server.
#include <string>

#include "store/xml_object.h"

namespace ferrow {

class CLoginInfo : public CXmlObject {
 public:
  CLoginInfo() = default;
  CLoginInfo(std::wstring server, std::wstring user, std::wstring password, bool keep);

  void Exchange(bool store, CXmlNode& node) override;

  std::wstring m_server;  // compared exactly, letter case counts
  std::wstring m_user;
  std::wstring m_password;
  // Set: saved with the settings. Clear: forgotten when the program ends. Not stored itself,
  // so a loaded login is always kept.
  bool m_keep = true;
};

}  // namespace ferrow
