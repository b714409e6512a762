#pragma once
// TLS over any byte transport: the one place that talks to OpenSSL, so that no other file
// includes its headers. A CTlsConfig holds what one download's connections share (the trust
// anchors, whether certificates are checked at all, and the sessions to resume); a CTlsChannel
// encrypts one connection through an ITlsTransport, the layer below it.
//
// Verification is on unless TlsOptions says otherwise: the chain must lead to a certificate of
// the system's trust store (or the extra file given), and the certificate must name the host
// (or the address) that was asked for. TLS 1.2 is the oldest version spoken.
#include <cstdint>
#include <memory>
#include <string>

namespace ferrow {

// The connection below TLS. Both calls block; a failure is the transport's own error, which its
// owner reads after the channel reports TransportFailed().
class ITlsTransport {
 public:
  // Bytes sent, -1 on failure.
  virtual int TransportSend(const void* data, int size) = 0;
  // Bytes received, 0 when the peer closed the connection, -1 on failure.
  virtual int TransportReceive(void* buffer, int size) = 0;

 protected:
  ~ITlsTransport() = default;
};

struct TlsOptions {
  bool verify = true;            // false: any certificate is taken (the user asked for it)
  std::string extraAuthority{};  // a PEM file of trust anchors besides the system's
};

// Why a handshake or a later call failed (the codes of TlsCode in error_code.h).
enum class TlsFailure : uint16_t {
  kNone = 0,
  kNotTrusted = 1,
  kExpired = 2,
  kWrongHost = 3,
  kHandshake = 4,
  kNotYetValid = 5,
};

class CTlsConfig {
 public:
  // Thread-safe once made: the connections of every part share one.
  explicit CTlsConfig(const TlsOptions& options);
  ~CTlsConfig();
  CTlsConfig(const CTlsConfig&) = delete;
  CTlsConfig& operator=(const CTlsConfig&) = delete;

  // False when the extra trust anchors could not be read (or OpenSSL could not start).
  bool IsUsable() const;
  bool Verifies() const { return m_verify; }
  // Full handshakes and resumed ones of every channel made with this configuration.
  uint32_t FullHandshakes() const;
  uint32_t ResumedHandshakes() const;

 private:
  friend class CTlsChannel;
  friend struct TlsBio;
  struct State;
  std::unique_ptr<State> m_state;
  bool m_verify;
};

class CTlsChannel {
 public:
  // Both must outlive the channel.
  CTlsChannel(std::shared_ptr<CTlsConfig> config, ITlsTransport& transport);
  ~CTlsChannel();
  CTlsChannel(const CTlsChannel&) = delete;
  CTlsChannel& operator=(const CTlsChannel&) = delete;

  // The client's handshake for host (a name, or an address in text form, which then is what
  // the certificate must name). A session kept under sessionKey is offered for resumption, and
  // the sessions the server hands out later are kept under it.
  bool Handshake(const std::string& host, const std::string& sessionKey);
  // Bytes read (with peek they stay for the next read), 0 when the peer ended the session in
  // good order, -1 on failure.
  int Read(void* buffer, int size, bool peek);
  // Bytes written (all of them), -1 on failure.
  int Write(const void* data, int size);
  // Tells the peer the session ends (best effort, never waits for its answer).
  void Close();

  // Why the last call failed; kNone when the transport below failed (TransportFailed) or the
  // connection broke after the handshake.
  TlsFailure Failure() const { return m_failure; }
  bool TransportFailed() const { return m_transportFailed; }
  // The peer closed the connection without ending the session (a cut-off stream).
  bool TransportClosed() const { return m_transportClosed; }
  bool SessionReused() const;
  // OpenSSL's words for the last failure, for the transfer log.
  const std::string& Detail() const { return m_detail; }

 private:
  friend struct TlsBio;
  // Sets Failure and Detail from a failed OpenSSL call's result.
  void Record(int result);

  std::shared_ptr<CTlsConfig> m_config;
  ITlsTransport& m_transport;
  void* m_ssl = nullptr;  // SSL*
  std::string m_sessionKey;
  TlsFailure m_failure = TlsFailure::kNone;
  bool m_transportFailed = false;
  bool m_transportClosed = false;
  bool m_established = false;
  std::string m_detail;
};

}  // namespace ferrow
