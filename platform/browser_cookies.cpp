#include "platform/browser_cookies.h"

#include <sqlite3.h>

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>

#include "platform/text.h"

namespace ferrow {
namespace {

// Firefox once stored expiry in seconds and now in milliseconds; no date in seconds comes near
// this value before the year 5000.
constexpr int64_t kMillisecondExpiry = 100000000000LL;

std::wstring Lower(std::wstring text) {
  for (auto& c : text)
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
  return text;
}

bool IsSqliteFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  char magic[16] = {};
  in.read(magic, sizeof magic);
  return in.gcount() == sizeof magic && std::string(magic, 15) == "SQLite format 3";
}

// "domain TAB flag TAB path TAB secure TAB expiry TAB name TAB value" per line; curl and
// browser extensions mark HttpOnly cookies with a "#HttpOnly_" prefix, other "#" lines are
// comments.
bool ReadCookiesTxt(const std::filesystem::path& file, std::vector<BrowserCookie>& cookies) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return false;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    static const std::string kHttpOnly = "#HttpOnly_";
    if (line.compare(0, kHttpOnly.size(), kHttpOnly) == 0)
      line.erase(0, kHttpOnly.size());
    else if (line.empty() || line[0] == '#')
      continue;
    std::vector<std::string> fields;
    std::istringstream parts(line);
    std::string field;
    while (std::getline(parts, field, '\t')) fields.push_back(field);
    if (fields.size() == 6) fields.emplace_back();  // an empty value
    if (fields.size() != 7) continue;
    BrowserCookie cookie;
    cookie.domain = Utf8ToWide(fields[0]);
    cookie.includeSubdomains = fields[1] == "TRUE" || fields[1] == "true";
    cookie.path = Utf8ToWide(fields[2]);
    cookie.secure = fields[3] == "TRUE" || fields[3] == "true";
    cookie.expires = std::atoll(fields[4].c_str());
    cookie.name = Utf8ToWide(fields[5]);
    cookie.value = Utf8ToWide(fields[6]);
    if (!cookie.domain.empty() && cookie.domain[0] == L'.') cookie.includeSubdomains = true;
    cookies.push_back(std::move(cookie));
  }
  return true;
}

std::wstring ColumnText(sqlite3_stmt* statement, int column) {
  const unsigned char* text = sqlite3_column_text(statement, column);
  return text ? Utf8ToWide(reinterpret_cast<const char*>(text)) : std::wstring();
}

bool QueryFirefoxCookies(const std::string& uri, std::vector<BrowserCookie>& cookies) {
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(uri.c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr) !=
      SQLITE_OK) {
    sqlite3_close(db);
    return false;
  }
  sqlite3_busy_timeout(db, 500);
  sqlite3_stmt* statement = nullptr;
  const char* sql = "SELECT host, path, isSecure, expiry, name, value FROM moz_cookies";
  bool ok = sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) == SQLITE_OK;
  std::vector<BrowserCookie> found;
  int step = SQLITE_DONE;
  while (ok && (step = sqlite3_step(statement)) == SQLITE_ROW) {
    BrowserCookie cookie;
    cookie.domain = ColumnText(statement, 0);
    cookie.includeSubdomains = !cookie.domain.empty() && cookie.domain[0] == L'.';
    cookie.path = ColumnText(statement, 1);
    cookie.secure = sqlite3_column_int(statement, 2) != 0;
    cookie.expires = sqlite3_column_int64(statement, 3);
    if (cookie.expires > kMillisecondExpiry) cookie.expires /= 1000;
    cookie.name = ColumnText(statement, 4);
    cookie.value = ColumnText(statement, 5);
    found.push_back(std::move(cookie));
  }
  ok = ok && step == SQLITE_DONE;
  sqlite3_finalize(statement);
  sqlite3_close(db);
  if (ok) cookies.insert(cookies.end(), found.begin(), found.end());
  return ok;
}

std::string SqliteUri(const std::filesystem::path& file, bool immutable) {
  // A URI keeps characters such as '?' and '#' in the path from being read as URI syntax.
  std::string uri = "file:";
  for (unsigned char c : file.string()) {
    if (c == '?' || c == '#' || c == '%' || c < 0x20) {
      char escaped[4];
      std::snprintf(escaped, sizeof escaped, "%%%02X", c);
      uri += escaped;
    } else {
      uri += static_cast<char>(c);
    }
  }
  return uri + (immutable ? "?mode=ro&immutable=1" : "?mode=ro");
}

bool ReadFirefoxCookies(const std::filesystem::path& file, std::vector<BrowserCookie>& cookies) {
  // A running Firefox may hold the database locked; then it is read as a snapshot without
  // taking locks (cookies still only in its write-ahead log are missed).
  return QueryFirefoxCookies(SqliteUri(file, false), cookies) ||
         QueryFirefoxCookies(SqliteUri(file, true), cookies);
}

