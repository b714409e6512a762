#include "net/proxy_socket.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "net/proxy_info.h"
#include "net/socket_list.h"
#include "net/socks5_negotiation.h"
#include "net/transfer_settings.h"
#include "platform/clock.h"
#include "platform/text.h"

namespace ferrow {

namespace {

int64_t NowMilliseconds() {
  const IClock& clock = SystemClock();
  int64_t ticks = clock.Counter();
  int64_t frequency = clock.CounterFrequency();
  return ticks / frequency * 1000 + ticks % frequency * 1000 / frequency;
}

}  // namespace

CProxySocket::CProxySocket(const CClientContext& context)
    : CClientContext(context),
      m_connectTimeout(context.Settings() != nullptr ? context.Settings()->GetConnectTimeout()
                                                     : kDefaultConnectTimeout),
      m_stallTimeout(context.Settings() != nullptr ? context.Settings()->GetStallTimeout()
                                                   : kDefaultStallTimeout) {}

CProxySocket::~CProxySocket() {
  Close();
}

bool CProxySocket::Create() {
  Close();
  m_handle = SocketCreate();
  if (m_handle == kInvalidSocket) return ReportFailure();
  if (Sockets() != nullptr) Sockets()->Add(m_handle);
  // A stop that came before the socket joined the list did not shut it down; catch it here
  // (the stop event is set before the list is closed, so one of the two always sees it).
  if (CheckStop(0)) return ReportFailure();
  if (Settings() != nullptr) {
    m_connectTimeout = Settings()->GetConnectTimeout();
    m_stallTimeout = Settings()->GetStallTimeout();
  }
  StartWindow();
  return true;
}

void CProxySocket::StartWindow() {
  m_waited = 0;
  m_windowBytes = 0;
}

int CProxySocket::WaitLimit() const {
  int64_t limit = static_cast<int64_t>(m_stallTimeout) - m_waited;
  if (m_connectDeadline != 0) limit = std::min(limit, m_connectDeadline - NowMilliseconds());
  return static_cast<int>(std::clamp<int64_t>(limit, 0, INT32_MAX));
}

bool CProxySocket::CountWait(int64_t waited, int received) {
  m_waited += waited;
  if (received > 0) m_windowBytes += static_cast<uint64_t>(received);
  if (m_waited < static_cast<int64_t>(m_stallTimeout)) return true;
  // A full time-out of waiting: enough bytes make a slow connection, too few a stalled one.
  if (m_windowBytes < kStallMinimumBytes) {
    ReportError(MakeError(kCategorySocket, SocketCode::kTimedOut));
    Close();
    return false;
  }
  StartWindow();
  return true;
}

void CProxySocket::Close() {
  if (m_handle != kInvalidSocket) {
    // Out of the list first, so that a concurrent Close all never touches a released handle.
    if (Sockets() != nullptr) Sockets()->Remove(m_handle);
    SocketClose(m_handle);
    m_handle = kInvalidSocket;
  }
  m_connected = false;
  m_pending = 0;
}

bool CProxySocket::Connect(const std::wstring& host, uint16_t port) {
  m_targetHost = host;
  m_targetPort = port;
  m_connectDeadline = NowMilliseconds() + m_connectTimeout;
  bool connected = ConnectWithin(host, port);
  m_connectDeadline = 0;
  StartWindow();
  return connected;
}

bool CProxySocket::ConnectWithin(const std::wstring& host, uint16_t port) {
  // With the SOCKS proxy of the settings enabled, the connection goes to the proxy and the
  // negotiation asks it for the target; without one, to the target directly.
  CProxyInfo socks;
  if (Settings() != nullptr) socks = Settings()->GetSocksProxy();
  if (socks.m_enabled) {
    if (!CheckSocks5Login(*this, socks)) return false;
    if (socks.m_port < 0 || socks.m_port > 65535) {
      ReportError(MakeError(kCategorySocket, SocketCode::kAddressNotAvailable));
      Close();
      return false;
    }
    if (!RawConnect(socks.m_server, static_cast<uint16_t>(socks.m_port))) return false;
    if (!NegotiateSocks5(*this, socks, host, port)) return false;
  } else if (!RawConnect(host, port)) {
    return false;
  }
  m_throughSocks = socks.m_enabled;
  m_connected = true;
  return true;
}

bool CProxySocket::RawConnect(const std::wstring& host, uint16_t port) {
  if (m_handle == kInvalidSocket && !Create()) return false;
  std::string name = WideToLocal(host);
  uint32_t address = 0;
  if (!ParseDottedAddress(name, address) && !LookupHost(name, address)) return ReportFailure();
  int64_t deadline =
      m_connectDeadline != 0 ? m_connectDeadline : NowMilliseconds() + m_connectTimeout;
  int limit = static_cast<int>(std::clamp<int64_t>(deadline - NowMilliseconds(), 0, INT32_MAX));
  if (!SocketConnect(m_handle, address, port, limit)) return ReportFailure();
  m_throughSocks = false;
  return true;
}

int CProxySocket::Receive(void* buffer, int size, int flags) {
  if (size <= 0) return 0;
  int received = ReceiveUntilEnd(buffer, size, flags);
  if (received == 0) ReportFailure(SocketCode::kDisconnected);
  return received < 1 ? -1 : received;
}

int CProxySocket::ReceiveUntilEnd(void* buffer, int size) {
  return ReceiveUntilEnd(buffer, size, 0);
}

int CProxySocket::ReceiveUntilEnd(void* buffer, int size, int flags) {
  for (;;) {
    int64_t begin = NowMilliseconds();
    int received = SocketReceive(m_handle, buffer, size, flags, WaitLimit());
    if (received < 0) {
      // The window ran out while waiting, but it had brought enough: a slow connection
      // pausing, which gets a new window.
      bool windowFull = LastSocketError() == SocketCode::kTimedOut && m_connectDeadline == 0 &&
                        m_windowBytes >= kStallMinimumBytes;
      if (windowFull) {
        StartWindow();
        continue;
      }
      ReportFailure();
      return -1;
    }
    // A peek is received again right after it, so only the real receive counts its bytes.
    if (!CountWait(NowMilliseconds() - begin, (flags & kReceivePeek) ? 0 : received)) return -1;
    return received;
  }
}

int CProxySocket::Send(const void* data, int size) {
  if (size == 0) size = static_cast<int>(std::strlen(static_cast<const char*>(data)));
  // A new request: the answer's waits are measured afresh.
  StartWindow();
  int sent = SocketSend(m_handle, data, size, static_cast<int>(m_stallTimeout));
  if (sent < 1) {
    ReportFailure();
    return -1;
  }
  return sent;
}

int CProxySocket::ReadLine(char* buffer, int size, const char* terminator) {
  if (size < 1) return -1;
  const int terminatorLength = static_cast<int>(std::strlen(terminator));
  int stored = 0;
  bool found = false;
  m_pending = 0;
  buffer[0] = '\0';
  while (!found && stored < size - 1) {
    int peeked = Receive(buffer + stored, size - 1 - stored, kReceivePeek);
    if (peeked < 0) return -1;
    // The terminator may straddle what is stored already and what was just peeked.
    int searchFrom = stored >= terminatorLength ? stored - terminatorLength + 1 : 0;
    int available = stored + peeked;
    int take = peeked;
    for (int i = searchFrom; terminatorLength > 0 && i + terminatorLength <= available; ++i) {
      if (std::memcmp(buffer + i, terminator, static_cast<size_t>(terminatorLength)) == 0) {
        take = i + terminatorLength - stored;
        found = true;
        break;
      }
    }
    int received = Receive(buffer + stored, take, 0);
    if (received < 0) return -1;
    stored += received;
    if (received < take) {
      found = false;  // fewer bytes than peeked came; look again
      continue;
    }
    m_pending = found ? peeked - take : 0;
  }
  buffer[stored] = '\0';
  return stored;
}

int CProxySocket::Drain(char* buffer, int size) {
  if (m_pending <= 0) return 0;
  int wanted = m_pending < size ? m_pending : size;
  int received = Receive(buffer, wanted, 0);
  if (received < 0) return -1;
  m_pending -= received;
  return received;
}

bool CProxySocket::Listen(int backlog) {
  if (!SocketListen(m_handle, backlog)) return ReportFailure();
  return true;
}

bool CProxySocket::Accept(CProxySocket& into) {
  SocketHandle accepted = SocketAccept(m_handle, static_cast<int>(m_stallTimeout));
  if (accepted == kInvalidSocket) return ReportFailure();
  into.Close();
  static_cast<CClientContext&>(into) = Context();
  into.m_handle = accepted;
  into.m_connected = true;
  if (into.Sockets() != nullptr) into.Sockets()->Add(accepted);
  return true;
}

bool CProxySocket::BindLike(const CProxySocket& peer) {
  SocketAddress local;
  if (!SocketLocalAddress(peer.m_handle, local)) return ReportFailure();
  if (!SocketBind(m_handle, local.address, 0)) return ReportFailure();
  return true;
}

bool CProxySocket::ListenLike(const CProxySocket& peer) {
  return Create() && BindLike(peer) && Listen(1);
}

std::wstring CProxySocket::PortText() {
  SocketAddress local;
  if (!SocketLocalAddress(m_handle, local)) {
    ReportFailure();
    return std::wstring();
  }
  char text[32];
  std::snprintf(text, sizeof(text), "%u,%u,%u,%u,%u,%u", (local.address >> 24) & 0xFF,
                (local.address >> 16) & 0xFF, (local.address >> 8) & 0xFF, local.address & 0xFF,
                (local.port >> 8) & 0xFF, local.port & 0xFF);
  return LocalToWide(text);
}

std::wstring CProxySocket::PeerHost() const {
  if (m_throughSocks) return m_targetHost;
  SocketAddress peer;
  if (m_handle == kInvalidSocket || !SocketPeerAddress(m_handle, peer)) return std::wstring();
  return std::to_wstring(peer.address >> 24) + L"." + std::to_wstring((peer.address >> 16) & 0xFF) +
         L"." + std::to_wstring((peer.address >> 8) & 0xFF) + L"." +
         std::to_wstring(peer.address & 0xFF);
}

bool CProxySocket::ReportFailure(uint16_t fallback) {
  uint16_t code = LastSocketError();
  if (!CheckStop(0)) {
    if (code == SocketCode::kNoData) code = SocketCode::kHostNotFound;
    if (code == 0) code = fallback;
    ReportError(MakeError(kCategorySocket, code));
  }
  Close();
  return false;
}

}  // namespace ferrow
