#include "platform/clock.h"

#include <ctime>

namespace ferrow {

namespace {

class RealClock final : public IClock {
 public:
  int64_t WallSeconds() const override { return static_cast<int64_t>(std::time(nullptr)); }

  int64_t Counter() const override {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
  }

  int64_t CounterFrequency() const override { return 1000000000; }
};

}  // namespace

IClock& SystemClock() {
  static RealClock* clock = new RealClock();
  return *clock;
}

}  // namespace ferrow