// The default profile's folder from profiles.ini, or "" when there is none.
std::filesystem::path FirefoxDefaultProfile(const std::filesystem::path& firefoxDir) {
  std::ifstream in(firefoxDir / "profiles.ini");
  if (!in) return {};
  struct Section {
    std::string name, path, isDefault, defaultPath;
    bool relative = true;
  };
  std::vector<Section> sections;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    if (line[0] == '[') {
      sections.push_back({line.substr(1, line.find(']') - 1), "", "", "", true});
      continue;
    }
    if (sections.empty()) continue;
    size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    std::string key = line.substr(0, equals), value = line.substr(equals + 1);
    Section& s = sections.back();
    if (key == "Path") s.path = value;
    if (key == "IsRelative") s.relative = value != "0";
    if (key == "Default") {
      s.isDefault = value;
      s.defaultPath = value;
    }
  }
  auto resolve = [&](const std::string& path, bool relative) {
    return relative ? firefoxDir / path : std::filesystem::path(path);
  };
  // Newer Firefox names the default per installation ([Install...] Default=<path>).
  for (const auto& s : sections)
    if (s.name.compare(0, 7, "Install") == 0 && !s.defaultPath.empty())
      for (const auto& p : sections)
        if (p.name.compare(0, 7, "Profile") == 0 && p.path == s.defaultPath)
          return resolve(p.path, p.relative);
  std::vector<const Section*> profiles;
  for (const auto& s : sections)
    if (s.name.compare(0, 7, "Profile") == 0 && !s.path.empty()) profiles.push_back(&s);
  for (const auto* p : profiles)
    if (p->isDefault == "1") return resolve(p->path, p->relative);
  if (profiles.size() == 1) return resolve(profiles[0]->path, profiles[0]->relative);
  return {};
}

// "http://Host:8080/dir/x" -> scheme "http", host "host", path "/dir/x".
void SplitUrl(const std::wstring& url, std::wstring& scheme, std::wstring& host,
              std::wstring& path) {
  std::wstring rest = url;
  size_t colon = rest.find(L"://");
  if (colon != std::wstring::npos) {
    scheme = Lower(rest.substr(0, colon));
    rest = rest.substr(colon + 3);
  }
  size_t slash = rest.find(L'/');
  path = slash == std::wstring::npos ? L"/" : rest.substr(slash);
  rest = rest.substr(0, slash);
  size_t at = rest.rfind(L'@');
  if (at != std::wstring::npos) rest = rest.substr(at + 1);
  host = Lower(rest.substr(0, rest.find(L':')));
  size_t query = path.find_first_of(L"?#");
  if (query != std::wstring::npos) path.resize(query);
}

bool DomainMatches(const BrowserCookie& cookie, const std::wstring& host) {
  std::wstring domain = Lower(cookie.domain);
  if (!domain.empty() && domain[0] == L'.') domain.erase(0, 1);
  if (domain.empty()) return false;
  if (host == domain) return true;
  return cookie.includeSubdomains && host.size() > domain.size() &&
         host.compare(host.size() - domain.size(), domain.size(), domain) == 0 &&
         host[host.size() - domain.size() - 1] == L'.';
}

bool PathMatches(const std::wstring& cookiePath, const std::wstring& requestPath) {
  if (cookiePath.empty() || cookiePath == L"/" || cookiePath == requestPath) return true;
  if (requestPath.compare(0, cookiePath.size(), cookiePath) != 0) return false;
  return cookiePath.back() == L'/' || requestPath[cookiePath.size()] == L'/';
}

}  // namespace

std::vector<std::filesystem::path> BrowserCookieFiles() {
  std::vector<std::filesystem::path> files;
  if (const char* list = std::getenv("FERROW_COOKIES_FILE")) {
    std::string text = list;
    size_t start = 0;
    while (start <= text.size()) {
      size_t end = text.find(':', start);
      if (end == std::string::npos) end = text.size();
      if (end > start) files.emplace_back(text.substr(start, end - start));
      start = end + 1;
    }
    return files;
  }
  const char* home = std::getenv("HOME");
  if (!home || !*home) return files;
  std::filesystem::path profile =
      FirefoxDefaultProfile(std::filesystem::path(home) / ".mozilla" / "firefox");
  std::error_code error;
  if (!profile.empty() && std::filesystem::is_regular_file(profile / "cookies.sqlite", error))
    files.push_back(profile / "cookies.sqlite");
  return files;
}

bool ReadBrowserCookieFile(const std::filesystem::path& file, std::vector<BrowserCookie>& cookies) {
  return IsSqliteFile(file) ? ReadFirefoxCookies(file, cookies) : ReadCookiesTxt(file, cookies);
}

bool SelectUrlCookies(const std::vector<BrowserCookie>& cookies, const std::wstring& url,
                      int64_t now, std::wstring& text) {
  std::wstring scheme, host, path;
  SplitUrl(url, scheme, host, path);
  std::wstring selected;
  for (const auto& cookie : cookies) {
    if (cookie.name.empty() || !DomainMatches(cookie, host) || !PathMatches(cookie.path, path))
      continue;
    if (cookie.secure && scheme != L"https") continue;
    if (cookie.expires != 0 && cookie.expires <= now) continue;
    if (!selected.empty()) selected += L"; ";
    selected += cookie.name + L"=" + cookie.value;
  }
  if (selected.empty()) return false;
  text = selected;
  return true;
}

bool GetUrlCookies(const std::wstring& url, std::wstring& text) {
  std::vector<BrowserCookie> cookies;
  for (const auto& file : BrowserCookieFiles()) ReadBrowserCookieFile(file, cookies);
  return SelectUrlCookies(cookies, url, static_cast<int64_t>(std::time(nullptr)), text);
}

}  // namespace ferrow
