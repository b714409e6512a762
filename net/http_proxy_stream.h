#pragma once
// The HTTP proxy as a layer. The layer below connects to the proxy instead of the target, and
// then either
// - kForward: the HTTP client sends its requests to the proxy as they are, with the absolute
//   address as request target (ForwardsRequests), which is how plain HTTP goes through it; or
// - kTunnel: the layer asks the proxy with CONNECT for a connection to the target and, once
//   the proxy answers 2xx, passes the bytes through unchanged: the way for a protocol the proxy
//   must not read, such as an encrypted one.
// No credentials go to the proxy: nothing says how it wants them.
#include <memory>
#include <string>

#include "net/byte_stream.h"
#include "net/proxy_info.h"

namespace ferrow {

class CHttpProxyStream : public CStreamLayer {
 public:
  enum class Mode { kForward, kTunnel };

  // The longest answer to CONNECT read; a longer one is no answer.
  static constexpr size_t kMaxTunnelReply = 16384;

  CHttpProxyStream(std::unique_ptr<IByteStream> lower, CProxyInfo proxy, Mode mode);

  // A proxy port outside 0..65535 fails with 10049. In tunnel mode a refusing proxy fails with
  // its status (category 3), an answer that is not HTTP with category 3 code 500.
  bool Connect(const std::wstring& host, uint16_t port) override;
  // In tunnel mode the target; else the proxy at the other end.
  std::wstring PeerHost() const override;

  Mode GetMode() const { return m_mode; }

 private:
  bool OpenTunnel(const std::wstring& host, uint16_t port);

  CProxyInfo m_proxy;
  Mode m_mode;
  std::wstring m_target;
};

}  // namespace ferrow
