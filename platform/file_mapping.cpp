#include "platform/file_mapping.h"

#include <sys/mman.h>

#include <cerrno>
#include <utility>

#include "platform/file.h"

namespace ferrow {

CFileMapping::~CFileMapping() {
  Unmap();
}

CFileMapping::CFileMapping(CFileMapping&& other) noexcept
    : m_view(std::exchange(other.m_view, nullptr)), m_length(std::exchange(other.m_length, 0)) {}

CFileMapping& CFileMapping::operator=(CFileMapping&& other) noexcept {
  if (this != &other) {
    Unmap();
    m_view = std::exchange(other.m_view, nullptr);
    m_length = std::exchange(other.m_length, 0);
  }
  return *this;
}

ErrorValue CFileMapping::Map(const CFile& file, uint64_t offset, size_t length) {
  Unmap();
  if (length == 0 || offset % kMappingGranularity != 0 || !file.IsOpen()) {
    return MakeError(kCategorySystem, SystemCode::kInvalidParameter);
  }
  // Touching a mapped page beyond the end of the file raises a bus error, so refuse such a range.
  uint64_t fileLength = 0;
  if (ErrorValue error = file.GetLength(fileLength)) return error;
  if (offset > fileLength || fileLength - offset < length) {
    return MakeError(kCategorySystem, SystemCode::kInvalidParameter);
  }
  void* view = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_SHARED, file.Handle(),
                      static_cast<off_t>(offset));
  if (view == MAP_FAILED) return LastSystemError();
  m_view = static_cast<unsigned char*>(view);
  m_length = length;
  return 0;
}

void CFileMapping::Unmap() {
  if (m_view != nullptr) {
    ::munmap(m_view, m_length);
    m_view = nullptr;
    m_length = 0;
  }
}

ErrorValue CFileMapping::Flush() {
  if (m_view != nullptr && ::msync(m_view, m_length, MS_SYNC) < 0) return LastSystemError();
  return 0;
}

}  // namespace ferrow
