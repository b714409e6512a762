#pragma once
// Message texts by number.
#include <cstdint>
#include <string>
#include <unordered_map>

namespace ferrow {

class CStringTable {
 public:
  void SetAt(uint32_t number, const std::wstring& text) { m_texts[number] = text; }
  // Empty when the number is not in the table.
  std::wstring GetAt(uint32_t number) const;
  bool Contains(uint32_t number) const { return m_texts.count(number) != 0; }
  size_t GetCount() const { return m_texts.size(); }
  void RemoveAll() { m_texts.clear(); }

 private:
  std::unordered_map<uint32_t, std::wstring> m_texts;
};

}  // namespace ferrow
