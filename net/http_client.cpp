#include "net/http_client.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <cwctype>
#include <memory>
#include <string_view>
#include <vector>

#include "net/connection_pool.h"
#include "net/content_disposition.h"
#include "net/debug_output.h"
#include "net/http_response.h"
#include "net/log_info.h"
#include "net/safe_file_name.h"
#include "net/transfer_errors.h"
#include "net/transfer_info.h"
#include "net/transfer_settings.h"
#include "platform/browser_handover.h"
#include "platform/clock.h"
#include "platform/text.h"

namespace ferrow {

namespace {

constexpr uint16_t kUnusableResponse = 500;
constexpr uint16_t kRequestTooLong = 414;
constexpr int kDiscardSize = 65535;
// A server's "Retry-After" is honoured up to this long; a longer one is waited for this long.
constexpr int64_t kMaxRetryAfterSeconds = 3600;

// The URL's text without "user:password@", so that a referrer never carries credentials.
std::wstring WithoutCredentials(const std::wstring& text) {
  size_t scheme = text.find(L"://");
  size_t authorityBegin = scheme == std::wstring::npos ? 0 : scheme + 3;
  size_t authorityEnd = text.find(L'/', authorityBegin);
  if (authorityEnd == std::wstring::npos) authorityEnd = text.size();
  size_t at = text.rfind(L'@', authorityEnd);
  if (at == std::wstring::npos || at < authorityBegin) return text;
  return text.substr(0, authorityBegin) + text.substr(at + 1);
}

// An entity tag that If-Range may carry: a strong one (a weak "W/" tag never may).
bool IsStrongEntityTag(const std::wstring& tag) {
  return tag.size() >= 2 && tag.front() == L'"' && tag.back() == L'"';
}

// The user's own headers, each replacing a line of the same name.
void AddExtraHeaders(std::wstring& request, const std::vector<std::wstring>& headers) {
  for (const std::wstring& header : headers) {
    const size_t colon = header.find(L':');
    if (colon == std::wstring::npos) continue;
    const std::wstring name = L"\r\n" + header.substr(0, colon + 1);
    for (size_t at = 0; (at = request.find(L"\r\n", at)) != std::wstring::npos;) {
      const bool same =
          request.size() >= at + name.size() &&
          std::equal(name.begin(), name.end(), request.begin() + at,
                     [](wchar_t a, wchar_t b) { return std::towlower(a) == std::towlower(b); });
      if (!same) {
        at += 2;
        continue;
      }
      const size_t end = request.find(L"\r\n", at + 2);
      request.erase(at, end - at);
    }
    request += EscapeControlCharacters(header) + L"\r\n";
  }
}

std::wstring Number(uint64_t value) {
  return std::to_wstring(value);
}

}  // namespace

CHttpClient::CHttpClient(const CClientContext& context) : CInternetClient(context) {
  if (Settings() != nullptr) m_proxy = Settings()->GetHttpProxy();
  if (m_proxy.m_enabled) m_socket.SetHttpProxy(m_proxy);
}

bool CHttpClient::Open(const std::wstring& url) {
  // Behind the HTTP proxy the request line carries the absolute address; RequestTarget()
  // builds it from the URL's parts, so the URL itself keeps its own path.
  return CInternetClient::Open(url);
}

bool CHttpClient::Connect() {
  const bool secure = m_url.GetScheme() == Scheme::kHttps;
  // A redirect may have changed the scheme: each one goes through the proxy meant for it.
  if (Settings() != nullptr)
    m_proxy = secure ? Settings()->GetHttpsProxy() : Settings()->GetHttpProxy();
  // The proxy must not read an encrypted connection: it only opens a tunnel for it.
  m_socket.SetHttpProxy(m_proxy, secure);
  // Every connection of the download to this server resumes the first one's session.
  m_socket.SetTls(secure ? L"https://" + m_url.Host() + L":" + std::to_wstring(m_url.Port())
                         : std::wstring());
  m_fromPool = false;
  const bool fresh = m_freshConnect;
  m_freshConnect = false;
  if (!HasOpenData() && !fresh && m_url.Port() >= 0 && m_url.Port() <= 65535) {
    if (std::shared_ptr<CConnectionPool> pool =
            Settings() != nullptr ? Settings()->GetConnectionPool() : nullptr) {
      ReportStatus(DownloadStatus::kConnecting);
      m_openData = false;
      if (m_socket.TakeFromPool(*pool, m_url.Host(), static_cast<uint16_t>(m_url.Port()))) {
        m_fromPool = true;
        return true;
      }
    }
  }
  return CInternetClient::Connect();
}

bool CHttpClient::Disconnect() {
  std::shared_ptr<CConnectionPool> pool =
      Settings() != nullptr ? Settings()->GetConnectionPool() : nullptr;
  if (pool && m_socket.KeepsAlive() && m_socket.IsConnected() && m_socket.BodyLeft() == 0 &&
      !CheckStop(0)) {
    m_openData = false;
    m_socket.PutInPool(*pool);
    return true;
  }
  return CInternetClient::Disconnect();
}

bool CHttpClient::Login() {
  return true;
}

bool CHttpClient::ProbeResume() {
  if (Transfer() == nullptr) return true;
  // A body of unknown length can only be fetched whole, from its first byte.
  if (Transfer()->Size() == kUnknownSize) {
    Transfer()->SetResumeMode(ResumeMode::kNotResumable);
    Transfer()->SetParts(1);
    return false;
  }
  Transfer()->SetResumeMode(m_rangesAccepted ? ResumeMode::kResumable : ResumeMode::kNotResumable);
  return true;
}

bool CHttpClient::IsLoginFailure(ErrorValue error) const {
  return error == MakeError(kCategoryHttp, 401);
}

std::unique_ptr<CInternetClient> CHttpClient::Clone(const CClientContext& context) const {
  return std::make_unique<CHttpClient>(context);
}

std::wstring CHttpClient::HostText() const {
  const std::wstring& host = m_url.Host();
  const std::wstring name = host.find(L':') != std::wstring::npos ? L"[" + host + L"]" : host;
  if (m_url.Port() == CInternetURL::DefaultPort(m_url.GetScheme())) return name;
  return name + L":" + std::to_wstring(m_url.Port());
}

std::wstring CHttpClient::RequestTarget() const {
  // A fragment belongs to the one who reads the page, never to the server.
  const std::wstring& path = m_url.Path();
  const std::wstring target = path.substr(0, path.find(L'#'));
  if (!UsesProxy()) return target;
  return L"http://" + HostText() + target;
}

std::wstring CHttpClient::FormatRequest(const std::wstring& method, int64_t offset) {
  bool disableCache = true;
  bool useCookies = true;
  bool sendReferrer = false;
  std::wstring userAgent;
  if (Settings() != nullptr) {
    disableCache = Settings()->GetDisableCache();
    useCookies = Settings()->GetUseCookies();
    sendReferrer = Settings()->GetSendReferrer();
    userAgent = Settings()->GetUserAgent();
  }

  std::wstring request = method + L" " + EscapeRequestTarget(RequestTarget()) + L" HTTP/1.1\r\n";
  request += L"Host: " + EscapeControlCharacters(HostText()) + L"\r\n";
  request += L"Accept: */*\r\n";
  // Only a resumable file is asked for a piece that starts at byte 0: elsewhere a bound
  // would turn the whole file's 200 into a 206.
  const bool bounded = m_dataEnd > offset && !m_queryRange && Transfer() != nullptr &&
                       Transfer()->GetResumeMode() == ResumeMode::kResumable;
  if (offset != 0 || m_queryRange || bounded) {
    request += L"Range: bytes=" + std::to_wstring(offset) + L"-" +
               (bounded ? std::to_wstring(m_dataEnd - 1) : std::wstring()) + L"\r\n";
    // A changed file then answers 200 with the whole new file instead of a piece of it.
    CTransferInfo* master = Transfer() != nullptr ? Transfer()->Master() : nullptr;
    std::wstring tag = master != nullptr ? master->EntityTag() : std::wstring();
    if (IsStrongEntityTag(tag)) request += L"If-Range: " + EscapeControlCharacters(tag) + L"\r\n";
  }
  if (disableCache) request += L"Pragma: no-cache\r\n";
  if (useCookies) {
    std::wstring browserCookies;
    if (GetBrowserCookies(m_url.Host(), browserCookies)) m_cookies.SetCookies(browserCookies);
  }
  // What the browser handed over with exactly this URL (cookies of a login, the page it came
  // from) goes with it, as the browser would have sent it; never to another URL.
  BrowserHandoverNote handover;
  const bool handedOver =
      FindBrowserHandoverNote(WideToUtf8(m_url.Text()), SystemClock().WallSeconds(), handover);
  std::wstring cookies = m_cookies.GetCookies();
  if (std::shared_ptr<const CCookieFile> file =
          Settings() ? Settings()->GetCookieFile() : nullptr) {
    const std::wstring fromFile =
        file->CookiesFor(m_url.Host(), m_url.Path(), false, SystemClock().WallSeconds());
    if (!fromFile.empty()) cookies = cookies.empty() ? fromFile : fromFile + L"; " + cookies;
  }
  if (handedOver && !handover.cookies.empty())
    cookies = Utf8ToWide(handover.cookies) + (cookies.empty() ? L"" : L"; " + cookies);
  if (!cookies.empty()) request += L"Cookie: " + EscapeControlCharacters(cookies) + L"\r\n";
  // Credentials go to the server only: a proxy would read them on the way.
  if (!m_url.User().empty() && !UsesProxy()) {
    request += L"Authorization: Basic " +
               CInternetURL::Base64(m_url.User() + L":" + m_url.Password()) + L"\r\n";
  }
  if (handedOver && !handover.referrer.empty()) {
    request += L"Referer: " +
               EscapeRequestTarget(WithoutCredentials(Utf8ToWide(handover.referrer))) + L"\r\n";
  } else if (sendReferrer) {
    const std::wstring& text = m_url.Text();
    size_t slash = text.rfind(L'/');
    if (slash != std::wstring::npos) {
      request += L"Referer: " + EscapeRequestTarget(WithoutCredentials(text.substr(0, slash + 1))) +
                 L"\r\n";
    }
  }
  request += L"User-Agent: " + EscapeControlCharacters(userAgent) + L"\r\n";
  if (Settings() != nullptr) AddExtraHeaders(request, Settings()->GetExtraHeaders());
  request += L"\r\n";
  return request;
}

bool CHttpClient::SendRequest(const std::wstring& method, int64_t offset) {
  // Whatever the last response left, this one's body is not measured yet.
  m_socket.SetKeepAlive(false);
  m_socket.SetBodyLength(-1);
  std::wstring request = FormatRequest(method, offset);
  if (request.size() > kMaxRequestLength) return Fail(kRequestTooLong);
  std::string bytes = WideToLocal(request);
  DebugOutput(bytes);
  size_t sent = 0;
  while (sent < bytes.size()) {
    int n = m_socket.Send(bytes.data() + sent, static_cast<int>(bytes.size() - sent));
    if (n < 0) return false;
    sent += static_cast<size_t>(n);
  }
  return true;
}

bool CHttpClient::Fail(uint32_t status) {
  ReportError(MakeError(kCategoryHttp, static_cast<uint16_t>(status)));
  return false;
}

bool CHttpClient::ReadResponseHeader(uint32_t accepted, uint32_t alsoAccepted) {
  m_replyCode = 0;
  m_replyText = nullptr;
  m_reusable = false;
  char* buffer = m_buffer.get();
  buffer[0] = '\0';

  bool complete = false;
  const int stored = m_socket.ReadHeaderBlock(buffer, kClientBufferSize, complete);
  if (stored < 0) return false;
  const char* lineEnd = static_cast<const char*>(std::memchr(buffer, '\n', stored));
  const int firstLine = lineEnd != nullptr ? static_cast<int>(lineEnd - buffer) + 1 : stored;
  if (firstLine < 3) return Fail(kUnusableResponse);
  std::string_view block(buffer, static_cast<size_t>(stored));
  DebugOutput(block);
  // A block that fills the buffer without its empty line is no header we can trust.
  if (!complete) return Fail(kUnusableResponse);

  uint32_t status = ParseStatusCode(block.substr(0, static_cast<size_t>(firstLine)));
  m_replyCode = status;
  m_replyText = buffer;
  if (status == 0) return Fail(kUnusableResponse);
  {
    std::string_view connection;
    const bool saysConnection = FindHeaderValue(block, "Connection:", connection);
    const auto says = [&connection](std::string_view word) {
      return std::search(connection.begin(), connection.end(), word.begin(), word.end(),
                         [](char a, char b) { return std::tolower(a) == b; }) != connection.end();
    };
    const bool http10 = block.substr(0, 9) == "HTTP/1.0 ";
    // HTTP/1.1 keeps the connection unless it says "close"; HTTP/1.0 only when it says so.
    m_socket.SetKeepAlive(saysConnection ? !says("close") && (!http10 || says("keep-alive"))
                                         : !http10);
  }

  m_cookies.RemoveAll();
  std::string setCookie;
  if (FindSetCookie(block, setCookie)) m_cookies.SetCookies(LocalToWide(setCookie));

  if (status >= 300 && status <= 399) {
    // Discard the body bytes that came with the header. The connection carries the next
    // request only when that was the whole body and the server keeps the connection.
    std::vector<char> discard(kDiscardSize);
    int drained = m_socket.Drain(discard.data(), kDiscardSize);
    if (drained < 0) {
      m_replyCode = 0;  // the connection broke: there is nothing to follow
      return false;
    }
    int64_t length = -1;
    std::string_view connection;
    bool closes = FindHeaderValue(block, "Connection:", connection) &&
                  connection.find("close") != std::string_view::npos;
    m_reusable = ParseContentLength(block, length) && length == drained && !closes;
    return false;
  }
  if (status == accepted || (alsoAccepted != 0 && status == alsoAccepted)) return true;
  int64_t seconds = 0;
  if (Transfer() != nullptr && ParseRetryAfter(block, seconds))
    Transfer()->SetRetryAfter(std::min<int64_t>(seconds, kMaxRetryAfterSeconds) * 1000);
  return Fail(status);
}

bool CHttpClient::FollowRedirect() {
  if (m_replyCode < 300 || m_replyCode > 399 || m_replyText == nullptr) return false;
  // A loop of redirects would otherwise repeat the request without end.
  if (++m_redirects > kMaxRedirects) return Fail(kUnusableResponse);
  std::string location;
  if (!ParseLocation(m_replyText, location) || location.empty()) return Fail(kUnusableResponse);

  const std::wstring& current = m_url.Text();
  std::wstring base = current.find(L"://") == std::wstring::npos ? L"http://" + current : current;
  std::wstring target = CInternetURL::Resolve(base, LocalToWide(location));
  CInternetURL next(target);
  const Scheme scheme = next.GetScheme();
  if (scheme != Scheme::kHttp && scheme != Scheme::kHttps && scheme != Scheme::kFtp &&
      scheme != Scheme::kFtps) {
    // Never a local file, nor an address of a protocol Ferrow does not speak.
    AddLogLine(LogKind::kNotice, L"The server redirected to " + CInternetURL::MaskPassword(target) +
                                     L", an address Ferrow does not fetch (only http://, "
                                     L"https://, ftp:// and ftps://).");
    ReportError(MakeError(kCategorySystem, SystemCode::kUnrecognizedScheme));
    return false;
  }
  // Credentials belong to one server: the same scheme, host and port.
  bool sameServer =
      scheme == m_url.GetScheme() && next.Host() == m_url.Host() && next.Port() == m_url.Port();
  if (m_url.GetScheme() == Scheme::kHttps && (scheme == Scheme::kHttp || scheme == Scheme::kFtp)) {
    // Never silently: the user asked for an encrypted download.
    AddLogLine(LogKind::kNotice, L"The server redirected to " + CInternetURL::MaskPassword(target) +
                                     L"; the download goes on without encryption.");
  }
  if (!sameServer) {
    m_url.SetUser(std::wstring());
    m_url.SetPassword(std::wstring());
  }
  if (scheme == Scheme::kFtp || scheme == Scheme::kFtps) {
    AddLogLine(LogKind::kNotice, L"The server redirected to " + CInternetURL::MaskPassword(target) +
                                     L"; the download goes on over FTP.");
    if (Transfer() != nullptr) Transfer()->SetUrl(target);
    return Fail(m_replyCode);
  }
  Open(target);
  if (!sameServer || !m_reusable) Disconnect();
  if (Transfer() != nullptr) Transfer()->SetUrl(m_url.Text());
  m_keptConnection = m_socket.IsConnected();
  if (m_keptConnection) return true;
  return Connect();
}

bool CHttpClient::Request(int64_t offset) {
  m_redirects = 0;
  // A kept connection that the server closed meanwhile is opened again once, as below.
  m_keptConnection = m_fromPool;
  m_fromPool = false;
  for (;;) {
    m_replyCode = 0;
    if (SendRequest(offset == 0 ? m_method : L"GET", offset) && ReadResponseHeader(200, 206))
      return true;
    bool closed = m_replyCode == 0 && m_keptConnection && Transfer() != nullptr &&
                  ErrorCategoryOf(Transfer()->Error()) == kCategorySocket && !CheckStop(0);
    m_keptConnection = false;
    if (closed) {
      Transfer()->ClearError();
      Disconnect();
      m_freshConnect = true;
      if (!Connect()) return false;
      continue;
    }
    if (!FollowRedirect()) return false;
  }
}

bool CHttpClient::QueryInformation() {
  m_openData = false;
  m_rangesAccepted = true;
  // A HEAD has no body to go on with, so it asks for no range either.
  const bool head = m_method != L"GET";
  m_queryRange = !head;
  bool answered = Request(0);
  m_queryRange = false;
  m_method = L"GET";
  if (!answered) {
    // Nothing to send of an empty file: "bytes */0".
    int64_t total = -1;
    if (m_replyCode != 416 || m_replyText == nullptr ||
        !ParseContentRangeTotal(m_replyText, total) || total != 0) {
      return false;
    }
    Transfer()->ClearError();
    Disconnect();
    if (Transfer() != nullptr) {
      Transfer()->SetSize(0);
      Transfer()->SetDate(ParseLastModified(m_replyText));
      Transfer()->SetEntityTag(std::wstring());
    }
    return true;
  }
  std::string_view block(m_replyText);
  // Without a length (a chunked body, or one that ends with the connection) the file's size is
  // unknown until it has arrived; a length that is there but unreadable is no answer at all.
  const bool chunked = IsChunked(block);
  int64_t length = -1;
  if (!chunked) {
    if (ParseContentLength(block, length)) {
      if (length < 0) return Fail(kUnusableResponse);
    } else if (FindHeaderLine(block, "Content-Length:") != std::string_view::npos) {
      return Fail(kUnusableResponse);
    }
  }
  uint64_t size = length >= 0 ? static_cast<uint64_t>(length) : kUnknownSize;
  bool fromStart = true;
  if (m_replyCode == 206) {
    int64_t total = -1;
    std::string_view range;
    if (!ParseContentRangeTotal(block, total) || total < 0 ||
        !FindHeaderValue(block, "Content-Range:", range)) {
      return Fail(kUnusableResponse);
    }
    size = static_cast<uint64_t>(total);
    // A range that starts elsewhere than asked tells the size, but its body is no part's.
    size_t digits = range.find_first_of("0123456789");
    fromStart = digits != std::string_view::npos && range[digits] == '0' &&
                (digits + 1 >= range.size() || range[digits + 1] == '-');
  } else {
    std::string_view ranges;
    m_rangesAccepted = FindHeaderValue(block, "Accept-Ranges:", ranges) &&
                       ranges.find("bytes") != std::string_view::npos;
  }
  if (Transfer() != nullptr) {
    Transfer()->SetSize(size);
    Transfer()->SetDate(ParseLastModified(block));
    std::string tag;
    Transfer()->SetEntityTag(FindEntityTag(block, tag) ? LocalToWide(tag) : std::wstring());
    // The server's own name for the file, else the last segment of the address that answered.
    std::string_view disposition;
    std::wstring name;
    if (!FindHeaderValue(block, "Content-Disposition:", disposition) ||
        !ParseContentDispositionFileName(disposition, name))
      name = FileNameOfUrl(m_url.Text());
    Transfer()->SetServerFileName(name);
  }
  if (fromStart && !head && length > 0) {
    m_socket.SetBodyLength(length);
    m_openData = true;
  } else if (!head && m_replyCode == 200 && size == kUnknownSize) {
    // A body of unknown length is fetched as one stream from byte 0: this one.
    m_socket.SetBodyLength(-1);
    if (chunked) m_socket.DecodeChunkedBody();
    m_openData = true;
  } else {
    Disconnect();
  }
  return true;
}

CProxySocket* CHttpClient::OpenData(int64_t offset) {
  if (HasOpenData()) {
    m_openData = false;
    if (offset == 0) return &m_socket;
    Disconnect();
    if (!Connect()) return nullptr;
  }
  if (!Request(offset) || !IsSameFile()) return nullptr;
  if (IsChunked(m_replyText)) m_socket.DecodeChunkedBody();
  if (!PositionBody(offset)) return nullptr;
  return &m_socket;
}

bool CHttpClient::IsSameFile() {
  CTransferInfo* master = Transfer() != nullptr ? Transfer()->Master() : nullptr;
  if (master == nullptr) return true;
  std::string_view block(m_replyText);
  std::wstring why;
  int64_t total = -1;
  bool knowsTotal = m_replyCode == 206 ? ParseContentRangeTotal(block, total)
                                       : ParseContentLength(block, total) && total >= 0;
  uint64_t size = master->Size();
  if (knowsTotal && size != kUnknownSize && static_cast<uint64_t>(total) != size) {
    why = L"its size is " + Number(static_cast<uint64_t>(total)) + L" bytes, not " + Number(size);
  }
  std::string tag;
  std::wstring known = master->EntityTag();
  if (why.empty() && FindEntityTag(block, tag) && !known.empty() && LocalToWide(tag) != known) {
    why = L"its entity tag is " + LocalToWide(tag) + L", not " + known;
  }
  uint64_t date = ParseLastModified(block);
  if (why.empty() && date != kUnknownSize && master->Date() != kUnknownSize &&
      date != master->Date()) {
    why = L"its date changed";
  }
  if (why.empty()) return true;
  AddLogLine(LogKind::kNotice,
             L"The server now sends another file than the download began "
             L"with: " +
                 why + L".");
  ReportError(kFileChangedError);
  return false;
}

bool CHttpClient::PositionBody(int64_t offset) {
  std::string_view block(m_replyText);
  int64_t length = -1;
  m_socket.SetBodyLength(ParseContentLength(block, length) && length >= 0 ? length : -1);
  if (offset <= 0) return true;
  int64_t start = offset;
  if (m_replyCode == 206) {
    // "Content-Range: bytes first-last/total"; without it the range is taken as asked.
    std::string_view range;
    if (FindHeaderValue(block, "Content-Range:", range)) {
      size_t digits = range.find_first_of("0123456789");
      if (digits == std::string_view::npos) return Fail(kUnusableResponse);
      start = 0;
      for (size_t i = digits; i < range.size() && range[i] >= '0' && range[i] <= '9'; ++i) {
        if (start > (INT64_MAX - 9) / 10) return Fail(kUnusableResponse);
        start = start * 10 + (range[i] - '0');
      }
    }
  } else {
    // A server that ignores the range sends the whole file. Nothing of it is read here: the
    // part stops at once and leaves its range to a stream that already reads the file.
    if (Transfer() != nullptr) Transfer()->SetResumeMode(ResumeMode::kNotResumable);
    return true;
  }
  // A body that begins after the offset would leave a gap in the file.
  if (start > offset) return Fail(kUnusableResponse);
  std::vector<char> discard(kDiscardSize);
  for (int64_t left = offset - start; left > 0;) {
    int want = left < kDiscardSize ? static_cast<int>(left) : kDiscardSize;
    int n = m_socket.Receive(discard.data(), want);
    if (n < 0) return false;
    left -= n;
  }
  return true;
}

}  // namespace ferrow
