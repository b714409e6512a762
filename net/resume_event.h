#pragma once
// Carries the user's answer to a waiting worker: a manual-reset event with a value
// (1 go on, 0 give up), initially not set with value 1.
#include <cstdint>

#include "platform/critical_section.h"
#include "platform/manual_reset_event.h"

namespace ferrow {

class CResumeEvent {
 public:
  // Stores the value and sets the event, in one step under the lock.
  void Signal(uint32_t value);
  void Reset();
  uint32_t Value() const;
  // Waits for the event (kWaitForever has no limit); true when it is set.
  bool Wait(uint32_t milliseconds) const { return m_event.Wait(milliseconds); }

 private:
  mutable CCriticalSection m_lock;
  ManualResetEvent m_event;
  uint32_t m_value = 1;
};

}  // namespace ferrow
