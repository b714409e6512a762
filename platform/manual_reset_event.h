#pragma once
// A manual-reset event: once set it stays set, releasing every waiter, until it is reset.
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace ferrow {

constexpr uint32_t kWaitForever = 0xFFFFFFFFu;

class ManualResetEvent {
 public:
  ManualResetEvent() = default;
  ManualResetEvent(const ManualResetEvent&) = delete;
  ManualResetEvent& operator=(const ManualResetEvent&) = delete;

  void Set();
  void Reset();
  bool IsSet() const;
  // Waits until the event is set or the time is up (0 only tests, kWaitForever has no limit).
  // True when the event is set.
  bool Wait(uint32_t milliseconds) const;

 private:
  mutable std::mutex m_mutex;
  mutable std::condition_variable m_changed;
  bool m_set = false;
};

}  // namespace ferrow
