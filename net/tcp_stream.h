#pragma once
// The bottom of a connection: one blocking TCP socket, registered in the transfer's socket list
// while open so that a stop can break its calls. It does all the waiting of the chain, and so
// keeps the time-outs:
// - while connecting (SetConnectDeadline, the layers above included), every wait ends at the
//   deadline;
// - every wait for data counts against the stall time-out: when the waits since the last send
//   add up to it and brought fewer than kStallMinimumBytes, the connection has stalled.
// Both fail with 10060. Also the listening and accepting end of an FTP active-mode connection.
#include <cstdint>
#include <functional>
#include <string>

#include "net/byte_stream.h"
#include "platform/socket.h"

namespace ferrow {

class CSocketList;

class CTcpStream : public IByteStream {
 public:
  // The list (may be null) must outlive the stream. Time-outs in milliseconds.
  CTcpStream(CSocketList* sockets, uint32_t connectTimeout, uint32_t stallTimeout);
  ~CTcpStream() override;
  CTcpStream(const CTcpStream&) = delete;
  CTcpStream& operator=(const CTcpStream&) = delete;

  // A socket of the family, in the socket list; false when none could be made.
  bool Open(IpAddress::Family family);
  // Takes over a connected socket (an accepted one) and puts it in the socket list.
  void Adopt(SocketHandle socket);
  bool IsOpen() const { return m_handle != kInvalidSocket; }
  SocketHandle Handle() const { return m_handle; }

  // How long one address of several may take to answer before the next is tried (an IPv6
  // route that swallows packets must not cost the whole connect time-out).
  static constexpr int64_t kFallbackMilliseconds = 2000;

  // The host as a numeric address, else every address of its name (both families), tried in
  // turn; the socket is made anew for each address. Only the last may use what is left of the
  // connect time-out, each one before it at most kFallbackMilliseconds.
  bool Connect(const std::wstring& host, uint16_t port) override;
  // Asked after every socket this stream makes: a stop that came before the socket joined the
  // socket list did not break it, so the attempt ends here.
  void SetStopCheck(std::function<bool()> stopped) { m_stopped = std::move(stopped); }
  // A kept connection changes hands: it leaves its socket list (Detach, while it waits in the
  // pool) and joins another transfer's with that transfer's time-outs (Attach).
  void Detach();
  void Attach(CSocketList* sockets, uint32_t connectTimeout, uint32_t stallTimeout);
  int Send(const void* data, int size) override;
  int Receive(void* buffer, int size, int flags) override;
  void Shutdown() override;
  // Out of the socket list first, then released.
  void Close() override;
  ErrorValue Error() const override { return m_error; }
  std::wstring PeerHost() const override;

  // While set (a monotonic millisecond time, see NowMilliseconds), every wait ends by then; 0
  // ends the connecting and starts a fresh stall window.
  void SetConnectDeadline(int64_t deadline);
  static int64_t NowMilliseconds();

  bool Bind(const IpAddress& address, uint16_t port);
  bool Listen(int backlog);
  // Waits (within the stall time-out) for one connection; kInvalidSocket on failure.
  SocketHandle Accept();
  bool LocalAddress(SocketAddress& address);

 private:
  // Records the socket error of the last call (a call that left none: fallback).
  bool Fail(uint16_t fallback = SocketCode::kConnectionReset);
  // Milliseconds the next wait may take: what is left of the stall time-out, and of the
  // connect deadline while connecting. 0 when nothing is left.
  int WaitLimit() const;
  // Counts a finished wait; false (time-out recorded) when the connection has stalled.
  bool CountWait(int64_t waited, int received);
  void StartWindow();

  CSocketList* m_sockets;
  std::function<bool()> m_stopped;
  SocketHandle m_handle = kInvalidSocket;
  IpAddress::Family m_family = IpAddress::Family::kIpv4;
  ErrorValue m_error = 0;
  uint32_t m_connectTimeout;
  uint32_t m_stallTimeout;
  int64_t m_connectDeadline = 0;  // 0 while not connecting
  int64_t m_waited = 0;           // milliseconds waited for data in this stall window
  uint64_t m_windowBytes = 0;     // bytes received in this stall window
};

}  // namespace ferrow
