#pragma once
// The connection of a protocol client: the top of a chain of stream layers (byte_stream.h) that
// it builds from the transfer settings, TCP at the bottom, the SOCKS proxy above it when one is
// enabled, the HTTP proxy above that when the client asks for it (SetHttpProxy). The client
// reads and writes through it without knowing what is underneath. It adds what every client
// needs on top of the chain: replies read line by line, the failure report to the transfer, and
// registration in the transfer's socket list (by the bottom layer) so that a stop breaks every
// call. Every failure is recorded on the transfer description (see ReportFailure) and closes the
// connection. A socket belongs to one client and one thread.
//
// Time-outs (from the transfer settings when the socket is created, kept by the bottom layer):
// Connect, proxy negotiations included, must stand within the connect time-out. Every wait for
// data counts against the stall time-out: when the waits since the last request sent add up to
// it and brought fewer than kStallMinimumBytes, the connection has stalled. Both fail with
// 10060.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "net/byte_stream.h"
#include "net/client_context.h"
#include "net/proxy_info.h"
#include "platform/socket.h"

namespace ferrow {

class CConnectionPool;
class CTcpStream;
class CTlsStream;
class CTlsConfig;

class CProxySocket : public CClientContext {
 public:
  explicit CProxySocket(const CClientContext& context);
  ~CProxySocket() override;
  CProxySocket(const CProxySocket&) = delete;
  CProxySocket& operator=(const CProxySocket&) = delete;

  // Connections of this socket go through the HTTP proxy (an HTTP client's choice; the SOCKS
  // proxy of the settings, when enabled, still carries the connection to it). In forward mode
  // the client sends requests with absolute targets to the proxy (ForwardsRequests).
  void SetHttpProxy(const CProxyInfo& proxy, bool tunnel = false);
  // True when requests go to an HTTP proxy as they are, with absolute targets.
  bool ForwardsRequests() const { return m_httpProxy.m_enabled && !m_tunnel && !m_bypassed; }
  // Connections of this socket are encrypted from the start (https://): TLS goes on top of the
  // chain, and resumes the sessions kept under the key (empty: no TLS).
  void SetTls(const std::wstring& sessionKey) { m_tlsKey = sessionKey; }
  // Encrypts the standing connection (FTP after AUTH TLS, and its data connections): the
  // handshake for host, resuming a session kept under the key.
  bool StartTls(const std::wstring& host, const std::wstring& sessionKey);
  bool IsEncrypted() const { return m_tls != nullptr; }
  // From now on the connection delivers a chunked body's bytes only, and its end as the end
  // of the data (ReceiveUntilEnd gives 0).
  void DecodeChunkedBody();
  // Whether the handshake resumed a session.
  bool SessionReused() const;

  // Closes any open connection, creates a new socket and adds it to the socket list.
  bool Create();
  // Leaves the socket list and releases the connection; clears the connected flag.
  void Close();
  // Moves another socket's connection (of the same transfer) here, with what it has read.
  void TakeConnection(CProxySocket& from);
  // Kept connections (connection_pool.h). The key names everything the chain to host and port
  // is built from: TLS and its trust settings, the proxies (with their logins) and the bypass.
  std::wstring PoolKey(const std::wstring& host, uint16_t port) const;
  // Stands connected to host and port on a kept connection of the same key, in this socket's
  // transfer now; false (nothing changed) when the pool has none.
  bool TakeFromPool(CConnectionPool& pool, const std::wstring& host, uint16_t port);
  // Hands the connection to the pool when its last response's body was read to the end (a
  // length was set and is used up) and the peer keeps it alive; closes it otherwise.
  void PutInPool(CConnectionPool& pool);
  // Connects to the target through the layers the settings and SetHttpProxy ask for.
  bool Connect(const std::wstring& host, uint16_t port);
  // A direct connection with the bottom layer alone: the host as a numeric address, else by
  // name lookup (first address).
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
  // Reads a header block up to and including its empty line (lines may end in CRLF or a bare
  // LF), never a byte of what follows; zero-terminated. Returns the bytes stored, -1 on
  // failure; complete tells whether the empty line came before size - 1 bytes. One look ahead
  // and one receive for a block that has arrived whole, where a line at a time took two each.
  int ReadHeaderBlock(char* buffer, int size, bool& complete);
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
  // The local address and port as EPRT command text: "|1|a.b.c.d|port|" or "|2|::1|port|".
  std::wstring ExtendedPortText();
  // Whether the connection runs over IPv6 (at its bottom).
  bool IsIpv6() const;

  // Records the failure on the description and closes the socket. A requested stop wins: its
  // "cancelled" error stays. Without an error of its own (0) the chain's error is recorded, and
  // when the chain has none either, fallback. Returns false, for use in return statements.
  bool ReportFailure(ErrorValue error = 0, uint16_t fallback = SocketCode::kConnectionReset);
  // The address of the host at the other end: the connection's peer, or through a tunnel the
  // target the proxy was asked for. Empty when it cannot be told.
  std::wstring PeerHost() const;

  // The length of the message body that follows what was read so far (-1: unknown, it runs to
  // the connection's end). While it is known, receives stop at its end and count it down, so
  // a connection whose body was read whole (BodyLeft() 0) is ready for another request.
  void SetBodyLength(int64_t length) { m_bodyLeft = length; }
  // Whether the peer lets the connection carry another request once this body is read (HTTP
  // keep-alive); moves with the connection.
  void SetKeepAlive(bool keepAlive) { m_keepAlive = keepAlive; }
  bool KeepsAlive() const { return m_keepAlive; }
  int64_t BodyLeft() const { return m_bodyLeft; }

  bool IsOpen() const;
  bool IsConnected() const { return m_connected; }
  SocketHandle Handle() const;
  const std::wstring& TargetHost() const { return m_targetHost; }
  uint16_t TargetPort() const { return m_targetPort; }
  int32_t Pending() const { return m_pending; }

 private:
  // Receives up to and including the end findEnd finds (the offset after it, or -1, given what
  // is stored and what is available with the bytes just peeked), never past it; found says
  // whether it came before size - 1 bytes. Zero-terminates; -1 on failure.
  int ReadThrough(char* buffer, int size,
                  const std::function<int(int stored, int available)>& findEnd, bool& found);
  // Drops every figure of the connection; the stream itself is closed or handed on before.
  void ForgetConnection();
  // Puts the proxy layers the settings ask for on top of the bottom layer, and TLS on top.
  void AddLayers();
  // The transfer's TLS configuration and sessions (a fresh one without a transfer).
  std::shared_ptr<CTlsConfig> TlsConfig() const;
  // Says in the transfer log why a handshake failed.
  void LogTlsFailure(const std::wstring& host);

  std::unique_ptr<IByteStream> m_stream;  // the top of the chain, owning the layers below
  CTcpStream* m_tcp = nullptr;            // the bottom of the chain
  CTlsStream* m_tls = nullptr;            // the encrypting layer, when there is one
  std::wstring m_tlsKey;
  CProxyInfo m_httpProxy;
  bool m_tunnel = false;
  // The last Connect reached its host directly: it is on the settings' bypass list.
  bool m_bypassed = false;
  bool m_connected = false;
  std::wstring m_targetHost;
  uint16_t m_targetPort = 0;
  int32_t m_pending = 0;
  int64_t m_bodyLeft = -1;
  bool m_keepAlive = false;
  uint32_t m_connectTimeout;
  uint32_t m_stallTimeout;
};

}  // namespace ferrow
