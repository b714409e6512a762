#pragma once
// The socket of a protocol client: one blocking IPv4 stream connection, registered in the
// transfer's socket list while open so that a stop can break its calls. Every failure is
// recorded on the transfer description (see ReportFailure) and closes the socket.
// A socket belongs to one client and one thread.
//
// Time-outs (from the transfer settings when the socket is created): Connect, SOCKS
// negotiation included, must stand within the connect time-out. Every wait for data counts
// against the stall time-out: when the waits since the last request sent add up to it and
// brought fewer than kStallMinimumBytes, the connection has stalled. Both fail with 10060.
#include <cstdint>
#include <string>

#include "net/client_context.h"
#include "platform/socket.h"

namespace ferrow {

class CProxySocket : public CClientContext {
 public:
  explicit CProxySocket(const CClientContext& context);
  ~CProxySocket() override;
  CProxySocket(const CProxySocket&) = delete;
  CProxySocket& operator=(const CProxySocket&) = delete;

  // Closes any open handle, creates a new socket and adds it to the socket list.
  bool Create();
  // Removes the socket from the list and releases it; clears the connected flag.
  void Close();
  // Connects to the target, directly or through the SOCKS proxy of the settings.
  bool Connect(const std::wstring& host, uint16_t port);
  // A direct connection: the host as a dotted address, else by name lookup (first address).
  bool RawConnect(const std::wstring& host, uint16_t port);

  // One receive call (flags: kReceivePeek). Anything below 1 is a failure: reported, socket
  // closed, -1 returned. A clean close by the peer is recorded as 10101.
  int Receive(void* buffer, int size, int flags = 0);
  // As Receive, but the peer's clean close is the end of the data: 0, nothing recorded.
  int ReceiveUntilEnd(void* buffer, int size);
  // One send call of size bytes (0: the length of the zero-terminated data); -1 on failure.
  int Send(const void* data, int size = 0);
  // Reads into the buffer up to and including the terminator, never past it, and zero-
  // terminates it. Bytes already present after the terminator are counted in Pending().
  // Returns the bytes stored, or -1 on failure.
  int ReadLine(char* buffer, int size, const char* terminator);
  // Receives only the bytes the last ReadLine saw after its terminator (at most size).
  // Returns the bytes received, 0 when none were pending, -1 on failure.
  int Drain(char* buffer, int size);

  bool Listen(int backlog);
  // Accepts one connection into another socket, which gets this socket's context, is marked
  // connected and joins the socket list.
  bool Accept(CProxySocket& into);
  // Binds to the local address of the peer socket's connection, with any free port.
  bool BindLike(const CProxySocket& peer);
  // Create, BindLike(peer) and Listen(1): the waiting end of an active-mode data connection.
  bool ListenLike(const CProxySocket& peer);
  // The local address and port as PORT command text: "h1,h2,h3,h4,p1,p2". Empty on failure.
  std::wstring PortText();

  // Records the last socket error on the description and closes the socket. A requested
  // stop wins: its "cancelled" error stays. A call that left no error code records
  // fallback. Returns false, for use in return statements.
  bool ReportFailure(uint16_t fallback = SocketCode::kConnectionReset);
  // The address of the host at the other end: the connection's peer, or through the SOCKS
  // proxy the target the proxy was asked for. Empty when it cannot be told.
  std::wstring PeerHost() const;

  bool IsOpen() const { return m_handle != kInvalidSocket; }
  bool IsConnected() const { return m_connected; }
  SocketHandle Handle() const { return m_handle; }
  const std::wstring& TargetHost() const { return m_targetHost; }
  uint16_t TargetPort() const { return m_targetPort; }
  int32_t Pending() const { return m_pending; }

 private:
  // Milliseconds the next wait for data may take: what is left of the stall time-out, and of
  // the connect time-out while connecting. 0 when nothing is left.
  int WaitLimit() const;
  bool ConnectWithin(const std::wstring& host, uint16_t port);
  int ReceiveUntilEnd(void* buffer, int size, int flags);
  // Counts a finished wait; false (time-out reported) when the connection has stalled.
  bool CountWait(int64_t waited, int received);
  void StartWindow();

  SocketHandle m_handle = kInvalidSocket;
  bool m_connected = false;
  std::wstring m_targetHost;
  uint16_t m_targetPort = 0;
  int32_t m_pending = 0;
  bool m_throughSocks = false;
  uint32_t m_connectTimeout;
  uint32_t m_stallTimeout;
  int64_t m_connectDeadline = 0;  // monotonic milliseconds; 0 while not connecting
  int64_t m_waited = 0;           // milliseconds waited for data in this stall window
  uint64_t m_windowBytes = 0;     // bytes received in this stall window
};

}  // namespace ferrow
