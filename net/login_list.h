#pragma once
// The stored logins, one per server, in the order they were entered. Part of the settings.
#include <string>
#include <vector>

#include "net/login_info.h"
#include "store/xml_object.h"

namespace ferrow {

class CLoginList : public std::vector<CLoginInfo>, public CXmlObject {
 public:
  // Stores one "Login" per kept login; loading fills one login per child, whatever its name.
  void Exchange(bool store, CXmlNode& node) override;

  // The first login whose server equals the argument exactly, or null.
  CLoginInfo* Find(const std::wstring& server);
  const CLoginInfo* Find(const std::wstring& server) const;
  // Replaces the login of that server in place, or appends a new one.
  void SetLogin(const std::wstring& server, const std::wstring& user, const std::wstring& password,
                bool keep);
};

}  // namespace ferrow
