#include "net/internet_client.h"

#include "net/login_list.h"
#include "net/resume_event.h"
#include "net/transfer_info.h"
#include "net/transfer_settings.h"

namespace ferrow {

CInternetClient::CInternetClient(const CClientContext& context)
    : CClientContext(context), m_socket(context), m_buffer(new char[kClientBufferSize]) {
  m_buffer[0] = '\0';
}

CInternetClient::~CInternetClient() = default;

bool CInternetClient::Open(const std::wstring& url) {
  m_url.Parse(url);
  // A stored login for the URL's host replaces the URL's own user and password. The list is
  // a copy taken under the settings' lock; hosts are compared exactly.
  if (Settings() != nullptr) {
    CLoginList logins = Settings()->GetSiteLogins();
    if (const CLoginInfo* login = logins.Find(m_url.Host())) {
      m_url.SetUser(login->m_user);
      m_url.SetPassword(login->m_password);
    }
  }
  return true;
}

bool CInternetClient::Connect() {
  ReportStatus(DownloadStatus::kConnecting);
  if (HasOpenData()) return true;  // the query's connection goes on with its body
  int32_t port = m_url.Port();
  if (port < 0 || port > 65535) {
    // A port outside the 16-bit range would otherwise be cut to some other port silently.
    ReportError(MakeError(kCategorySocket, SocketCode::kAddressNotAvailable));
    return false;
  }
  return m_socket.Create() && m_socket.Connect(m_url.Host(), static_cast<uint16_t>(port));
}

bool CInternetClient::Login() {
  return false;
}

bool CInternetClient::Disconnect() {
  m_openData = false;
  m_socket.Close();
  return true;
}

void CInternetClient::AdoptOpenData(CInternetClient& from) {
  if (!from.HasOpenData()) return;
  m_socket.TakeConnection(from.m_socket);
  m_url = from.m_url;
  m_openData = true;
  from.m_openData = false;
}

bool CInternetClient::QueryInformation() {
  return false;
}

bool CInternetClient::ProbeResume() {
  return false;
}

bool CInternetClient::IsLoginFailure(ErrorValue) const {
  return false;
}

bool CInternetClient::IsRetryable(ErrorValue error) const {
  const uint16_t code = ErrorCodeOf(error);
  // The answers of a server that is busy, overloaded or restarting, which it expects to be
  // asked again; every other HTTP status is final.
  if (ErrorCategoryOf(error) == kCategoryHttp)
    return code == 408 || code == 429 || code == 500 || code == 502 || code == 503 || code == 504;
  if (ErrorCategoryOf(error) != kCategorySocket) return false;
  return code == SocketCode::kConnectionReset || code == SocketCode::kTimedOut ||
         code == SocketCode::kDisconnected || code == SocketCode::kConnectionRefused;
}

bool CInternetClient::IsBusyRefusal(ErrorValue error) const {
  return error == MakeError(kCategoryHttp, 503) || error == MakeError(kCategoryHttp, 429);
}

bool CInternetClient::WaitForStop(uint32_t milliseconds) {
  return CheckStop(milliseconds);
}

uint32_t CInternetClient::WaitForResume(uint32_t milliseconds) {
  CResumeEvent* resume = Resume();
  uint32_t value = 0;
  if (resume == nullptr || !resume->WaitAndTake(milliseconds, value)) return 0;
  return value;
}

std::unique_ptr<CInternetClient> CInternetClient::Clone(const CClientContext&) const {
  return nullptr;
}

CProxySocket* CInternetClient::OpenData(int64_t) {
  return nullptr;
}

bool CInternetClient::ListDirectory(CFileListing&) {
  return false;
}

}  // namespace ferrow
