#include "platform/timer_host.h"

#include <algorithm>

namespace ferrow {

CTimerHost::CTimerHost(const IClock& clock) : m_clock(clock) {}

void CTimerHost::SetTimer(ITimerTarget* target, uint32_t id, uint32_t milliseconds) {
  const int64_t frequency = m_clock.CounterFrequency();
  int64_t period = static_cast<int64_t>(milliseconds) * frequency / 1000;
  if (period <= 0) period = 1;
  for (Timer& timer : m_timers) {
    if (timer.target == target && timer.id == id) {
      timer.period = period;
      timer.due = Now() + period;
      return;
    }
  }
  m_timers.push_back({target, id, period, Now() + period, m_nextSerial++});
}

void CTimerHost::KillTimer(ITimerTarget* target, uint32_t id) {
  std::erase_if(m_timers,
                [&](const Timer& timer) { return timer.target == target && timer.id == id; });
}

void CTimerHost::KillTimers(ITimerTarget* target) {
  std::erase_if(m_timers, [&](const Timer& timer) { return timer.target == target; });
}

size_t CTimerHost::Poll() {
  const int64_t now = Now();
  // Collected first: OnTimer may set or kill timers, which moves the vector.
  std::vector<uint64_t> due;
  for (const Timer& timer : m_timers)
    if (timer.due <= now) due.push_back(timer.serial);
  size_t fired = 0;
  for (uint64_t serial : due) {
    auto found = std::find_if(m_timers.begin(), m_timers.end(),
                              [&](const Timer& timer) { return timer.serial == serial; });
    if (found == m_timers.end() || found->due > now) continue;  // killed or set anew meanwhile
    found->due = now + found->period;
    ITimerTarget* target = found->target;
    const uint32_t id = found->id;
    ++fired;
    target->OnTimer(id);
  }
  return fired;
}

int64_t CTimerHost::MillisecondsToNext() const {
  if (m_timers.empty()) return -1;
  int64_t next = m_timers.front().due;
  for (const Timer& timer : m_timers) next = std::min(next, timer.due);
  const int64_t ticks = next - Now();
  if (ticks <= 0) return 0;
  const int64_t frequency = m_clock.CounterFrequency();
  return (ticks * 1000 + frequency - 1) / frequency;
}

}  // namespace ferrow
