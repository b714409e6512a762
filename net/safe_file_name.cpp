#include "net/safe_file_name.h"

#include "net/internet_url.h"
#include "platform/text.h"

namespace ferrow {

namespace {

bool IsUnsafeCharacter(wchar_t c) {
  const auto code = static_cast<uint32_t>(c);
  // Control characters, and the marks that reorder what a terminal or a file list shows.
  return code < 0x20 || (code >= 0x7F && code < 0xA0) || (code >= 0x202A && code <= 0x202E) ||
         (code >= 0x2066 && code <= 0x2069) || code == 0x200E || code == 0x200F;
}

size_t Utf8Length(const std::wstring& text) {
  return WideToUtf8(text).size();
}

}  // namespace

std::wstring MakeSafeFileName(const std::wstring& suggested) {
  std::wstring name = suggested.substr(suggested.find_last_of(L"/\\") == std::wstring::npos
                                           ? 0
                                           : suggested.find_last_of(L"/\\") + 1);
  for (wchar_t& c : name)
    if (IsUnsafeCharacter(c)) c = L'_';
  const size_t first = name.find_first_not_of(L" .");
  if (first == std::wstring::npos) return std::wstring();
  // A leading dot would hide the file; trailing dots and spaces are lost on some systems.
  name = name.substr(first, name.find_last_not_of(L" .") - first + 1);
  if (Utf8Length(name) > kMaxSafeNameBytes) {
    const size_t dot = name.rfind(L'.');
    std::wstring extension =
        dot != std::wstring::npos && name.size() - dot <= 16 ? name.substr(dot) : std::wstring();
    std::wstring stem = name.substr(0, name.size() - extension.size());
    while (!stem.empty() && Utf8Length(stem + extension) > kMaxSafeNameBytes) {
      stem.pop_back();
      // Never half a surrogate pair.
      if (!stem.empty() && stem.back() >= 0xD800 && stem.back() <= 0xDBFF) stem.pop_back();
    }
    name = stem + extension;
    // The cut may leave dots or spaces at the end again.
    const size_t last = name.find_last_not_of(L" .");
    if (last == std::wstring::npos) return std::wstring();
    name.resize(last + 1);
  }
  return name;
}

std::wstring FileNameOfUrl(const std::wstring& url) {
  const size_t scheme = url.find(L"://");
  std::wstring rest = scheme == std::wstring::npos ? url : url.substr(scheme + 3);
  rest = rest.substr(0, rest.find_first_of(L"?#"));
  const size_t slash = rest.rfind(L'/');
  if (slash == std::wstring::npos) return std::wstring();
  std::wstring segment = CInternetURL::Unescape(rest.substr(slash + 1));
  // An encoded separator is part of the one name, not a way into another folder.
  for (wchar_t& c : segment)
    if (c == L'/' || c == L'\\') c = L'_';
  return MakeSafeFileName(segment);
}

}  // namespace ferrow
