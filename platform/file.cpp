#include "platform/file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>
#include <utility>

#include "platform/text.h"

namespace ferrow {

namespace {

ErrorValue ErrorFromErrno(int err) {
  return MakeError(kCategorySystem, SystemCodeFromErrno(err));
}

int OpenRetrying(const char* path, int flags) {
  int fd;
  do {
    fd = ::open(path, flags, 0666);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

// Creating, renaming and removing names: the kernel lets one such change into a folder at a
// time and spins other threads that wait for it. Queued here they sleep instead, and leave the
// processor to threads with bytes to move.
std::mutex g_entryChange;

// A regular file that belongs to this user; a FIFO, device or folder never is.
bool IsOwnedRegularFile(int fd) {
  struct stat st;
  return ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid();
}

ErrorValue RemoveNativeEntry(const std::string& path) {
  if (::unlink(path.c_str()) == 0) return 0;
  int err = errno;
  if (err != EISDIR && err != EPERM) return ErrorFromErrno(err);
  // Only an empty folder goes; a folder with content is the user's and stays.
  if (::rmdir(path.c_str()) == 0) return 0;
  return ErrorFromErrno(errno == ENOTDIR ? err : errno);
}

// Opening a FIFO without O_NONBLOCK could wait for a writer; regular files ignore the flag.
constexpr int kOwnedFlags = O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;

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
  if (mode == Mode::kReadWriteOwned) return OpenOwned(NativePath(path));
  if (mode == Mode::kOpenOrCreateOwned) return OpenOrCreateOwned(NativePath(path));
  if (mode == Mode::kReplace) {
    if (ErrorValue error = OpenOrCreateOwned(NativePath(path))) return error;
    if (ErrorValue error = SetLength(0)) {
      Close();
      return error;
    }
    return 0;
  }
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
    default:
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

ErrorValue CFile::OpenOwned(const std::string& path) {
  int fd = OpenRetrying(path.c_str(), kOwnedFlags);
  if (fd < 0) {
    // A link at the path (ELOOP) is someone else's business, not a file of ours.
    int err = errno;
    if (err == ENOENT) return ErrorFromErrno(err);
    return MakeError(kCategorySystem, SystemCode::kAccessDenied);
  }
  if (!IsOwnedRegularFile(fd)) {
    ::close(fd);
    return MakeError(kCategorySystem, SystemCode::kAccessDenied);
  }
  m_fd = fd;
  return 0;
}

ErrorValue CFile::OpenOrCreateOwned(const std::string& path) {
  // A few rounds: another process may create the name between the removal and the creation,
  // and its file is then opened as it is.
  for (int round = 0; round < 3; ++round) {
    ErrorValue error = OpenOwned(path);
    if (error == 0) return 0;
    if (ErrorCodeOf(error) != SystemCode::kFileNotFound) {
      if (ErrorValue removed = RemoveNativeEntry(path)) return removed;
    }
    int fd;
    {
      std::lock_guard<std::mutex> lock(g_entryChange);
      fd = OpenRetrying(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC);
    }
    if (fd >= 0) {
      m_fd = fd;
      return 0;
    }
    if (errno != EEXIST) return ErrorFromErrno(errno);
  }
  return MakeError(kCategorySystem, SystemCode::kAlreadyExists);
}

ErrorValue CFile::Duplicate(CFile& copy) const {
  copy.Close();
  const int fd = ::fcntl(m_fd, F_DUPFD_CLOEXEC, 0);
  if (fd < 0) return ErrorFromErrno(errno);
  copy.m_fd = fd;
  return 0;
}

ErrorValue CFile::TryLock() {
  int rc;
  do {
    rc = ::flock(m_fd, LOCK_EX | LOCK_NB);
  } while (rc < 0 && errno == EINTR);
  if (rc == 0) return 0;
  if (errno == EWOULDBLOCK) return MakeError(kCategorySystem, SystemCode::kLockViolation);
  return ErrorFromErrno(errno);
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
  // A cut to the length the file has already changes nothing but costs: ext4 takes a cut to
  // zero as a file being rewritten and writes its data out at the next close.
  struct stat st;
  if (::fstat(m_fd, &st) == 0 && static_cast<uint64_t>(st.st_size) == length) return 0;
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
  const std::string native = NativePath(path);
  std::lock_guard<std::mutex> lock(g_entryChange);
  if (::unlink(native.c_str()) < 0) return ErrorFromErrno(errno);
  return 0;
}

ErrorValue RemoveEntry(const std::wstring& path) {
  return RemoveNativeEntry(NativePath(path));
}

ErrorValue RenameFile(const std::wstring& from, const std::wstring& to) {
  const std::string source = NativePath(from);
  const std::string target = NativePath(to);
  std::lock_guard<std::mutex> lock(g_entryChange);
  if (::rename(source.c_str(), target.c_str()) < 0) return ErrorFromErrno(errno);
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

EntryKind GetEntryKind(const std::wstring& path, uint64_t* length) {
  struct stat st;
  if (::lstat(NativePath(path).c_str(), &st) != 0) return EntryKind::kNone;
  if (S_ISDIR(st.st_mode)) return EntryKind::kFolder;
  if (!S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) return EntryKind::kOther;
  if (length != nullptr) *length = static_cast<uint64_t>(st.st_size);
  return EntryKind::kOwnedFile;
}

}  // namespace ferrow
