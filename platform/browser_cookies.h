#pragma once
// The user's browser cookies, read from the files browsers keep them in:
//
// 1. When FERROW_COOKIES_FILE is set, the files it names (separated by ':') and no others; each
//    is a Netscape-format cookies.txt or a Firefox cookies.sqlite (told apart by content). Set
//    to an empty value it turns browser cookies off.
// 2. Otherwise the cookies.sqlite of the Firefox default profile, found from
//    ~/.mozilla/firefox/profiles.ini (the installation's default, else the profile marked
//    Default=1, else the only profile).
//
// None found, unreadable or empty means no browser cookies.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace ferrow {

struct BrowserCookie {
  std::wstring domain;  // as stored: a leading "." also marks a domain cookie
  bool includeSubdomains = false;
  std::wstring path;
  bool secure = false;
  int64_t expires = 0;  // seconds since 1970; 0 = ends with the browser session
  std::wstring name;
  std::wstring value;
};

// The cookie files found by the rule above, in the order they are read.
std::vector<std::filesystem::path> BrowserCookieFiles();

// Appends the cookies of one file (cookies.txt or cookies.sqlite); false when it cannot be read.
bool ReadBrowserCookieFile(const std::filesystem::path& file, std::vector<BrowserCookie>& cookies);

// What a browser would send to url ("http://host[:port][/path]"): the cookies whose domain and
// path match, not expired at now, and not secure-only unless the scheme is https, as
// "name=value; name=value". False when there are none.
bool SelectUrlCookies(const std::vector<BrowserCookie>& cookies, const std::wstring& url,
                      int64_t now, std::wstring& text);

// The user's browser cookies for url, from BrowserCookieFiles() at the current time.
bool GetUrlCookies(const std::wstring& url, std::wstring& text);

}  // namespace ferrow
