#include "net/proxy_socket.h"

#include <cstdio>
#include <cstring>
#include <functional>

#include "net/chunked_stream.h"
#include "net/connection_pool.h"
#include "net/http_proxy_stream.h"
#include "net/http_response.h"
#include "net/log_info.h"
#include "net/socks5_stream.h"
#include "net/tcp_stream.h"
#include "net/tls_stream.h"
#include "net/transfer_info.h"
#include "net/transfer_settings.h"
#include "platform/text.h"

namespace ferrow {

CProxySocket::CProxySocket(const CClientContext& context)
    : CClientContext(context),
      m_connectTimeout(context.Settings() != nullptr ? context.Settings()->GetConnectTimeout()
                                                     : kDefaultConnectTimeout),
      m_stallTimeout(context.Settings() != nullptr ? context.Settings()->GetStallTimeout()
                                                   : kDefaultStallTimeout) {}

CProxySocket::~CProxySocket() {
  Close();
}

void CProxySocket::SetHttpProxy(const CProxyInfo& proxy, bool tunnel) {
  m_httpProxy = proxy;
  m_tunnel = tunnel;
}

bool CProxySocket::IsOpen() const {
  return m_tcp != nullptr && m_tcp->IsOpen();
}

SocketHandle CProxySocket::Handle() const {
  return m_tcp != nullptr ? m_tcp->Handle() : kInvalidSocket;
}

bool CProxySocket::Create() {
  Close();
  if (Settings() != nullptr) {
    m_connectTimeout = Settings()->GetConnectTimeout();
    m_stallTimeout = Settings()->GetStallTimeout();
  }
  auto tcp = std::make_unique<CTcpStream>(Sockets(), m_connectTimeout, m_stallTimeout);
  m_tcp = tcp.get();
  m_stream = std::move(tcp);
  m_tcp->SetStopCheck([this] { return CheckStop(0); });
  if (!m_tcp->Open(IpAddress::Family::kIpv4)) return ReportFailure();
  // A stop that came before the socket joined the list did not shut it down; catch it here
  // (the stop event is set before the list is closed, so one of the two always sees it).
  if (CheckStop(0)) return ReportFailure();
  return true;
}

void CProxySocket::Close() {
  // The bottom leaves the socket list before its handle is released, so that a concurrent
  // Close all never touches a released handle.
  if (m_stream) m_stream->Close();
  m_stream.reset();
  ForgetConnection();
}

void CProxySocket::ForgetConnection() {
  m_tcp = nullptr;
  m_tls = nullptr;
  m_connected = false;
  m_pending = 0;
  m_bodyLeft = -1;
  m_keepAlive = false;
}

void CProxySocket::TakeConnection(CProxySocket& from) {
  Close();
  m_stream = std::move(from.m_stream);
  m_tcp = from.m_tcp;
  m_tls = from.m_tls;
  m_tlsKey = from.m_tlsKey;
  m_bypassed = from.m_bypassed;
  m_connected = from.m_connected;
  m_targetHost = from.m_targetHost;
  m_targetPort = from.m_targetPort;
  m_pending = from.m_pending;
  m_bodyLeft = from.m_bodyLeft;
  m_keepAlive = from.m_keepAlive;
  m_httpProxy = from.m_httpProxy;
  m_tunnel = from.m_tunnel;
  from.m_tcp = nullptr;
  from.m_tls = nullptr;
  from.Close();
  // A stop of this socket's transfer must break the connection's waits.
  if (m_tcp != nullptr) m_tcp->SetStopCheck([this] { return CheckStop(0); });
}

std::wstring CProxySocket::PoolKey(const std::wstring& host, uint16_t port) const {
  std::wstring key = host + L"\n" + std::to_wstring(port) + L"\n" + m_tlsKey;
  if (Settings() == nullptr) return key;
  if (!m_tlsKey.empty()) {
    const TlsOptions options = Settings()->GetTlsOptions();
    key += L"\ntls " + std::to_wstring(options.verify) + L" " + Utf8ToWide(options.extraAuthority);
  }
  if (Settings()->BypassesProxy(host)) return key;
  const auto proxyText = [](const CProxyInfo& proxy) {
    return proxy.m_server + L" " + std::to_wstring(proxy.m_port) + L" " + proxy.m_user + L" " +
           proxy.m_password + L" " + std::to_wstring(proxy.m_remoteNames);
  };
  const CProxyInfo socks = Settings()->GetSocksProxy();
  if (socks.m_enabled) key += L"\nsocks " + proxyText(socks);
  if (m_httpProxy.m_enabled)
    key += (m_tunnel ? L"\ntunnel " : L"\nforward ") + proxyText(m_httpProxy);
  return key;
}

bool CProxySocket::TakeFromPool(CConnectionPool& pool, const std::wstring& host, uint16_t port) {
  CConnectionPool::Connection kept;
  if (!pool.Take(PoolKey(host, port), kept)) return false;
  Close();
  if (Settings() != nullptr) {
    m_connectTimeout = Settings()->GetConnectTimeout();
    m_stallTimeout = Settings()->GetStallTimeout();
  }
  m_stream = std::move(kept.stream);
  m_tcp = kept.tcp;
  m_tls = kept.tls;
  m_tcp->Attach(Sockets(), m_connectTimeout, m_stallTimeout);
  m_tcp->SetStopCheck([this] { return CheckStop(0); });
  m_targetHost = host;
  m_targetPort = port;
  m_bypassed = Settings() != nullptr && Settings()->BypassesProxy(host);
  m_connected = true;
  // As after a connect: a stop that came before the socket joined the list is caught here.
  if (CheckStop(0)) return ReportFailure();
  return true;
}

void CProxySocket::PutInPool(CConnectionPool& pool) {
  if (!m_connected || !m_stream || m_tcp == nullptr || m_bodyLeft != 0 || !m_keepAlive) {
    Close();
    return;
  }
  CConnectionPool::Connection kept{std::move(m_stream), m_tcp, m_tls};
  const std::wstring key = PoolKey(m_targetHost, m_targetPort);
  ForgetConnection();
  pool.Put(key, std::move(kept));
}

void CProxySocket::AddLayers() {
  CProxyInfo socks;
  if (Settings() != nullptr) socks = Settings()->GetSocksProxy();
  // A host on the bypass list is reached directly, whatever proxies are set.
  m_bypassed = Settings() != nullptr && Settings()->BypassesProxy(m_targetHost);
  if (m_bypassed) return;
  if (socks.m_enabled) m_stream = std::make_unique<CSocks5Stream>(std::move(m_stream), socks);
  if (m_httpProxy.m_enabled) {
    m_stream = std::make_unique<CHttpProxyStream>(
        std::move(m_stream), m_httpProxy,
        m_tunnel ? CHttpProxyStream::Mode::kTunnel : CHttpProxyStream::Mode::kForward);
  }
  if (!m_tlsKey.empty()) {
    auto tls = std::make_unique<CTlsStream>(std::move(m_stream), TlsConfig(), WideToUtf8(m_tlsKey));
    m_tls = tls.get();
    m_stream = std::move(tls);
  }
}

std::shared_ptr<CTlsConfig> CProxySocket::TlsConfig() const {
  TlsOptions options;
  if (Settings() != nullptr) options = Settings()->GetTlsOptions();
  if (Transfer() != nullptr) return Transfer()->TlsConfig(options);
  return std::make_shared<CTlsConfig>(options);
}

bool CProxySocket::StartTls(const std::wstring& host, const std::wstring& sessionKey) {
  if (!m_stream || !m_connected) return ReportFailure(0, SocketCode::kNotConnected);
  auto tls = std::make_unique<CTlsStream>(std::move(m_stream), TlsConfig(), WideToUtf8(sessionKey));
  CTlsStream* layer = tls.get();
  m_stream = std::move(tls);
  m_tls = layer;
  m_pending = 0;
  if (layer->Handshake(host)) return true;
  LogTlsFailure(host);
  return ReportFailure();
}

void CProxySocket::DecodeChunkedBody() {
  if (m_stream) m_stream = std::make_unique<CChunkedStream>(std::move(m_stream));
}

bool CProxySocket::SessionReused() const {
  return m_tls != nullptr && m_tls->SessionReused();
}

void CProxySocket::LogTlsFailure(const std::wstring& host) {
  if (m_tls == nullptr || ErrorCategoryOf(m_tls->Error()) != kCategoryTls || CheckStop(0)) return;
  const std::string& detail = m_tls->Detail();
  AddLogLine(LogKind::kNotice, L"The secure connection to " + host + L" failed" +
                                   (detail.empty() ? L"" : L": " + Utf8ToWide(detail)) + L".");
}

bool CProxySocket::Connect(const std::wstring& host, uint16_t port) {
  m_targetHost = host;
  m_targetPort = port;
  // The layers go on a fresh bottom only: a socket connects once per Create.
  if (m_tcp == nullptr || m_stream.get() != m_tcp || m_connected) {
    if (!Create()) return false;
  }
  AddLayers();
  // The whole chain, proxy negotiations included, stands within the connect time-out.
  m_tcp->SetConnectDeadline(CTcpStream::NowMilliseconds() + m_connectTimeout);
  const bool connected = m_stream->Connect(host, port);
  m_tcp->SetConnectDeadline(0);
  if (!connected) {
    LogTlsFailure(host);
    return ReportFailure();
  }
  m_connected = true;
  return true;
}

bool CProxySocket::RawConnect(const std::wstring& host, uint16_t port) {
  if (m_tcp == nullptr && !Create()) return false;
  m_tcp->SetConnectDeadline(CTcpStream::NowMilliseconds() + m_connectTimeout);
  const bool connected = m_tcp->Connect(host, port);
  m_tcp->SetConnectDeadline(0);
  return connected || ReportFailure();
}

int CProxySocket::Receive(void* buffer, int size, int flags) {
  if (size <= 0) return 0;
  if (!m_stream) {
    ReportFailure(0, SocketCode::kNotConnected);
    return -1;
  }
  if (m_bodyLeft > 0 && size > m_bodyLeft) size = static_cast<int>(m_bodyLeft);
  int received = m_stream->Receive(buffer, size, flags);
  if (received < 0) {
    ReportFailure();
    return -1;
  }
  if (m_bodyLeft > 0 && received > 0 && (flags & kReceivePeek) == 0) m_bodyLeft -= received;
  if (received == 0) {
    ReportFailure(MakeError(kCategorySocket, SocketCode::kDisconnected));
    return -1;
  }
  return received;
}

int CProxySocket::ReceiveUntilEnd(void* buffer, int size) {
  if (!m_stream) {
    ReportFailure(0, SocketCode::kNotConnected);
    return -1;
  }
  if (m_bodyLeft > 0 && size > m_bodyLeft) size = static_cast<int>(m_bodyLeft);
  int received = m_stream->Receive(buffer, size, 0);
  if (received < 0) ReportFailure();
  if (m_bodyLeft > 0 && received > 0) m_bodyLeft -= received;
  return received;
}

int CProxySocket::Send(const void* data, int size) {
  if (size == 0) size = static_cast<int>(std::strlen(static_cast<const char*>(data)));
  if (!m_stream) {
    ReportFailure(0, SocketCode::kNotConnected);
    return -1;
  }
  int sent = m_stream->Send(data, size);
  if (sent < 0) {
    ReportFailure();
    return -1;
  }
  return sent;
}

int CProxySocket::ReadThrough(char* buffer, int size,
                              const std::function<int(int stored, int available)>& findEnd,
                              bool& found) {
  found = false;
  if (size < 1) return -1;
  int stored = 0;
  m_pending = 0;
  buffer[0] = '\0';
  while (!found && stored < size - 1) {
    int peeked = Receive(buffer + stored, size - 1 - stored, kReceivePeek);
    if (peeked < 0) return -1;
    const int end = findEnd(stored, stored + peeked);
    found = end > stored;
    const int take = found ? end - stored : peeked;
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

int CProxySocket::ReadLine(char* buffer, int size, const char* terminator) {
  const int length = static_cast<int>(std::strlen(terminator));
  // The terminator may straddle what is stored already and what was just peeked.
  const auto findEnd = [&](int stored, int available) {
    for (int i = stored >= length ? stored - length + 1 : 0; length > 0 && i + length <= available;
         ++i) {
      if (std::memcmp(buffer + i, terminator, static_cast<size_t>(length)) == 0) return i + length;
    }
    return -1;
  };
  bool found = false;
  return ReadThrough(buffer, size, findEnd, found);
}

int CProxySocket::ReadHeaderBlock(char* buffer, int size, bool& complete) {
  // The empty line may straddle what is stored already and what was just peeked: look from
  // the line end that may begin it.
  const auto findEnd = [&](int stored, int available) {
    for (int i = stored >= 2 ? stored - 2 : 0; i < available; ++i) {
      if (buffer[i] != '\n') continue;
      if (i + 1 < available && buffer[i + 1] == '\n' && i + 2 > stored) return i + 2;
      if (i + 2 < available && buffer[i + 1] == '\r' && buffer[i + 2] == '\n' && i + 3 > stored)
        return i + 3;
    }
    return -1;
  };
  return ReadThrough(buffer, size, findEnd, complete);
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
  if (m_tcp == nullptr || !m_tcp->Listen(backlog)) return ReportFailure();
  return true;
}

bool CProxySocket::Accept(CProxySocket& into) {
  SocketHandle accepted = m_tcp != nullptr ? m_tcp->Accept() : kInvalidSocket;
  if (accepted == kInvalidSocket) return ReportFailure();
  into.Close();
  static_cast<CClientContext&>(into) = Context();
  auto tcp = std::make_unique<CTcpStream>(into.Sockets(), m_connectTimeout, m_stallTimeout);
  tcp->Adopt(accepted);
  into.m_tcp = tcp.get();
  into.m_stream = std::move(tcp);
  into.m_connected = true;
  return true;
}

bool CProxySocket::BindLike(const CProxySocket& peer) {
  SocketAddress local;
  if (peer.m_tcp == nullptr || !peer.m_tcp->LocalAddress(local)) return ReportFailure();
  if (m_tcp == nullptr || !m_tcp->Bind(local.address, 0)) return ReportFailure();
  return true;
}

bool CProxySocket::ListenLike(const CProxySocket& peer) {
  return Create() && BindLike(peer) && Listen(1);
}

std::wstring CProxySocket::PortText() {
  SocketAddress local;
  if (m_tcp == nullptr || !m_tcp->LocalAddress(local)) {
    ReportFailure();
    return std::wstring();
  }
  // The PORT command carries IPv4 only.
  const uint32_t address = local.address.ToIpv4();
  char text[32];
  std::snprintf(text, sizeof(text), "%u,%u,%u,%u,%u,%u", (address >> 24) & 0xFF,
                (address >> 16) & 0xFF, (address >> 8) & 0xFF, address & 0xFF,
                (local.port >> 8) & 0xFF, local.port & 0xFF);
  return LocalToWide(text);
}

std::wstring CProxySocket::ExtendedPortText() {
  SocketAddress local;
  if (m_tcp == nullptr || !m_tcp->LocalAddress(local)) {
    ReportFailure();
    return std::wstring();
  }
  std::string text = local.address.IsIpv4() ? "|1|" : "|2|";
  text += local.address.Text();
  text += '|';
  text += std::to_string(local.port);
  text += '|';
  return LocalToWide(text);
}

bool CProxySocket::IsIpv6() const {
  SocketAddress local;
  return m_tcp != nullptr && m_tcp->IsOpen() && m_tcp->LocalAddress(local) &&
         !local.address.IsIpv4();
}

std::wstring CProxySocket::PeerHost() const {
  return m_stream ? m_stream->PeerHost() : std::wstring();
}

bool CProxySocket::ReportFailure(ErrorValue error, uint16_t fallback) {
  if (!CheckStop(0)) {
    if (error == 0 && m_stream) error = m_stream->Error();
    if (error == 0) error = MakeError(kCategorySocket, fallback);
    ReportError(error);
  }
  Close();
  return false;
}

}  // namespace ferrow
