#pragma once
// A clock that moves only when a test says so.
#include <cstdint>

#include "platform/clock.h"

namespace ferrow::test {

class FakeClock : public IClock {
 public:
  int64_t WallSeconds() const override { return m_seconds; }
  int64_t Counter() const override { return m_counter; }
  // One tick per microsecond.
  int64_t CounterFrequency() const override { return 1000000; }

  void SetSeconds(int64_t seconds) { m_seconds = seconds; }
  void AdvanceSeconds(int64_t seconds) { m_seconds += seconds; }
  void AdvanceMilliseconds(int64_t milliseconds) { m_counter += milliseconds * 1000; }

 private:
  int64_t m_seconds = 1000000;
  int64_t m_counter = 5000000;
};

}  // namespace ferrow::test
