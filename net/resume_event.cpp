#include "net/resume_event.h"

#include <mutex>

namespace ferrow {

void CResumeEvent::Signal(uint32_t value) {
  std::lock_guard<CCriticalSection> lock(m_lock);
  m_value = value;
  m_event.Set();
}

void CResumeEvent::Reset() {
  std::lock_guard<CCriticalSection> lock(m_lock);
  m_event.Reset();
}

uint32_t CResumeEvent::Value() const {
  std::lock_guard<CCriticalSection> lock(m_lock);
  return m_value;
}

}  // namespace ferrow
