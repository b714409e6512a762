#pragma once
// One layer of a connection. A connection is a chain of layers, each speaking to the one below:
// TCP at the bottom (CTcpStream), proxy tunnels above it (CSocks5Stream, CHttpProxyStream), and
// an encrypting layer on top once there is one. A protocol client sees only the top of the
// chain, through its CProxySocket, and never learns what is underneath.
//
// Calls block. A stop from another thread shuts the bottom socket down (the transfer's socket
// list), which ends every blocked call of every layer at once; the time-outs live at the bottom
// too, where the waiting happens. A failed call records its error (a packed error value) in the
// layer that failed, and Error() of the top names it. A chain belongs to one thread.
#include <cstdint>
#include <memory>
#include <string>

#include "platform/error_code.h"

namespace ferrow {

class IByteStream {
 public:
  virtual ~IByteStream() = default;

  // Connects this layer, and first every layer below it, so that the chain carries a
  // connection to host and port: the bottom opens the TCP connection to its next hop, each
  // tunnel asks its proxy for the target of the layer above.
  virtual bool Connect(const std::wstring& host, uint16_t port) = 0;
  // One send of at most size bytes: the bytes sent, -1 on failure.
  virtual int Send(const void* data, int size) = 0;
  // One receive of at most size bytes: the bytes received, 0 when the peer closed the connection
  // in good order, -1 on failure. With kReceivePeek the bytes stay for the next receive.
  virtual int Receive(void* buffer, int size, int flags) = 0;
  // Ends the connection in both directions; blocked calls return.
  virtual void Shutdown() = 0;
  // Releases the connection of this layer and of every layer below.
  virtual void Close() = 0;
  // The error of the last failed call of this layer or of a layer below; 0 when none.
  virtual ErrorValue Error() const = 0;
  // The host at the other end as this layer knows it: the peer's address at the bottom, the
  // target a tunnel asked its proxy for. Empty when it cannot be told.
  virtual std::wstring PeerHost() const = 0;
};

// A layer over another one, which it owns: by default every call goes down unchanged.
class CStreamLayer : public IByteStream {
 public:
  explicit CStreamLayer(std::unique_ptr<IByteStream> lower) : m_lower(std::move(lower)) {}

  bool Connect(const std::wstring& host, uint16_t port) override;
  int Send(const void* data, int size) override { return m_lower->Send(data, size); }
  int Receive(void* buffer, int size, int flags) override {
    return m_lower->Receive(buffer, size, flags);
  }
  void Shutdown() override { m_lower->Shutdown(); }
  void Close() override { m_lower->Close(); }
  ErrorValue Error() const override { return m_error != 0 ? m_error : m_lower->Error(); }
  std::wstring PeerHost() const override { return m_lower->PeerHost(); }

 protected:
  IByteStream& Lower() { return *m_lower; }
  // Records this layer's own failure; returns false for use in return statements.
  bool Fail(ErrorValue error);

  ErrorValue m_error = 0;

 private:
  std::unique_ptr<IByteStream> m_lower;
};

}  // namespace ferrow
