#include "platform/tls_channel.h"

#include <arpa/inet.h>
#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <atomic>
#include <climits>
#include <map>
#include <mutex>

namespace ferrow {

struct CTlsConfig::State {
  SSL_CTX* context = nullptr;
  bool usable = false;
  std::mutex lock;  // guards sessions
  std::map<std::string, SSL_SESSION*> sessions;
  std::atomic<uint32_t> full{0};
  std::atomic<uint32_t> resumed{0};
};

namespace {

// The index of the channel pointer in each SSL object's extra data.
int ChannelIndex() {
  static const int index = SSL_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr);
  return index;
}

bool IsAddressLiteral(const std::string& host) {
  unsigned char bytes[16];
  return inet_pton(AF_INET, host.c_str(), bytes) == 1 ||
         inet_pton(AF_INET6, host.c_str(), bytes) == 1;
}

TlsFailure FailureOfVerification(long result) {
  switch (result) {
    case X509_V_ERR_CERT_HAS_EXPIRED:
    case X509_V_ERR_CRL_HAS_EXPIRED:
      return TlsFailure::kExpired;
    case X509_V_ERR_CERT_NOT_YET_VALID:
    case X509_V_ERR_CRL_NOT_YET_VALID:
      return TlsFailure::kNotYetValid;
    case X509_V_ERR_HOSTNAME_MISMATCH:
    case X509_V_ERR_IP_ADDRESS_MISMATCH:
    case X509_V_ERR_EMAIL_MISMATCH:
      return TlsFailure::kWrongHost;
    default:
      return TlsFailure::kNotTrusted;
  }
}

}  // namespace

// The bridge from OpenSSL's input and output to the transport below the channel.
struct TlsBio {
  static int Write(BIO* bio, const char* data, int size) {
    auto* channel = static_cast<CTlsChannel*>(BIO_get_data(bio));
    BIO_clear_retry_flags(bio);
    int sent = channel->m_transport.TransportSend(data, size);
    if (sent < 0) channel->m_transportFailed = true;
    return sent;
  }
  static int Read(BIO* bio, char* buffer, int size) {
    auto* channel = static_cast<CTlsChannel*>(BIO_get_data(bio));
    BIO_clear_retry_flags(bio);
    int received = channel->m_transport.TransportReceive(buffer, size);
    if (received < 0) channel->m_transportFailed = true;
    if (received == 0) channel->m_transportClosed = true;
    return received;
  }
  static long Control(BIO*, int command, long, void*) { return command == BIO_CTRL_FLUSH ? 1 : 0; }
  static int Create(BIO* bio) {
    BIO_set_init(bio, 1);
    return 1;
  }
  static BIO_METHOD* Method() {
    static BIO_METHOD* method = [] {
      BIO_METHOD* m = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "ferrow transport");
      BIO_meth_set_write(m, Write);
      BIO_meth_set_read(m, Read);
      BIO_meth_set_ctrl(m, Control);
      BIO_meth_set_create(m, Create);
      return m;
    }();
    return method;
  }
  // A session the server handed out (with TLS 1.3 after the handshake): kept for the next
  // connection of the same key. Returning 1 keeps OpenSSL's reference.
  static int NewSession(SSL* ssl, SSL_SESSION* session) {
    auto* channel = static_cast<CTlsChannel*>(SSL_get_ex_data(ssl, ChannelIndex()));
    if (channel == nullptr || channel->m_sessionKey.empty()) return 0;
    CTlsConfig::State& state = *channel->m_config->m_state;
    std::lock_guard<std::mutex> hold(state.lock);
    SSL_SESSION*& kept = state.sessions[channel->m_sessionKey];
    if (kept != nullptr) SSL_SESSION_free(kept);
    kept = session;
    return 1;
  }
};

CTlsConfig::CTlsConfig(const TlsOptions& options)
    : m_state(std::make_unique<State>()), m_verify(options.verify) {
  SSL_CTX* context = SSL_CTX_new(TLS_client_method());
  m_state->context = context;
  if (context == nullptr) return;
  SSL_CTX_set_min_proto_version(context, TLS1_2_VERSION);
  // The sessions live in this object's map, offered by hand to the connections of one key.
  SSL_CTX_set_session_cache_mode(context, SSL_SESS_CACHE_CLIENT | SSL_SESS_CACHE_NO_INTERNAL_STORE);
  SSL_CTX_sess_set_new_cb(context, TlsBio::NewSession);
  // Read what the connection holds in one go rather than a record header and its body in two
  // receives each: a quarter of the system calls for a large download.
  SSL_CTX_set_read_ahead(context, 1);
  SSL_CTX_set_default_read_buffer_len(context, 64 * 1024);
  bool usable = true;
  if (options.verify) {
    SSL_CTX_set_verify(context, SSL_VERIFY_PEER, nullptr);
    SSL_CTX_set_default_verify_paths(context);
    if (!options.extraAuthority.empty())
      usable = SSL_CTX_load_verify_locations(context, options.extraAuthority.c_str(), nullptr) == 1;
  } else {
    SSL_CTX_set_verify(context, SSL_VERIFY_NONE, nullptr);
  }
  ERR_clear_error();
  m_state->usable = usable;
}

CTlsConfig::~CTlsConfig() {
  for (auto& [key, session] : m_state->sessions) SSL_SESSION_free(session);
  if (m_state->context != nullptr) SSL_CTX_free(m_state->context);
}

bool CTlsConfig::IsUsable() const {
  return m_state->context != nullptr && m_state->usable;
}

