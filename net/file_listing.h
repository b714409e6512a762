#pragma once
// The entries of one remote folder in the order the server listed them. Nothing here sorts:
// the views choose their own order.
#include <cstddef>
#include <vector>

#include "net/entry_info.h"

namespace ferrow {

class CFileListing {
 public:
  using const_iterator = std::vector<CEntryInfo>::const_iterator;

  void Add(CEntryInfo entry);
  void Clear();
  // Replaces the entries with those of other, in order.
  void Copy(const CFileListing& other);

  std::size_t GetCount() const { return m_entries.size(); }
  bool IsEmpty() const { return m_entries.empty(); }
  const CEntryInfo& GetAt(std::size_t index) const { return m_entries.at(index); }
  CEntryInfo& GetAt(std::size_t index) { return m_entries.at(index); }
  const_iterator begin() const { return m_entries.begin(); }
  const_iterator end() const { return m_entries.end(); }

 private:
  std::vector<CEntryInfo> m_entries;
};

}  // namespace ferrow
