#pragma once
// The stop request of one transfer (or of the site explorer): a manual-reset event, initially
// not set. Set from the user-interface thread; every wait of a worker waits on it.
#include <cstdint>

#include "platform/manual_reset_event.h"

namespace ferrow {

class CStopEvent {
 public:
  void Set() { m_event.Set(); }
  void Reset() { m_event.Reset(); }
  bool IsSet() const { return m_event.IsSet(); }
  // True when the event is set within the time (0 only tests, kWaitForever has no limit).
  bool Wait(uint32_t milliseconds) const { return m_event.Wait(milliseconds); }

 private:
  ManualResetEvent m_event;
};

}  // namespace ferrow
