#pragma once
// The rate counter of one transfer description: speed over 5-second windows while running, the
// average over the whole run once stopped, elapsed and remaining seconds. It has no lock of
// its own; the description that holds it guards it.
#include <cstdint>

#include "platform/clock.h"
#include "platform/unknown_size.h"

namespace ferrow {

class CSpeedCounter {
 public:
  // The clock must outlive the counter.
  explicit CSpeedCounter(const IClock* clock = &SystemClock());

  void Start();
  void Stop();
  void Add(uint64_t bytes);
  void SetTotal(uint64_t total) { m_total = total; }
  void SetDone(uint64_t done) { m_done = done; }
  // Closes a finished 5-second window and recomputes elapsed and left; a no-op when stopped.
  void Refresh();

  // These refresh first while running.
  int32_t Speed();
  int32_t Elapsed();
  int32_t Left();

  bool IsRunning() const { return m_running; }
  uint64_t Total() const { return m_total; }
  uint64_t Done() const { return m_done; }
  uint64_t RunBytes() const { return m_runBytes; }
  void SetClock(const IClock* clock) { m_clock = clock; }

 private:
  int32_t ComputeLeft() const;

  const IClock* m_clock;
  bool m_running = false;
  int32_t m_speed = 0;
  int32_t m_elapsed = 0;
  int32_t m_left = -1;
  uint64_t m_total = 0;
  uint64_t m_done = 0;
  uint64_t m_runBytes = 0;
  // 64 bits: a fast local link moves more than 4 GiB in one window.
  uint64_t m_windowBytes = 0;
  int64_t m_lastRefresh = 0;
  int64_t m_windowStart = 0;
  int64_t m_startTime = 0;
  int64_t m_stopTime = 0;
};

}  // namespace ferrow
