#pragma once
// A string in named shared memory that every instance of the program sees: the URL block. It
// holds UTF-16 code units and a terminating zero, at most size / 2 - 2 units (2046 for the
// 4096-byte block); longer text is cut. Reading and writing take no lock between processes:
// the hand-over message carries the same text, so the block is a fallback, never the only copy.
#include <cstdint>
#include <string>

#include "platform/shared_memory.h"

namespace ferrow {

class CMappedString {
 public:
  // Creates or opens the block of that name; true when it is mapped.
  bool Create(const std::string& name, uint32_t size);
  void Set(const std::wstring& text);
  std::wstring Get() const;
  // True when there is no block or its text is empty.
  bool IsEmpty() const;
  void Clear();
  // Empties the block only when it still holds exactly this text, so that a URL another
  // instance left meanwhile is not wiped out. True when it was emptied.
  bool ClearIf(const std::wstring& text);
  uint32_t GetMaxLength() const {
    return m_memory.IsOpen() ? uint32_t(m_memory.Size() / 2 - 2) : 0;
  }

 private:
  CSharedMemory m_memory;
};

}  // namespace ferrow
