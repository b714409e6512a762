#pragma once
// The cookies one HTTP client has been given, turned into its "Cookie:" request header.
// Owned by one client and used on that client's thread only, so it has no lock.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ferrow {

class CCookieList {
 public:
  // Adds or replaces the cookies named in one "Set-Cookie:" header value (or in the text of
  // browser cookies, which has the same "name=value; name=value" shape). The "path" and
  // "expires" attributes are not cookies and are skipped; other attributes are kept as if they
  // were cookies, as servers and browsers send them back harmlessly.
  void SetCookies(std::wstring_view value);
  // The "Cookie:" header value: "name=value" pairs joined by "; " in the order the names were
  // first set; empty when there are none.
  std::wstring GetCookies() const;

  void RemoveAll() { m_cookies.clear(); }
  bool IsEmpty() const { return m_cookies.empty(); }
  size_t GetCount() const { return m_cookies.size(); }
  // The value of the named cookie; false when there is none.
  bool Lookup(std::wstring_view name, std::wstring& value) const;

 private:
  void SetAt(std::wstring name, std::wstring value);

  std::vector<std::pair<std::wstring, std::wstring>> m_cookies;
};

// Asks the user's browser cookie store (see platform/browser_cookies.h) for the cookies of a
// server. The host is asked for as "http://www.<host>/" ("www." added when the host does not
// begin with it, the scheme when the text does not begin with "http://"). True with the
// "name=value; ..." text when there are any.
bool GetBrowserCookies(const std::wstring& host, std::wstring& text);

}  // namespace ferrow
