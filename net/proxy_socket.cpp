#include "net/proxy_socket.h"

#include <cstdio>
#include <cstring>

#include "net/proxy_info.h"
#include "net/socket_list.h"
#include "net/socks5_negotiation.h"
#include "net/transfer_settings.h"
#include "platform/text.h"

namespace ferrow {

CProxySocket::CProxySocket(const CClientContext& context) : CClientContext(context) {}

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
  m_connected = true;
  return true;
}

bool CProxySocket::RawConnect(const std::wstring& host, uint16_t port) {
  if (m_handle == kInvalidSocket && !Create()) return false;
  std::string name = WideToLocal(host);
  uint32_t address = 0;
  if (!ParseDottedAddress(name, address) && !LookupHost(name, address)) return ReportFailure();
  if (!SocketConnect(m_handle, address, port)) return ReportFailure();
  return true;
}

int CProxySocket::Receive(void* buffer, int size, int flags) {
  if (size <= 0) return 0;
  int received = SocketReceive(m_handle, buffer, size, flags);
  if (received < 1) {
    ReportFailure();
    return -1;
  }
  return received;
}

int CProxySocket::Send(const void* data, int size) {
  if (size == 0) size = static_cast<int>(std::strlen(static_cast<const char*>(data)));
  int sent = SocketSend(m_handle, data, size);
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
  SocketHandle accepted = SocketAccept(m_handle);
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

bool CProxySocket::ReportFailure() {
  uint16_t code = LastSocketError();
  if (!CheckStop(0)) {
    if (code == SocketCode::kNoData) code = SocketCode::kHostNotFound;
    if (code == 0) code = SocketCode::kConnectionReset;
    ReportError(MakeError(kCategorySocket, code));
  }
  Close();
  return false;
}

}  // namespace ferrow
