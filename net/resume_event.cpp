#include "net/resume_event.h"

#include <chrono>

namespace ferrow {

void CResumeEvent::Signal(uint32_t value) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_value = value;
  m_set = true;
  ++m_generation;
  m_changed.notify_all();
}

void CResumeEvent::Reset() {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_set = false;
}

uint32_t CResumeEvent::Value() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_value;
}

bool CResumeEvent::Wait(uint32_t milliseconds) const {
  std::unique_lock<std::mutex> lock(m_mutex);
  auto isSet = [this] { return m_set; };
  if (milliseconds == kWaitForever) {
    m_changed.wait(lock, isSet);
    return true;
  }
  if (milliseconds == 0) return m_set;
  return m_changed.wait_for(lock, std::chrono::milliseconds(milliseconds), isSet);
}

bool CResumeEvent::WaitAndTake(uint32_t milliseconds, uint32_t& value) {
  std::unique_lock<std::mutex> lock(m_mutex);
  if (m_set && m_waiters == 0) {
    // Answered before anyone waited: this waiter takes it.
    value = m_value;
    m_set = false;
    return true;
  }
  const uint64_t seen = m_generation;
  ++m_waiters;
  auto answered = [this, seen] { return m_generation != seen; };
  bool ok = true;
  if (milliseconds == kWaitForever) {
    m_changed.wait(lock, answered);
  } else {
    ok = m_changed.wait_for(lock, std::chrono::milliseconds(milliseconds), answered);
  }
  --m_waiters;
  if (!ok) return false;
  value = m_value;
  if (m_waiters == 0) m_set = false;
  return true;
}

}  // namespace ferrow
