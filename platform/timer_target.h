#pragma once
// Whatever owns timers of a CTimerHost: the download manager, later the site explorer.
#include <cstdint>

namespace ferrow {

class ITimerTarget {
 public:
  virtual ~ITimerTarget() = default;
  virtual void OnTimer(uint32_t id) = 0;
};

}  // namespace ferrow
