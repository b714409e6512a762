#pragma once
// Cookies from a file in the Netscape "cookies.txt" format that browsers' export tools and other
// download programs write: one cookie a line, seven fields separated by tabs (domain, whether
// subdomains match, path, secure only, expiry in seconds since 1970 with 0 for a session cookie,
// name, value). Lines beginning with "#" are comments, except "#HttpOnly_", which marks a
// cookie. Read once; then only read, by any thread.
#include <cstdint>
#include <string>
#include <vector>

namespace ferrow {

class CCookieFile {
 public:
  // Reads the file's text. False with the line number of the first line that has not seven
  // fields (nothing is kept then).
  bool Parse(const std::string& text, size_t& badLine);

  // "name=value; ..." of the cookies for a request to host and path at the time `now`; empty
  // when none matches.
  std::wstring CookiesFor(const std::wstring& host, const std::wstring& path, bool secure,
                          int64_t now) const;
  size_t GetCount() const { return m_cookies.size(); }

 private:
  struct Cookie {
    std::wstring domain;  // lower case, without a leading dot
    bool subdomains = false;
    std::wstring path;
    bool secure = false;
    int64_t expires = 0;
    std::wstring name;
    std::wstring value;
  };
  std::vector<Cookie> m_cookies;
};

}  // namespace ferrow
