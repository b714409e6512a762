#include "net/event_list.h"

#include <mutex>

#include "platform/wake_fd.h"

namespace ferrow {

void CEventList::Add(uint32_t code) {
  std::lock_guard<CCriticalSection> lock(m_lock);
  m_codes.push_back(code);
  if (m_wake != nullptr && code == EventNumber(TransferEvent::kFinished)) m_wake->Signal();
}

void CEventList::SetWake(CWakeFd* wake) {
  std::lock_guard<CCriticalSection> lock(m_lock);
  m_wake = wake;
}

bool CEventList::Take(uint32_t& code) {
  std::lock_guard<CCriticalSection> lock(m_lock);
  if (m_codes.empty()) return false;
  code = m_codes.front();
  m_codes.pop_front();
  return true;
}

bool CEventList::IsEmpty() const {
  std::lock_guard<CCriticalSection> lock(m_lock);
  return m_codes.empty();
}

size_t CEventList::Count() const {
  std::lock_guard<CCriticalSection> lock(m_lock);
  return m_codes.size();
}

}  // namespace ferrow
