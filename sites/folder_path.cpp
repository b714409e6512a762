#include "sites/folder_path.h"

namespace ferrow {

std::wstring NextFolderPath(const std::wstring& path, const std::wstring& name) {
  if (name.empty()) return path;
  if (name.front() == L'/') return name;

  std::wstring trimmed = path;
  while (!trimmed.empty() && trimmed.back() == L'/') trimmed.pop_back();

  if (name == L"..") {
    const std::size_t slash = trimmed.rfind(L'/');
    if (slash == std::wstring::npos || slash == 0) return L"/";
    return trimmed.substr(0, slash);
  }
  // The top folder "/" was trimmed to nothing, which gives "/name" below as well.
  return trimmed + L"/" + name;
}

bool IsSafeFolderText(const std::wstring& text) {
  return text.find_first_of(std::wstring(L"\r\n\0", 3)) == std::wstring::npos;
}

}  // namespace ferrow
