#pragma once
// Carries the user's answer to a waiting worker: a manual-reset event with a value
// (1 go on, 0 give up), initially not set with value 1.
#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "platform/manual_reset_event.h"

namespace ferrow {

class CResumeEvent {
 public:
  // Stores the value and sets the event, in one step under the lock; releases every waiter.
  void Signal(uint32_t value);
  void Reset();
  uint32_t Value() const;
  // Waits for the event (kWaitForever has no limit); true when it is set.
  bool Wait(uint32_t milliseconds) const;
  // Waits for an answer and takes it. Every waiter that is waiting when the answer comes gets
  // it; the last of them to leave resets the event. An answer given while nobody waits stays
  // set for the next waiter. False on time-out.
  bool WaitAndTake(uint32_t milliseconds, uint32_t& value);

 private:
  mutable std::mutex m_mutex;
  mutable std::condition_variable m_changed;
  bool m_set = false;
  uint32_t m_value = 1;
  uint64_t m_generation = 0;  // counts answers, so a reset by one waiter cannot hide one
  int m_waiters = 0;          // waiters released by the current answer that have not left
};

}  // namespace ferrow
