#pragma once
// A read-write view of a file range. The offset must be a multiple of kMappingGranularity;
// changes reach the file through the system without explicit writes.
#include <cstddef>
#include <cstdint>

#include "platform/error_code.h"

namespace ferrow {

class CFile;

constexpr uint64_t kMappingGranularity = 65536;

class CFileMapping {
 public:
  CFileMapping() = default;
  ~CFileMapping();
  CFileMapping(const CFileMapping&) = delete;
  CFileMapping& operator=(const CFileMapping&) = delete;
  CFileMapping(CFileMapping&& other) noexcept;
  CFileMapping& operator=(CFileMapping&& other) noexcept;

  // Maps [offset, offset + length) of an open read-write file. The range must lie inside the
  // file. Returns 0 or the packed error (87 for a misaligned offset or an empty range).
  ErrorValue Map(const CFile& file, uint64_t offset, size_t length);
  void Unmap();
  // Writes the view's changes to the file now.
  ErrorValue Flush();

  bool IsMapped() const { return m_view != nullptr; }
  unsigned char* Data() const { return m_view; }
  size_t Length() const { return m_length; }

 private:
  unsigned char* m_view = nullptr;
  size_t m_length = 0;
};

}  // namespace ferrow
