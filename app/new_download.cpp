#include "app/new_download.h"

#include "net/internet_url.h"

namespace ferrow {
namespace {

constexpr wchar_t kSeparator = L'/';
constexpr const wchar_t* kDefaultName = L"index.html";

}  // namespace

std::wstring ProposeFileName(const std::wstring& url) {
  std::wstring rest = url;
  const size_t scheme = rest.find(L"://");
  if (scheme != std::wstring::npos) rest = rest.substr(scheme + 3);
  rest = rest.substr(0, rest.find_first_of(L"?#"));
  const size_t firstSlash = rest.find(kSeparator);
  if (firstSlash == std::wstring::npos) return kDefaultName;
  std::wstring name = CInternetURL::Unescape(rest.substr(rest.rfind(kSeparator) + 1));
  for (wchar_t& c : name)
    if (c == kSeparator || c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0)) c = L'_';
  if (name.empty() || name == L"." || name == L"..") return kDefaultName;
  return name;
}

bool IsValidFileName(const std::wstring& name) {
  if (name.empty() || name == L"." || name == L"..") return false;
  return name.find_first_of(std::wstring(L"/\0", 2)) == std::wstring::npos;
}

std::wstring ComposeTargetPath(const std::wstring& directory, const std::wstring& fileName) {
  std::wstring path = directory;
  if (path.empty() || path.back() != kSeparator) path += kSeparator;
  return path + fileName;
}

std::wstring UniqueTargetPath(const std::wstring& path,
                              const std::function<bool(const std::wstring&)>& taken) {
  if (!taken(path)) return path;
  const size_t slash = path.rfind(kSeparator);
  const size_t nameStart = slash == std::wstring::npos ? 0 : slash + 1;
  size_t dot = path.rfind(L'.');
  // A leading dot names a hidden file, not its type.
  if (dot == std::wstring::npos || dot <= nameStart) dot = path.size();
  const std::wstring stem = path.substr(0, dot);
  const std::wstring type = path.substr(dot);
  for (int number = 2;; ++number) {
    std::wstring candidate = stem + L" (" + std::to_wstring(number) + L")" + type;
    if (!taken(candidate)) return candidate;
  }
}

}  // namespace ferrow
