#include "shell/download_url.h"

#include <cwctype>

namespace ferrow {
namespace {

bool StartsWithScheme(const std::wstring& text) {
  return text.starts_with(L"ftp://") || text.starts_with(L"http://");
}

bool EqualNoCase(const std::wstring& a, size_t aFrom, const std::wstring& b, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    const bool aEnds = aFrom + i >= a.size();
    const bool bEnds = i >= b.size();
    if (aEnds || bEnds) return aEnds && bEnds;
    if (std::towlower(a[aFrom + i]) != std::towlower(b[i])) return false;
  }
  return true;
}

}  // namespace

bool IsDownloadUrl(const std::wstring& text, const std::wstring& extensionList) {
  if (!StartsWithScheme(text)) return false;
  const size_t slash = text.find_last_of(L'/');
  if (slash == std::wstring::npos || slash + 1 >= text.size()) return false;
  const size_t dot = text.find_last_of(L'.');
  if (dot == std::wstring::npos) return true;
  const size_t extension = dot + 1;
  const size_t extensionLength = text.size() - extension;
  size_t start = 0;
  for (;;) {
    const size_t space = extensionList.find(L' ', start);
    const size_t end = space == std::wstring::npos ? extensionList.size() : space;
    const std::wstring entry = extensionList.substr(start, end - start);
    if (entry.empty()) return false;
    const size_t star = entry.find(L'*');
    if (star != std::wstring::npos) {
      // Only the characters before the "*" are compared, as a prefix of the type.
      if (extensionLength >= star && EqualNoCase(text, extension, entry, star)) return true;
    } else if (extensionLength == entry.size() &&
               EqualNoCase(text, extension, entry, entry.size())) {
      return true;
    }
    if (space == std::wstring::npos) return false;
    start = space + 1;
  }
}

std::vector<std::wstring> ParseUrlList(const std::wstring& text) {
  std::vector<std::wstring> urls;
  const wchar_t* const blanks = L" \t\r\n";
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(L'\n', start);
    if (end == std::wstring::npos) end = text.size();
    std::wstring line = text.substr(start, end - start);
    const size_t first = line.find_first_not_of(blanks);
    if (first != std::wstring::npos) {
      line = line.substr(first, line.find_last_not_of(blanks) - first + 1);
      if (StartsWithScheme(line)) urls.push_back(std::move(line));
    }
    start = end + 1;
  }
  return urls;
}

std::wstring FormatUrlList(const std::vector<std::wstring>& urls) {
  std::wstring text;
  for (const std::wstring& url : urls) {
    text += url;
    text += L'\n';
  }
  return text;
}

}  // namespace ferrow
