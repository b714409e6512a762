#include "sites/site_explorer.h"

#include <algorithm>
#include <mutex>

#include "net/client_context.h"
#include "net/ftp_client.h"
#include "net/internet_client.h"
#include "net/internet_url.h"
#include "net/transfer_info.h"
#include "platform/assert.h"
#include "sites/folder_path.h"

namespace ferrow {

namespace {

using Lock = std::lock_guard<CCriticalSection>;

// How often a stop closes the worker's sockets again while it waits for the worker: a socket
// that joined the list just after a close (an accepted data connection) is caught this way.
constexpr uint32_t kStopRecloseMilliseconds = 50;

constexpr ErrorValue kNoClient = MakeError(kCategorySystem, SystemCode::kInvalidFunction);

std::unique_ptr<CInternetClient> MakeFtpClient(const CClientContext& context) {
  return std::make_unique<CFtpClient>(context);
}

// The folder a URL names; text that could not be sent safely gives the top folder.
std::wstring FolderOf(const std::wstring& url) {
  CInternetURL parsed(url);
  std::wstring path = parsed.Path();
  if (path.empty() || path.front() != L'/' || !IsSafeFolderText(path)) return L"/";
  return path;
}

}  // namespace

CSiteExplorer::CSiteExplorer(const ITransferSettingsSource& settings, ClientFactory factory)
    : m_globalSettings(settings), m_factory(std::move(factory)) {
  if (!m_factory) m_factory = MakeFtpClient;
}

CSiteExplorer::~CSiteExplorer() {
  Stop();
}

void CSiteExplorer::Connect(const std::wstring& url) {
  FERROW_ASSERT(std::this_thread::get_id() == m_owner);
  Stop();
  {
    Lock lock(m_lock);
    // A new site: nothing listed yet to fall back on.
    m_listedPath.clear();
    m_listing.Clear();
  }
  Start(url, FolderOf(url));
}

bool CSiteExplorer::ChangeFolder(const std::wstring& name) {
  FERROW_ASSERT(std::this_thread::get_id() == m_owner);
  if (!IsSafeFolderText(name)) return false;
  if (!IsRunning()) {
    std::wstring address;
    std::wstring path;
    {
      Lock lock(m_lock);
      address = m_siteAddress;
      path = NextFolderPath(m_path, name);
    }
    if (address.empty()) return false;
    // The connection was lost or stopped: connect again where the user was going, keeping the
    // folder listed last to fall back on.
    Start(address, path);
    return true;
  }
  {
    Lock lock(m_lock);
    m_path = NextFolderPath(m_path, name);
  }
  m_resume.Signal(1);
  return true;
}

void CSiteExplorer::RequestStop() {
  if (!m_thread.IsRunning()) return;
  // The stop event before the sockets: a socket the worker creates after the close sees it.
  m_stop.Set();
  m_sockets.CloseAll();
  m_resume.Signal(0);
}

void CSiteExplorer::RefreshSettings() {
  m_globalSettings.CopyTo(m_settings);
}

void CSiteExplorer::Stop() {
  FERROW_ASSERT(std::this_thread::get_id() == m_owner);
  if (m_thread.IsRunning()) {
    RequestStop();
    while (!m_ended.Wait(kStopRecloseMilliseconds)) m_sockets.CloseAll();
  }
  m_thread.Wait();
  m_stop.Reset();
  m_resume.Reset();
}

bool CSiteExplorer::IsRunning() const {
  Lock lock(m_lock);
  return m_active;
}

CFileListing CSiteExplorer::GetListing() const {
  Lock lock(m_lock);
  return m_listing;
}

std::vector<CLogInfo> CSiteExplorer::GetLog() {
  return m_log.TakeAll();
}

std::wstring CSiteExplorer::GetSiteAddress() const {
  Lock lock(m_lock);
  return m_siteAddress;
}

std::wstring CSiteExplorer::GetPath() const {
  Lock lock(m_lock);
  return m_path;
}

void CSiteExplorer::AddView(ISiteExplorerListener* view) {
  if (view != nullptr && std::find(m_views.begin(), m_views.end(), view) == m_views.end()) {
    m_views.push_back(view);
  }
}

void CSiteExplorer::RemoveView(ISiteExplorerListener* view) {
  m_views.erase(std::remove(m_views.begin(), m_views.end(), view), m_views.end());
}

void CSiteExplorer::OnTimer() {
  FERROW_ASSERT(std::this_thread::get_id() == m_owner);
  uint32_t event = 0;
  while (m_events.Take(event)) {
    // A view may add or remove views while it handles the event.
    const std::vector<ISiteExplorerListener*> views = m_views;
    for (ISiteExplorerListener* view : views) {
      if (std::find(m_views.begin(), m_views.end(), view) != m_views.end()) {
        view->OnExplorerEvent(event);
      }
    }
  }
}

void CSiteExplorer::Start(const std::wstring& url, const std::wstring& path) {
  Stop();
  {
    Lock lock(m_lock);
    m_siteAddress = url;
    m_path = path;
    m_active = true;
  }
  m_globalSettings.CopyTo(m_settings);
  m_ended.Reset();
  if (!m_thread.Start([this] { Run(); })) {
    Lock lock(m_lock);
    m_active = false;
  }
}

void CSiteExplorer::Run() {
  CTransferInfo transfer;
  CClientContext context(&transfer, &m_settings, &m_events, &m_log, &m_sockets, &m_stop, &m_resume);
  std::unique_ptr<CInternetClient> client = m_factory(context);

  Raise(ExplorerEvent::kConnecting);
  Raise(ExplorerEvent::kBusy);
  const std::wstring address = GetSiteAddress();
  CInternetURL url(address);
  if (client != nullptr) {
    client->Open(address);
    url = client->Url();
  }
  context.AddLogLine(LogKind::kInfo, ExplorerLog::kStart, url.Host(),
                     static_cast<uint32_t>(url.Port()));

  // A stop breaks whatever call is running; it ends the connection as stopped, not as failed.
  const auto end = [&] {
    if (m_stop.IsSet()) {
      context.AddLogLine(LogKind::kInfo, ExplorerLog::kStopped, L"", 0);
    } else {
      context.AddLogLine(LogKind::kFailure, ExplorerLog::kFailure, L"", transfer.Error());
    }
  };

  if (client == nullptr) {
    transfer.SetError(kNoClient);
    end();
  } else if (!client->Connect() || !client->Login()) {
    end();
  } else {
    while (true) {
      if (!ListFolder(*client)) {
        end();
        break;
      }
      Raise(ExplorerEvent::kIdle);
      client->WaitForResume(kWaitForever);
      if (m_stop.IsSet()) {
        end();
        break;
      }
    }
  }
  if (client != nullptr) client->Disconnect();
  {
    Lock lock(m_lock);
    m_active = false;
  }
  Raise(ExplorerEvent::kEnded);
  m_ended.Set();
}

bool CSiteExplorer::ListFolder(CInternetClient& client) {
  Raise(ExplorerEvent::kBusy);
  std::wstring path;
  {
    Lock lock(m_lock);
    path = m_path;
  }
  client.Url().SetFileName(L"");
  client.Url().SetPath(path);

  CFileListing listing;
  // Every listing holds at least the ".." entry; an empty one means the folder was refused.
  const bool listed = client.ListDirectory(listing) && !listing.IsEmpty();
  {
    Lock lock(m_lock);
    if (listed) {
      m_listing.Copy(listing);
      m_listedPath = path;
    } else if (m_path == path && !m_listedPath.empty()) {
      // Unless the user has moved on meanwhile, back to the folder that is shown.
      m_path = m_listedPath;
    }
  }
  if (listed) Raise(ExplorerEvent::kListing);
  return client.Socket().IsConnected() && !m_stop.IsSet();
}

}  // namespace ferrow
