#include "net/tcp_stream.h"

#include <algorithm>
#include <vector>

#include "net/socket_list.h"
#include "net/transfer_settings.h"
#include "platform/assert.h"
#include "platform/clock.h"
#include "platform/text.h"

namespace ferrow {

CTcpStream::CTcpStream(CSocketList* sockets, uint32_t connectTimeout, uint32_t stallTimeout)
    : m_sockets(sockets), m_connectTimeout(connectTimeout), m_stallTimeout(stallTimeout) {}

CTcpStream::~CTcpStream() {
  Close();
}

int64_t CTcpStream::NowMilliseconds() {
  const IClock& clock = SystemClock();
  int64_t ticks = clock.Counter();
  int64_t frequency = clock.CounterFrequency();
  return ticks / frequency * 1000 + ticks % frequency * 1000 / frequency;
}

bool CTcpStream::Fail(uint16_t fallback) {
  uint16_t code = LastSocketError();
  if (code == SocketCode::kNoData) code = SocketCode::kHostNotFound;
  if (code == 0) code = fallback;
  m_error = MakeError(kCategorySocket, code);
  return false;
}

bool CTcpStream::Open(IpAddress::Family family) {
  Close();
  m_error = 0;
  m_handle = SocketCreate(family);
  if (m_handle == kInvalidSocket) return Fail();
  m_family = family;
  if (m_sockets != nullptr) m_sockets->Add(m_handle);
  StartWindow();
  return true;
}

void CTcpStream::Adopt(SocketHandle socket) {
  Close();
  m_error = 0;
  m_handle = socket;
  if (m_sockets != nullptr) m_sockets->Add(m_handle);
  StartWindow();
}

void CTcpStream::Detach() {
  if (m_sockets != nullptr && m_handle != kInvalidSocket) m_sockets->Remove(m_handle);
  m_sockets = nullptr;
  m_stopped = nullptr;
}

void CTcpStream::Attach(CSocketList* sockets, uint32_t connectTimeout, uint32_t stallTimeout) {
  FERROW_ASSERT(m_sockets == nullptr);
  m_sockets = sockets;
  m_connectTimeout = connectTimeout;
  m_stallTimeout = stallTimeout;
  m_error = 0;
  if (m_sockets != nullptr && m_handle != kInvalidSocket) m_sockets->Add(m_handle);
  StartWindow();
}

void CTcpStream::Close() {
  if (m_handle == kInvalidSocket) return;
  // Out of the list first, so that a concurrent Close all never touches a released handle.
  if (m_sockets != nullptr) m_sockets->Remove(m_handle);
  SocketClose(m_handle);
  m_handle = kInvalidSocket;
}

void CTcpStream::Shutdown() {
  SocketShutdown(m_handle);
}

void CTcpStream::SetConnectDeadline(int64_t deadline) {
  m_connectDeadline = deadline;
  if (deadline == 0) StartWindow();
}

void CTcpStream::StartWindow() {
  m_waited = 0;
  m_windowBytes = 0;
}

int CTcpStream::WaitLimit() const {
  int64_t limit = static_cast<int64_t>(m_stallTimeout) - m_waited;
  if (m_connectDeadline != 0) limit = std::min(limit, m_connectDeadline - NowMilliseconds());
  return static_cast<int>(std::clamp<int64_t>(limit, 0, INT32_MAX));
}

bool CTcpStream::CountWait(int64_t waited, int received) {
  m_waited += waited;
  if (received > 0) m_windowBytes += static_cast<uint64_t>(received);
  if (m_waited < static_cast<int64_t>(m_stallTimeout)) return true;
  // A full time-out of waiting: enough bytes make a slow connection, too few a stalled one.
  if (m_windowBytes < kStallMinimumBytes) {
    m_error = MakeError(kCategorySocket, SocketCode::kTimedOut);
    return false;
  }
  StartWindow();
  return true;
}

bool CTcpStream::Connect(const std::wstring& host, uint16_t port) {
  m_error = 0;
  std::string name = WideToLocal(host);
  std::vector<IpAddress> addresses(1);
  if (!ParseNumericAddress(name, addresses[0]) && !LookupHostAll(name, addresses)) return Fail();
  const int64_t deadline =
      m_connectDeadline != 0 ? m_connectDeadline : NowMilliseconds() + m_connectTimeout;
  uint16_t lastError = 0;
  for (size_t i = 0; i < addresses.size(); ++i) {
    const IpAddress& address = addresses[i];
    // A socket connects once: every address gets a fresh one of its family.
    if (m_handle == kInvalidSocket || m_family != address.family || i > 0) {
      if (!Open(address.family)) return false;
    }
    if (m_stopped && m_stopped()) {
      m_error = MakeError(kCategorySocket, SocketCode::kInterrupted);
      return false;
    }
    int64_t limit = std::clamp<int64_t>(deadline - NowMilliseconds(), 0, INT32_MAX);
    if (i + 1 < addresses.size()) limit = std::min(limit, kFallbackMilliseconds);
    if (SocketConnect(m_handle, address, port, static_cast<int>(limit))) return true;
    lastError = LastSocketError();
    if (NowMilliseconds() >= deadline) break;
  }
  m_error = MakeError(kCategorySocket, lastError != 0 ? lastError : SocketCode::kConnectionReset);
  return false;
}

int CTcpStream::Receive(void* buffer, int size, int flags) {
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
      Fail();
      return -1;
    }
    // A peek is received again right after it, so only the real receive counts its bytes.
    if (!CountWait(NowMilliseconds() - begin, (flags & kReceivePeek) ? 0 : received)) return -1;
    return received;
  }
}

int CTcpStream::Send(const void* data, int size) {
  // A new request: the answer's waits are measured afresh.
  StartWindow();
  int sent = SocketSend(m_handle, data, size, static_cast<int>(m_stallTimeout));
  if (sent < 1) {
    Fail();
    return -1;
  }
  return sent;
}

std::wstring CTcpStream::PeerHost() const {
  SocketAddress peer;
  if (m_handle == kInvalidSocket || !SocketPeerAddress(m_handle, peer)) return std::wstring();
  return LocalToWide(peer.address.Text());
}

bool CTcpStream::Bind(const IpAddress& address, uint16_t port) {
  return SocketBind(m_handle, address, port) || Fail();
}

bool CTcpStream::Listen(int backlog) {
  return SocketListen(m_handle, backlog) || Fail();
}

SocketHandle CTcpStream::Accept() {
  SocketHandle accepted = SocketAccept(m_handle, static_cast<int>(m_stallTimeout));
  if (accepted == kInvalidSocket) Fail();
  return accepted;
}

bool CTcpStream::LocalAddress(SocketAddress& address) {
  return SocketLocalAddress(m_handle, address) || Fail();
}

}  // namespace ferrow
