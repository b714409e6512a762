#pragma once
// Periodic timers without a window: the core's objects set timers here, and whoever runs the
// main loop (the console program, the windowed program, a test) calls Poll. Time comes from an
// injected clock, so a test moves it by hand and sees exactly which timers fire.
//
// Like window timers, a timer that is late fires once, not once per missed period, and its
// next period counts from the moment it fired. Used on one thread only (the loop's).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/clock.h"
#include "platform/timer_target.h"

namespace ferrow {

class CTimerHost {
 public:
  // The clock must outlive the host.
  explicit CTimerHost(const IClock& clock);
  CTimerHost(const CTimerHost&) = delete;
  CTimerHost& operator=(const CTimerHost&) = delete;

  // Sets or replaces the timer (target, id); its first period starts now.
  void SetTimer(ITimerTarget* target, uint32_t id, uint32_t milliseconds);
  void KillTimer(ITimerTarget* target, uint32_t id);
  // Removes every timer of the target (it is going away).
  void KillTimers(ITimerTarget* target);

  // Fires every timer that is due, in the order they were set; returns how many fired. A
  // target may set or kill timers from OnTimer.
  size_t Poll();
  // Milliseconds until the next timer is due (0 when one is due now); -1 without timers.
  int64_t MillisecondsToNext() const;
  size_t GetTimerCount() const { return m_timers.size(); }

 private:
  struct Timer {
    ITimerTarget* target;
    uint32_t id;
    int64_t period;  // in clock ticks
    int64_t due;     // counter value
    uint64_t serial;
  };
  int64_t Now() const { return m_clock.Counter(); }

  const IClock& m_clock;
  std::vector<Timer> m_timers;
  uint64_t m_nextSerial = 1;
};

}  // namespace ferrow
