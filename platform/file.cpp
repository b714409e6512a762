#include "platform/file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/text.h"

namespace ferrow {

namespace {

ErrorValue ErrorFromErrno(int err) {
  return MakeError(kCategorySystem, SystemCodeFromErrno(err));
}

}  // namespace

std::string NativePath(const std::wstring& path) {
  return WideToLocal(path);
}

CFile::~CFile() {
  Close();
}

CFile::CFile(CFile&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}

CFile& CFile::operator=(CFile&& other) noexcept {
  if (this != &other) {
    Close();
    m_fd = std::exchange(other.m_fd, -1);
  }
  return *this;
}

ErrorValue CFile::Open(const std::wstring& path, Mode mode) {
  Close();
  int flags = O_CLOEXEC;
  switch (mode) {
    case Mode::kRead:
      flags |= O_RDONLY;
      break;
    case Mode::kReadWrite:
      flags |= O_RDWR;
      break;
    case Mode::kCreate:
      flags |= O_RDWR | O_CREAT | O_TRUNC;
      break;
  }
  int fd;
  do {
    fd = ::open(NativePath(path).c_str(), flags, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return ErrorFromErrno(errno);
  struct stat st;
  if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd);
    return MakeError(kCategorySystem, SystemCode::kAccessDenied);
  }
  m_fd = fd;
  return 0;
}

void CFile::Close() {
  if (m_fd >= 0) {
    ::close(m_fd);
    m_fd = -1;
  }
}

ErrorValue CFile::ReadAt(uint64_t offset, void* buffer, size_t size, size_t& read) {
  read = 0;
  auto* out = static_cast<char*>(buffer);
  while (read < size) {
    ssize_t n = ::pread(m_fd, out + read, size - read, static_cast<off_t>(offset + read));
    if (n < 0) {
      if (errno == EINTR) continue;
      return ErrorFromErrno(errno);
    }
    if (n == 0) break;
    read += static_cast<size_t>(n);
  }
  return 0;
}

ErrorValue CFile::WriteAt(uint64_t offset, const void* data, size_t size) {
  const auto* in = static_cast<const char*>(data);
  size_t written = 0;
  while (written < size) {
    ssize_t n = ::pwrite(m_fd, in + written, size - written, static_cast<off_t>(offset + written));
    if (n < 0) {
      if (errno == EINTR) continue;
      return ErrorFromErrno(errno);
    }
    if (n == 0) return MakeError(kCategorySystem, SystemCode::kDiskFull);
    written += static_cast<size_t>(n);
  }
  return 0;
}

ErrorValue CFile::SetLength(uint64_t length) {
  if (::ftruncate(m_fd, static_cast<off_t>(length)) < 0) return ErrorFromErrno(errno);
  return 0;
}

ErrorValue CFile::GetLength(uint64_t& length) const {
  struct stat st;
  if (::fstat(m_fd, &st) < 0) return ErrorFromErrno(errno);
  length = static_cast<uint64_t>(st.st_size);
  return 0;
}

ErrorValue CFile::Flush() {
  if (::fsync(m_fd) < 0) return ErrorFromErrno(errno);
  return 0;
}

ErrorValue DeleteFileAt(const std::wstring& path) {
  if (::unlink(NativePath(path).c_str()) < 0) return ErrorFromErrno(errno);
  return 0;
}

ErrorValue RenameFile(const std::wstring& from, const std::wstring& to) {
  if (::rename(NativePath(from).c_str(), NativePath(to).c_str()) < 0) return ErrorFromErrno(errno);
  return 0;
}

ErrorValue CreateDirectoryAt(const std::wstring& path) {
  if (::mkdir(NativePath(path).c_str(), 0777) == 0) return 0;
  int err = errno;
  if (err == EEXIST && DirectoryExists(path)) return 0;
  // A missing parent is "path not found", as the callers report it.
  if (err == ENOENT) return MakeError(kCategorySystem, SystemCode::kPathNotFound);
  return ErrorFromErrno(err);
}

bool FileExists(const std::wstring& path) {
  struct stat st;
  return ::stat(NativePath(path).c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const std::wstring& path) {
  struct stat st;
  return ::stat(NativePath(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace ferrow
