#include "platform/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/text.h"

namespace ferrow {

CInstanceLock::~CInstanceLock() {
  Release();
}

LockOutcome CInstanceLock::Acquire(const std::wstring& path, ErrorValue* error) {
  Release();
  if (error) *error = 0;
  const std::string file = WideToLocal(path);
  const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) {
    if (error) *error = MakeError(kCategorySystem, SystemCodeFromErrno(errno));
    return LockOutcome::kFailed;
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int err = errno;
    ::close(fd);
    if (err == EWOULDBLOCK) return LockOutcome::kHeld;
    if (error) *error = MakeError(kCategorySystem, SystemCodeFromErrno(err));
    return LockOutcome::kFailed;
  }
  // The holder's process id, for a person looking at the file; nothing reads it.
  const std::string pid = std::to_string(::getpid()) + "\n";
  if (::ftruncate(fd, 0) == 0) {
    ssize_t ignored = ::pwrite(fd, pid.data(), pid.size(), 0);
    (void)ignored;
  }
  m_fd = fd;
  return LockOutcome::kAcquired;
}

void CInstanceLock::Release() {
  if (m_fd >= 0) ::close(m_fd);  // closing drops the lock
  m_fd = -1;
}

}  // namespace ferrow
