#include "platform/manual_reset_event.h"

#include <chrono>

namespace ferrow {

void ManualResetEvent::Set() {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_set = true;
  }
  m_changed.notify_all();
}

void ManualResetEvent::Reset() {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_set = false;
}

bool ManualResetEvent::IsSet() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_set;
}

bool ManualResetEvent::Wait(uint32_t milliseconds) const {
  std::unique_lock<std::mutex> lock(m_mutex);
  if (milliseconds == kWaitForever) {
    m_changed.wait(lock, [this] { return m_set; });
    return true;
  }
  // A look without waiting: a zero wait would still go to the system and back.
  if (milliseconds == 0) return m_set;
  return m_changed.wait_for(lock, std::chrono::milliseconds(milliseconds),
                            [this] { return m_set; });
}

}  // namespace ferrow