uint32_t CTlsConfig::FullHandshakes() const {
  return m_state->full.load();
}

uint32_t CTlsConfig::ResumedHandshakes() const {
  return m_state->resumed.load();
}

CTlsChannel::CTlsChannel(std::shared_ptr<CTlsConfig> config, ITlsTransport& transport)
    : m_config(std::move(config)), m_transport(transport) {}

CTlsChannel::~CTlsChannel() {
  if (m_ssl != nullptr) SSL_free(static_cast<SSL*>(m_ssl));
}

void CTlsChannel::Record(int result) {
  SSL* ssl = static_cast<SSL*>(m_ssl);
  const int kind = SSL_get_error(ssl, result);
  unsigned long code = ERR_peek_last_error();
  char text[256] = {};
  if (code != 0) ERR_error_string_n(code, text, sizeof(text));
  m_detail = text;
  ERR_clear_error();
  if (m_transportFailed) {
    m_failure = TlsFailure::kNone;
    return;
  }
  if (!m_established) {
    const long verified = SSL_get_verify_result(ssl);
    m_failure = verified != X509_V_OK && m_config->Verifies() ? FailureOfVerification(verified)
                                                              : TlsFailure::kHandshake;
    if (verified != X509_V_OK) m_detail = X509_verify_cert_error_string(verified);
    return;
  }
  // After the handshake a broken record or a cut-off stream is a broken connection.
  m_failure = TlsFailure::kNone;
  if (kind == SSL_ERROR_SYSCALL || kind == SSL_ERROR_SSL) m_transportClosed = true;
}

bool CTlsChannel::Handshake(const std::string& host, const std::string& sessionKey) {
  CTlsConfig::State& state = *m_config->m_state;
  if (!m_config->IsUsable()) {
    m_failure = TlsFailure::kNotTrusted;
    m_detail = "the trust anchors could not be read";
    return false;
  }
  SSL* ssl = SSL_new(state.context);
  if (ssl == nullptr) {
    m_failure = TlsFailure::kHandshake;
    return false;
  }
  m_ssl = ssl;
  m_sessionKey = sessionKey;
  SSL_set_ex_data(ssl, ChannelIndex(), this);
  BIO* bio = BIO_new(TlsBio::Method());
  BIO_set_data(bio, this);
  SSL_set_bio(ssl, bio, bio);
  // A read that meets a record without data (a session ticket) goes on by itself.
  SSL_set_mode(ssl, SSL_MODE_AUTO_RETRY);
  const bool literal = IsAddressLiteral(host);
  if (!literal) SSL_set_tlsext_host_name(ssl, host.c_str());
  if (m_config->Verifies()) {
    X509_VERIFY_PARAM* param = SSL_get0_param(ssl);
    X509_VERIFY_PARAM_set_hostflags(param, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
    if (literal) {
      X509_VERIFY_PARAM_set1_ip_asc(param, host.c_str());
    } else {
      SSL_set1_host(ssl, host.c_str());
    }
  }
  if (!sessionKey.empty()) {
    std::lock_guard<std::mutex> hold(state.lock);
    auto kept = state.sessions.find(sessionKey);
    if (kept != state.sessions.end()) SSL_set_session(ssl, kept->second);
  }
  const int result = SSL_connect(ssl);
  if (result != 1) {
    Record(result);
    return false;
  }
  m_established = true;
  (SSL_session_reused(ssl) ? state.resumed : state.full)++;
  // TLS 1.2 gives the session with the handshake; TLS 1.3 hands it out later (NewSession).
  if (!sessionKey.empty() && SSL_version(ssl) < TLS1_3_VERSION) {
    SSL_SESSION* session = SSL_get1_session(ssl);
    if (session != nullptr && TlsBio::NewSession(ssl, session) == 0) SSL_SESSION_free(session);
  }
  return true;
}

int CTlsChannel::Read(void* buffer, int size, bool peek) {
  SSL* ssl = static_cast<SSL*>(m_ssl);
  if (ssl == nullptr || !m_established) return -1;
  const int result = peek ? SSL_peek(ssl, buffer, size) : SSL_read(ssl, buffer, size);
  if (result > 0) {
    // One record is at most 16 KiB: take every whole record already received too, so that
    // the caller writes large blocks. Nothing here waits for the network.
    int total = result;
    while (!peek && total < size && SSL_has_pending(ssl) == 1) {
      const int more = SSL_read(ssl, static_cast<char*>(buffer) + total, size - total);
      if (more <= 0) break;
      total += more;
    }
    ERR_clear_error();
    return total;
  }
  if (SSL_get_error(ssl, result) == SSL_ERROR_ZERO_RETURN) return 0;
  Record(result);
  return -1;
}

int CTlsChannel::Write(const void* data, int size) {
  SSL* ssl = static_cast<SSL*>(m_ssl);
  if (ssl == nullptr || !m_established) return -1;
  if (size <= 0) return 0;
  const int result = SSL_write(ssl, data, size);
  if (result > 0) return result;
  Record(result);
  return -1;
}

void CTlsChannel::Close() {
  SSL* ssl = static_cast<SSL*>(m_ssl);
  if (ssl == nullptr || !m_established || m_transportFailed) return;
  SSL_shutdown(ssl);
  ERR_clear_error();
  m_established = false;
}

bool CTlsChannel::SessionReused() const {
  return m_ssl != nullptr && SSL_session_reused(static_cast<SSL*>(m_ssl)) == 1;
}

}  // namespace ferrow
