#pragma once
// A most-recently-used list of strings kept in a registry section as "Item0", "Item1", ...
// Owned by its dialog (the URL list is one program-wide list); used on the UI thread only.
#include <cstdint>
#include <string>
#include <vector>

namespace ferrow {

class CRecentList {
 public:
  // Stores section and capacity, then loads the list.
  void Init(const std::wstring& section, uint32_t capacity);
  void Load();
  // Moves or inserts the string at the head, drops what exceeds the capacity, then saves.
  void Add(const std::wstring& text);
  void Save() const;

  const std::vector<std::wstring>& GetStrings() const { return m_strings; }
  size_t GetCount() const { return m_strings.size(); }
  bool IsEmpty() const { return m_strings.empty(); }
  const std::wstring& GetSection() const { return m_section; }
  uint32_t GetCapacity() const { return m_capacity; }

 private:
  std::vector<std::wstring> m_strings;  // most recent first
  std::wstring m_section;
  uint32_t m_capacity = 0;
};

}  // namespace ferrow
