// CHttpClient::FetchText: a whole short body as text, never more than a bound.
#include <string_view>

#include "net/http_client.h"
#include "net/http_response.h"

namespace ferrow {
namespace {

constexpr size_t kReadBlock = 4096;

}  // namespace

bool CHttpClient::FetchText(const std::wstring& url, size_t maxBytes, std::string& body) {
  body.clear();
  if (!Open(url) || !Connect()) return false;
  m_redirects = 0;
  bool ok = false;
  for (;;) {
    if (!SendRequest(L"GET", 0)) break;
    if (ReadResponseHeader(200, 0)) {
      ok = ReadBodyText(maxBytes, body);
      break;
    }
    if (!FollowRedirect()) break;
  }
  Disconnect();
  if (!ok) body.clear();
  return ok;
}

bool CHttpClient::ReceiveText(size_t count, std::string& body) {
  char block[kReadBlock];
  while (count > 0) {
    const int want = static_cast<int>(count < kReadBlock ? count : kReadBlock);
    const int got = m_socket.Receive(block, want);
    if (got < 0) return false;
    body.append(block, static_cast<size_t>(got));
    count -= static_cast<size_t>(got);
  }
  return true;
}

bool CHttpClient::ReadBodyText(size_t maxBytes, std::string& body) {
  const std::string_view header(m_replyText);
  if (IsChunked(header)) return ReadChunkedText(maxBytes, body);
  int64_t length = -1;
  if (ParseContentLength(header, length)) {
    if (length < 0 || static_cast<uint64_t>(length) > maxBytes) return false;
    return ReceiveText(static_cast<size_t>(length), body);
  }
  // No length: the body ends with the connection. One byte past the bound proves it too long.
  char block[kReadBlock];
  for (;;) {
    const size_t room = maxBytes + 1 - body.size();
    const int got =
        m_socket.Receive(block, static_cast<int>(room < kReadBlock ? room : kReadBlock));
    if (got < 0) return true;  // the server closed: that was the whole body
    body.append(block, static_cast<size_t>(got));
    if (body.size() > maxBytes) return false;
  }
}

bool CHttpClient::ReadChunkedText(size_t maxBytes, std::string& body) {
  m_socket.DecodeChunkedBody();
  char block[kReadBlock];
  for (;;) {
    const size_t room = maxBytes + 1 - body.size();
    const int got =
        m_socket.ReceiveUntilEnd(block, static_cast<int>(room < kReadBlock ? room : kReadBlock));
    if (got < 0) return false;
    if (got == 0) return true;  // the last chunk
    body.append(block, static_cast<size_t>(got));
    if (body.size() > maxBytes) return false;
  }
}

}  // namespace ferrow
