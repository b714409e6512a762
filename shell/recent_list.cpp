#include "shell/recent_list.h"

#include <algorithm>

#include "shell/registry.h"

namespace ferrow {
namespace {

std::wstring ItemName(uint32_t index) {
  return L"Item" + std::to_wstring(index);
}

}  // namespace

void CRecentList::Init(const std::wstring& section, uint32_t capacity) {
  m_section = section;
  m_capacity = capacity;
  Load();
}

void CRecentList::Load() {
  m_strings.clear();
  CRegistry registry(m_section, CRegistry::kRead);
  for (uint32_t i = 0; i < m_capacity; ++i) {
    std::wstring text;
    if (registry.ReadString(ItemName(i).c_str(), text)) m_strings.push_back(text);
  }
}

void CRecentList::Add(const std::wstring& text) {
  std::erase(m_strings, text);
  m_strings.insert(m_strings.begin(), text);
  if (m_strings.size() > m_capacity) m_strings.resize(m_capacity);
  Save();
}

void CRecentList::Save() const {
  CRegistry registry(m_section, CRegistry::kWrite);
  for (uint32_t i = 0; i < m_strings.size() && i < m_capacity; ++i)
    registry.WriteString(ItemName(i).c_str(), m_strings[i]);
}

}  // namespace ferrow
