#include "net/tls_stream.h"

#include "platform/socket.h"
#include "platform/text.h"

namespace ferrow {

CTlsStream::CTlsStream(std::unique_ptr<IByteStream> lower, std::shared_ptr<CTlsConfig> config,
                       std::string sessionKey)
    : CStreamLayer(std::move(lower)),
      m_sessionKey(std::move(sessionKey)),
      m_channel(std::move(config), *this) {}

CTlsStream::~CTlsStream() = default;

bool CTlsStream::Connect(const std::wstring& host, uint16_t port) {
  m_error = 0;
  if (!CStreamLayer::Connect(host, port)) return false;
  return Handshake(host);
}

bool CTlsStream::Handshake(const std::wstring& host) {
  m_error = 0;
  if (m_channel.Handshake(WideToLocal(host), m_sessionKey)) return true;
  RecordFailure();
  return false;
}

void CTlsStream::RecordFailure() {
  if (m_channel.TransportFailed()) return;  // the layer below holds the cause
  if (m_channel.Failure() != TlsFailure::kNone) {
    m_error = MakeError(kCategoryTls, static_cast<uint16_t>(m_channel.Failure()));
    return;
  }
  m_error = MakeError(kCategorySocket, m_channel.TransportClosed() ? SocketCode::kDisconnected
                                                                   : SocketCode::kConnectionReset);
}

int CTlsStream::Send(const void* data, int size) {
  int sent = m_channel.Write(data, size);
  if (sent < 0) RecordFailure();
  return sent;
}

int CTlsStream::Receive(void* buffer, int size, int flags) {
  int received = m_channel.Read(buffer, size, (flags & kReceivePeek) != 0);
  if (received < 0) RecordFailure();
  return received;
}

void CTlsStream::Close() {
  m_channel.Close();
  CStreamLayer::Close();
}

int CTlsStream::TransportSend(const void* data, int size) {
  return Lower().Send(data, size);
}

int CTlsStream::TransportReceive(void* buffer, int size) {
  return Lower().Receive(buffer, size, 0);
}

}  // namespace ferrow
