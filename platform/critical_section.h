#pragma once
// A critical section: a non-recursive lock held for the length of one operation. It satisfies
// the standard Lockable requirements, so std::lock_guard and std::scoped_lock work with it.
#include <mutex>

namespace ferrow {

class CCriticalSection {
 public:
  CCriticalSection() = default;
  CCriticalSection(const CCriticalSection&) = delete;
  CCriticalSection& operator=(const CCriticalSection&) = delete;

  void Lock() { m_mutex.lock(); }
  void Unlock() { m_mutex.unlock(); }

  void lock() { m_mutex.lock(); }
  void unlock() { m_mutex.unlock(); }
  bool try_lock() { return m_mutex.try_lock(); }

 private:
  std::mutex m_mutex;
};

}  // namespace ferrow
