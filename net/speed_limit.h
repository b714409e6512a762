#pragma once
// The bandwidth limiter of one receiving connection, alive for one receive loop: its node in the
// bandwidth tree (process, download, connection). Every receive first draws its size from the
// tree and gives back what it did not use; Pause() waits until the connection's next share is
// there. Receive never sleeps.
#include <cstdint>

#include "net/bandwidth.h"

namespace ferrow {

class CInternetClient;
class CProxySocket;
class CTransferInfo;

class CSpeedLimit {
 public:
  // A connection of the download that transfer is (or is a part of).
  explicit CSpeedLimit(CTransferInfo& transfer);
  // A connection below the given download node, which must outlive the limiter.
  explicit CSpeedLimit(CBandwidth& download);
  CSpeedLimit(const CSpeedLimit&) = delete;
  CSpeedLimit& operator=(const CSpeedLimit&) = delete;

  // Sets the process-wide limit in bytes per second (0 = none), shared by all connections.
  void SetLimit(uint32_t bytesPerSecond);
  // One receive through the socket, of at most what the tree grants.
  int Receive(CProxySocket& socket, char* buffer, int maximum);
  // The same for a body that ends with its connection: 0 at the end.
  int ReceiveUntilEnd(CProxySocket& socket, char* buffer, int maximum);
  // Milliseconds until this connection's next share is there; 0 now or without a limit.
  uint32_t Delay();
  // Waits on the client's stop event until the next share is there, reading the limit from the
  // client's settings again every few tens of milliseconds so that a change applies at once.
  // True when the stop event ended the wait.
  bool Pause(CInternetClient& client);

  CBandwidth& Node() { return m_node; }

  // The longest single wait of Pause() before it looks at the settings again.
  static constexpr uint32_t kSettingsCheckMilliseconds = 50;

 private:
  CBandwidth m_node;
};

}  // namespace ferrow
