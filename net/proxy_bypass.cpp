#include "net/proxy_bypass.h"

#include <algorithm>

#include "platform/text.h"

namespace ferrow {
void CProxyBypass::Parse(const std::wstring& list) {
  m_all = false;
  m_entries.clear();
  size_t start = 0;
  while (start < list.size()) {
    size_t end = list.find_first_of(L", \t", start);
    if (end == std::wstring::npos) end = list.size();
    std::wstring entry = LowerText(list.substr(start, end - start));
    start = end + 1;
    if (entry.empty()) continue;
    if (entry == L"*") {
      m_all = true;
      continue;
    }
    if (entry.starts_with(L"[")) {
      // "[::1]" or "[::1]:8080"
      const size_t close = entry.find(L']');
      entry = entry.substr(1, close == std::wstring::npos ? std::wstring::npos : close - 1);
    } else if (std::count(entry.begin(), entry.end(), L':') == 1) {
      entry = entry.substr(0, entry.find(L':'));
    }
    while (entry.starts_with(L".")) entry.erase(0, 1);
    if (!entry.empty()) m_entries.push_back(entry);
  }
}

bool CProxyBypass::Matches(const std::wstring& host) const {
  if (m_all) return true;
  std::wstring name = LowerText(host);
  if (name.starts_with(L"[") && name.ends_with(L"]")) name = name.substr(1, name.size() - 2);
  while (name.ends_with(L".")) name.pop_back();
  for (const std::wstring& entry : m_entries) {
    if (name == entry) return true;
    if (name.size() > entry.size() && name.ends_with(entry) &&
        name[name.size() - entry.size() - 1] == L'.')
      return true;
  }
  return false;
}

}  // namespace ferrow
