#include "net/cookie_file.h"

#include <algorithm>
#include <cwctype>
#include <sstream>

#include "platform/text.h"

namespace ferrow {
namespace {

std::vector<std::string> SplitTabs(const std::string& line) {
  std::vector<std::string> fields;
  size_t start = 0;
  for (;;) {
    const size_t tab = line.find('\t', start);
    fields.push_back(
        line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
    if (tab == std::string::npos) return fields;
    start = tab + 1;
  }
}

}  // namespace

bool CCookieFile::Parse(const std::string& text, size_t& badLine) {
  std::vector<Cookie> cookies;
  std::istringstream lines(text);
  std::string line;
  size_t number = 0;
  while (std::getline(lines, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    static const std::string kHttpOnly = "#HttpOnly_";
    if (line.starts_with(kHttpOnly)) line.erase(0, kHttpOnly.size());
    if (line.find_first_not_of(" \t") == std::string::npos || line[0] == '#') continue;
    std::vector<std::string> fields = SplitTabs(line);
    if (fields.size() != 7) {
      badLine = number;
      return false;
    }
    Cookie cookie;
    cookie.domain = LowerText(Utf8ToWide(fields[0]));
    cookie.subdomains = fields[1] == "TRUE" || cookie.domain.starts_with(L".");
    if (cookie.domain.starts_with(L".")) cookie.domain.erase(0, 1);
    cookie.path = Utf8ToWide(fields[2]);
    cookie.secure = fields[3] == "TRUE";
    cookie.expires = std::strtoll(fields[4].c_str(), nullptr, 10);
    cookie.name = Utf8ToWide(fields[5]);
    cookie.value = Utf8ToWide(fields[6]);
    if (cookie.domain.empty() || cookie.name.empty()) {
      badLine = number;
      return false;
    }
    cookies.push_back(std::move(cookie));
  }
  m_cookies = std::move(cookies);
  return true;
}

std::wstring CCookieFile::CookiesFor(const std::wstring& host, const std::wstring& path,
                                     bool secure, int64_t now) const {
  const std::wstring name = LowerText(host);
  std::wstring result;
  for (const Cookie& cookie : m_cookies) {
    const bool domainMatches =
        name == cookie.domain || (cookie.subdomains && name.size() > cookie.domain.size() &&
                                  name.ends_with(L"." + cookie.domain));
    if (!domainMatches || (cookie.secure && !secure)) continue;
    if (cookie.expires != 0 && cookie.expires < now) continue;
    // "/docs" matches "/docs", "/docs/x" and not "/docsx".
    const bool pathMatches = path.starts_with(cookie.path) &&
                             (path.size() == cookie.path.size() || cookie.path.ends_with(L"/") ||
                              path[cookie.path.size()] == L'/');
    if (!cookie.path.empty() && !pathMatches) continue;
    if (!result.empty()) result += L"; ";
    result += cookie.name + L"=" + cookie.value;
  }
  return result;
}

}  // namespace ferrow
