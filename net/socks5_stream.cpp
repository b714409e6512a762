#include "net/socks5_stream.h"

#include "net/socks5_negotiation.h"

namespace ferrow {

CSocks5Stream::CSocks5Stream(std::unique_ptr<IByteStream> lower, CProxyInfo proxy)
    : CStreamLayer(std::move(lower)), m_proxy(std::move(proxy)) {}

bool CSocks5Stream::Connect(const std::wstring& host, uint16_t port) {
  m_error = 0;
  m_target.clear();
  ErrorValue error = 0;
  if (!CheckSocks5Login(m_proxy, error)) return Fail(error);
  if (m_proxy.m_port < 0 || m_proxy.m_port > 65535)
    return Fail(MakeError(kCategorySocket, SocketCode::kAddressNotAvailable));
  if (!CStreamLayer::Connect(m_proxy.m_server, static_cast<uint16_t>(m_proxy.m_port))) return false;
  if (!NegotiateSocks5(Lower(), m_proxy, host, port, error))
    return error != 0 ? Fail(error) : false;
  m_target = host;
  return true;
}

}  // namespace ferrow
