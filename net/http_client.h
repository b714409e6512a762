#pragma once
// The HTTP/1.1 client: one GET learns a file's size and date, a ranged GET opens the body at
// any offset, one connection per part. It follows redirects, sends cookies, Basic credentials,
// a referrer and the configured user agent. Its connection goes through the HTTP proxy of the
// settings (forwarding its requests, which then carry absolute targets) and the SOCKS proxy, as
// layers of the connection. A client belongs to one worker or part thread.
#include <cstdint>
#include <memory>
#include <string>

#include "net/cookie_list.h"
#include "net/internet_client.h"
#include "net/proxy_info.h"

namespace ferrow {

class CHttpClient : public CInternetClient {
 public:
  // Redirects followed in a row before the request fails with category 3 code 500.
  static constexpr int kMaxRedirects = 10;
  // The longest request sent; a longer one fails with category 3 code 414.
  static constexpr size_t kMaxRequestLength = 65536;

  // Takes its copy of the HTTP proxy setting now, for the client's whole life.
  explicit CHttpClient(const CClientContext& context);

  bool Open(const std::wstring& url) override;
  // An https:// address gets TLS on top of the connection, through the HTTP proxy as a tunnel.
  // With the settings' connection pool, a kept connection of the same chain is taken instead
  // of connecting.
  bool Connect() override;
  // A connection whose last response was read to its end and that the server keeps open goes
  // to the settings' connection pool; any other is closed.
  bool Disconnect() override;
  bool Login() override;
  // Asks for the whole file as a range from byte 0, following redirects: Size from the
  // Content-Range total (206) or "Content-Length:" (200), Date from "Last-Modified:". The body
  // stays unread on the connection (HasOpenData) when it starts at byte 0, for the first part.
  bool QueryInformation() override;
  // Whether the server continues at an offset, as the query's answer told: a 206, or a 200
  // with "Accept-Ranges: bytes". A 200 without it is fetched on one connection from byte 0.
  bool ProbeResume() override;
  void AskWithoutBody() override { m_method = L"HEAD"; }
  bool IsLoginFailure(ErrorValue error) const override;
  std::unique_ptr<CInternetClient> Clone(const CClientContext& context) const override;
  // A GET from the offset; the returned socket delivers the body from exactly that offset. A
  // 200 to a request for a later offset marks the part's resume mode "not resumable" and
  // returns the connection unread, so that the part stops at once.
  CProxySocket* OpenData(int64_t offset) override;

  // A GET of the URL, following redirects, whose body of at most maxBytes comes back as its
  // bytes: for short replies such as a version number. False for a failed request, a status
  // other than 200, or a longer body; reading stops at the bound, so memory stays within it.
  // (http_text_fetch.cpp)
  bool FetchText(const std::wstring& url, size_t maxBytes, std::string& body);

  // The request as it is sent for the current URL (also adds browser cookies, as sending does).
  std::wstring FormatRequest(const std::wstring& method, int64_t offset);
  const CCookieList& Cookies() const { return m_cookies; }
  const CProxyInfo& Proxy() const { return m_proxy; }

 private:
  // Requests go to an HTTP proxy as they are: absolute targets, no credentials.
  bool UsesProxy() const { return m_socket.ForwardsRequests(); }
  // "host", or "host:port" when the port is not the scheme's default.
  std::wstring HostText() const;
  // The path, or behind the HTTP proxy the absolute address (never with credentials).
  std::wstring RequestTarget() const;
  bool SendRequest(const std::wstring& method, int64_t offset);
  // Reads the header block into the buffer and checks the status against the accepted codes.
  // A 3xx fails without recording an error, so that the caller can follow it.
  bool ReadResponseHeader(uint32_t accepted, uint32_t alsoAccepted);
  // After a failed header read: follows a 3xx to its "Location:" and stands connected again.
  // Only http:// and ftp:// addresses are followed; an ftp:// one is handed to the worker
  // (the transfer's URL becomes it and the redirect's status is recorded). Credentials go
  // only to the same scheme, host and port.
  bool FollowRedirect();
  // Sends the request and reads the answer's header, following redirects; false with the
  // error recorded. A connection kept after a redirect that the server closed meanwhile is
  // opened again once (that costs no attempt).
  bool Request(int64_t offset);
  // For a part: whether the answer describes the file the download began with (its length,
  // entity tag and date). Records kFileChangedError when not.
  bool IsSameFile();
  // Makes the socket deliver the body from offset, given the reply to a ranged request.
  bool PositionBody(int64_t offset);
  bool Fail(uint32_t status);
  // The body after a 200 header, by its length, in chunks, or up to the connection's end.
  bool ReadBodyText(size_t maxBytes, std::string& body);
  bool ReadChunkedText(size_t maxBytes, std::string& body);
  // Appends exactly count body bytes.
  bool ReceiveText(size_t count, std::string& body);

  CProxyInfo m_proxy;
  CCookieList m_cookies;
  int m_redirects = 0;
  // The method of the information query: GET, or HEAD once after AskWithoutBody.
  std::wstring m_method = L"GET";
  // Whether the connection can carry the next request after the last 3xx reply: its whole
  // body was drained and the server did not ask to close.
  bool m_reusable = false;
  // The connection was kept for the request after a redirect and has not answered yet.
  bool m_keptConnection = false;
  // The query asks "Range: bytes=0-"; what its answer said about ranges.
  bool m_queryRange = false;
  bool m_rangesAccepted = true;
  // The connection came from the pool and has not answered yet; the next connect must not.
  bool m_fromPool = false;
  bool m_freshConnect = false;
};

}  // namespace ferrow
