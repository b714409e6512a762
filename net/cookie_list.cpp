#include "net/cookie_list.h"

#include "platform/browser_cookies.h"

namespace ferrow {
namespace {

bool IsTrimmed(wchar_t c) {
  return c == L'\r' || c == L'\n' || c == L'\t' || c == L' ';
}

std::wstring_view Trim(std::wstring_view text) {
  while (!text.empty() && IsTrimmed(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsTrimmed(text.back())) text.remove_suffix(1);
  return text;
}

// A control character inside a pair would end up raw in the request header; such pairs
// (from a hostile server or a tampered cookie file) are dropped rather than sent.
bool HasControlCharacter(std::wstring_view text) {
  for (wchar_t c : text)
    if (c < 0x20 || c == 0x7F) return true;
  return false;
}

}  // namespace

void CCookieList::SetCookies(std::wstring_view value) {
  while (true) {
    size_t end = value.find(L';');
    std::wstring_view token = Trim(value.substr(0, end));
    if (!token.empty()) {
      size_t equals = token.find(L'=');
      if (equals != std::wstring_view::npos && !HasControlCharacter(token)) {
        std::wstring_view name = token.substr(0, equals);
        if (name != L"path" && name != L"expires")
          SetAt(std::wstring(name), std::wstring(token.substr(equals + 1)));
      }
    }
    if (end == std::wstring_view::npos) break;
    value.remove_prefix(end + 1);
  }
}

void CCookieList::SetAt(std::wstring name, std::wstring value) {
  for (auto& cookie : m_cookies) {
    if (cookie.first == name) {
      cookie.second = std::move(value);
      return;
    }
  }
  m_cookies.emplace_back(std::move(name), std::move(value));
}

std::wstring CCookieList::GetCookies() const {
  std::wstring text;
  for (const auto& [name, value] : m_cookies) {
    if (!text.empty()) text += L"; ";
    text += name;
    text += L'=';
    text += value;
  }
  return text;
}

bool CCookieList::Lookup(std::wstring_view name, std::wstring& value) const {
  for (const auto& cookie : m_cookies) {
    if (cookie.first == name) {
      value = cookie.second;
      return true;
    }
  }
  return false;
}

bool GetBrowserCookies(const std::wstring& host, std::wstring& text) {
  std::wstring url = host;
  if (url.compare(0, 4, L"www.") != 0) url = L"www." + url;
  if (url.compare(0, 7, L"http://") != 0) url = L"http://" + url;
  return GetUrlCookies(url, text);
}

}  // namespace ferrow
