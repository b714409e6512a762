#include "net/http_proxy_stream.h"

#include <string>

#include "net/debug_output.h"
#include "net/http_response.h"
#include "platform/text.h"

namespace ferrow {

namespace {

constexpr uint16_t kUnusableResponse = 500;

}  // namespace

CHttpProxyStream::CHttpProxyStream(std::unique_ptr<IByteStream> lower, CProxyInfo proxy, Mode mode)
    : CStreamLayer(std::move(lower)), m_proxy(std::move(proxy)), m_mode(mode) {}

bool CHttpProxyStream::Connect(const std::wstring& host, uint16_t port) {
  m_error = 0;
  m_target.clear();
  if (m_proxy.m_port < 0 || m_proxy.m_port > 65535)
    return Fail(MakeError(kCategorySocket, SocketCode::kAddressNotAvailable));
  if (!CStreamLayer::Connect(m_proxy.m_server, static_cast<uint16_t>(m_proxy.m_port))) return false;
  if (m_mode == Mode::kTunnel && !OpenTunnel(host, port)) return false;
  m_target = host;
  return true;
}

std::wstring CHttpProxyStream::PeerHost() const {
  return m_mode == Mode::kTunnel ? m_target : CStreamLayer::PeerHost();
}

bool CHttpProxyStream::OpenTunnel(const std::wstring& host, uint16_t port) {
  const std::string authority =
      WideToLocal(EscapeControlCharacters(host)) + ":" + std::to_string(port);
  const std::string request =
      "CONNECT " + authority + " HTTP/1.1\r\nHost: " + authority + "\r\n\r\n";
  DebugOutput(request);
  for (size_t sent = 0; sent < request.size();) {
    int n = Lower().Send(request.data() + sent, static_cast<int>(request.size() - sent));
    if (n < 0) return false;
    sent += static_cast<size_t>(n);
  }
  // The answer is read a byte at a time, so that nothing of the tunnel's first bytes is taken.
  std::string reply;
  while (reply.size() < 4 || reply.compare(reply.size() - 4, 4, "\r\n\r\n") != 0) {
    if (reply.size() >= kMaxTunnelReply) return Fail(MakeError(kCategoryHttp, kUnusableResponse));
    char byte = 0;
    int n = Lower().Receive(&byte, 1, 0);
    if (n < 0) return false;
    if (n == 0) return Fail(MakeError(kCategorySocket, SocketCode::kDisconnected));
    reply += byte;
  }
  DebugOutput(reply);
  const uint32_t status = ParseStatusCode(reply.substr(0, reply.find('\n')));
  if (status == 0) return Fail(MakeError(kCategoryHttp, kUnusableResponse));
  if (status < 200 || status > 299)
    return Fail(MakeError(kCategoryHttp, static_cast<uint16_t>(status)));
  return true;
}

}  // namespace ferrow
