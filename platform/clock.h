#pragma once
// Time as the rate counter, the limiter and the timers see it. Code that depends on time takes
// an IClock so that tests can drive it exactly; SystemClock() is the real one.
#include <cstdint>

namespace ferrow {

class IClock {
 public:
  virtual ~IClock() = default;
  // Wall-clock time in whole seconds since 1 January 1970 UTC.
  virtual int64_t WallSeconds() const = 0;
  // A monotonic high-resolution counter and its ticks per second.
  virtual int64_t Counter() const = 0;
  virtual int64_t CounterFrequency() const = 0;
};

// The process's real clock (one shared instance, never destroyed).
IClock& SystemClock();

}  // namespace ferrow
