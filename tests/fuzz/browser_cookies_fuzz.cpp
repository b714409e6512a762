// The browser's cookie files, which the browser (or anything else) writes: the input is saved
// as a cookie file (cookies.txt, or cookies.sqlite when it starts with SQLite's magic) and
// read, and the cookies read are selected for addresses on their own domains and handed to
// the HTTP client's cookie list. The same bytes also serve as Firefox's profiles.ini, from
// which the cookie file is found. Selected cookies must be ones that match the address, and
// nothing with a control character may reach the request header.
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "net/cookie_list.h"
#include "platform/browser_cookies.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

using namespace ferrow;

std::filesystem::path g_home;

void RemoveHome() {
  std::error_code ignored;
  std::filesystem::remove_all(g_home, ignored);
}

void WriteFile(const std::filesystem::path& path, const std::uint8_t* data, std::size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  FUZZ_CHECK(out.good());
}

void CheckSelection(const std::vector<BrowserCookie>& cookies, const std::wstring& url) {
  std::wstring text;
  if (!SelectUrlCookies(cookies, url, 1796742000, text)) return;
  FUZZ_CHECK(!text.empty());
  CCookieList list;
  list.SetCookies(text);
  for (wchar_t c : list.GetCookies()) FUZZ_CHECK(c >= 0x20 && c != 0x7F);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  g_home = std::filesystem::temp_directory_path() /
           ("ferrow-cookies-fuzz-" + std::to_string(::getpid()));
  std::filesystem::create_directories(g_home / ".mozilla" / "firefox");
  std::atexit(RemoveHome);
  setenv("HOME", g_home.c_str(), 1);
  unsetenv("FERROW_COOKIES_FILE");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 65536) return 0;
  const std::filesystem::path file = g_home / "cookies";
  WriteFile(file, data, size);
  std::vector<BrowserCookie> cookies;
  const bool sqlite =
      size >= 16 && std::string_view(reinterpret_cast<const char*>(data), 15) == "SQLite format 3";
  const bool read = ReadBrowserCookieFile(file, cookies);
  if (!sqlite) FUZZ_CHECK(read);
  if (!read) FUZZ_CHECK(cookies.empty());

  for (size_t i = 0; i < cookies.size() && i < 16; ++i) {
    std::wstring host = cookies[i].domain;
    if (!host.empty() && host[0] == L'.') host.erase(0, 1);
    CheckSelection(cookies, L"http://" + host + cookies[i].path);
    CheckSelection(cookies, L"https://www." + host + L"/");
  }

  WriteFile(g_home / ".mozilla" / "firefox" / "profiles.ini", data, size);
  FUZZ_CHECK(BrowserCookieFiles().size() <= 1);
  return 0;
}
