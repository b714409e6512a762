#pragma once
// The mark of the first instance: an exclusive lock on a lock file. The kernel drops the lock
// when the process ends in any way (a crash or SIGKILL included), so a dead instance never
// blocks the next start, and no stale file needs cleaning.
#include <string>

#include "platform/error_code.h"

namespace ferrow {

enum class LockOutcome {
  kAcquired,  // no other process holds it: this is the first instance
  kHeld,      // another process holds it
  kFailed,    // the file could not be opened (see the error)
};

class CInstanceLock {
 public:
  CInstanceLock() = default;
  ~CInstanceLock();
  CInstanceLock(const CInstanceLock&) = delete;
  CInstanceLock& operator=(const CInstanceLock&) = delete;

  // Tries to take the lock on the file at path (created for the user alone; a symbolic link
  // there is refused). Does not wait.
  LockOutcome Acquire(const std::wstring& path, ErrorValue* error = nullptr);
  void Release();
  bool IsHeld() const { return m_fd >= 0; }

 private:
  int m_fd = -1;
};

}  // namespace ferrow
