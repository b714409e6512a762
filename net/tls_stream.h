#pragma once
// The encrypting layer: TLS over the layer below (TCP, or a proxy tunnel), through the one
// interface that wraps OpenSSL (platform/tls_channel.h). Goes on top of the chain for https://
// (above an HTTP proxy in tunnel mode), or onto a standing plain connection when a protocol
// upgrades it (FTP's AUTH TLS).
//
// A failed handshake records category 5 with the reason (kNotTrusted, kExpired, kWrongHost,
// kNotYetValid, kHandshake), none of which is retried; a failure of the layer below keeps that
// layer's error; a connection that breaks or is cut off after the handshake is the retryable
// 10054 or 10101 of a plain one.
#include <memory>
#include <string>

#include "net/byte_stream.h"
#include "platform/tls_channel.h"

namespace ferrow {

class CTlsStream : public CStreamLayer, private ITlsTransport {
 public:
  // Sessions are offered and kept under sessionKey (empty: none), so the connections of one
  // download, or an FTP control connection and its data connections, resume one session.
  CTlsStream(std::unique_ptr<IByteStream> lower, std::shared_ptr<CTlsConfig> config,
             std::string sessionKey);
  ~CTlsStream() override;

  // Connects the layers below to host and port, then the handshake for host.
  bool Connect(const std::wstring& host, uint16_t port) override;
  // The handshake alone, over a connection the layers below already carry.
  bool Handshake(const std::wstring& host);
  int Send(const void* data, int size) override;
  int Receive(void* buffer, int size, int flags) override;
  void Close() override;

  bool SessionReused() const { return m_channel.SessionReused(); }
  // OpenSSL's words for the last failure.
  const std::string& Detail() const { return m_channel.Detail(); }

 private:
  int TransportSend(const void* data, int size) override;
  int TransportReceive(void* buffer, int size) override;
  // Records the channel's failure as this layer's error (none when the layer below failed).
  void RecordFailure();

  std::string m_sessionKey;
  CTlsChannel m_channel;
};

}  // namespace ferrow
