#pragma once
// A SOCKS 5 tunnel: connects the layer below to the proxy and asks the proxy for the target
// (socks5_negotiation.h). Afterwards the bytes pass through unchanged.
#include <memory>
#include <string>

#include "net/byte_stream.h"
#include "net/proxy_info.h"

namespace ferrow {

class CSocks5Stream : public CStreamLayer {
 public:
  CSocks5Stream(std::unique_ptr<IByteStream> lower, CProxyInfo proxy);

  // A login the greeting cannot carry fails (category 0 code 87) before anything is sent, and
  // a proxy port outside 0..65535 with 10049.
  bool Connect(const std::wstring& host, uint16_t port) override;
  // The target asked for, as the proxy's address says nothing about it.
  std::wstring PeerHost() const override { return m_target; }

 private:
  CProxyInfo m_proxy;
  std::wstring m_target;
};

}  // namespace ferrow
