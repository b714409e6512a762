#pragma once
// The bandwidth limiter of one receiving connection, alive for one receive loop. The configured
// limit is shared evenly among all limiters alive in the process at the moment it is set.
// Throttling is the pause that Delay() asks for between receives; Receive never sleeps.
#include <cstdint>

#include "platform/clock.h"

namespace ferrow {

class CProxySocket;

class CSpeedLimit {
 public:
  // The clock must outlive the limiter.
  explicit CSpeedLimit(const IClock* clock = &SystemClock());
  ~CSpeedLimit();
  CSpeedLimit(const CSpeedLimit&) = delete;
  CSpeedLimit& operator=(const CSpeedLimit&) = delete;

  // Sets this connection's quota from the process-wide limit in bytes per second (0 = none).
  void SetLimit(uint32_t bytesPerSecond);
  // One receive through the socket, of at most what the quota leaves in this second.
  int Receive(CProxySocket& socket, char* buffer, int maximum);
  // The same for a body that ends with its connection: 0 at the end.
  int ReceiveUntilEnd(CProxySocket& socket, char* buffer, int maximum);
  // Milliseconds to pause before the next receive; 0 while the quota is not used up.
  uint32_t Delay();

  uint32_t Quota() const { return m_quota; }
  uint32_t Used() const { return m_used; }
  // Number of limiters alive in the process.
  static int LiveCount();

 private:
  // The most this connection may receive now.
  int Allowance(int maximum);
  void Account(int received);

  const IClock* m_clock;
  uint32_t m_quota = 0;
  uint32_t m_used = 0;
  int64_t m_secondStart = 0;
};

}  // namespace ferrow
