// CFerrowApp: folders, history, sites and the site explorer, settings and saving, as a front end
// reaches them.
#include <algorithm>

#include "app/ferrow_app.h"
#include "download/download_manager.h"
#include "net/internet_url.h"
#include "platform/assert.h"
#include "platform/folders.h"
#include "shell/browser_integration.h"
#include "shell/update_checker.h"
#include "sites/site_explorer.h"

namespace ferrow {

CFolderInfo CFerrowApp::GetFolders() const {
  FERROW_ASSERT(OnOwnerThread());
  return m_data.m_folders;
}

Guid CFerrowApp::AddFolder(const Guid& parent, const std::wstring& name) {
  FERROW_ASSERT(OnOwnerThread());
  CFolderInfo* folder =
      parent == m_data.m_folders.m_id ? &m_data.m_folders : m_data.m_folders.FindFolder(parent);
  if (!folder) return Guid();
  return folder->AddFolder(name).m_id;
}

bool CFerrowApp::RenameFolder(const Guid& id, const std::wstring& name) {
  FERROW_ASSERT(OnOwnerThread());
  return m_data.m_folders.RenameFolder(id, name);
}

bool CFerrowApp::RemoveFolder(const Guid& id) {
  FERROW_ASSERT(OnOwnerThread());
  return m_data.m_folders.RemoveFolder(id);
}

std::vector<CHistoryInfo> CFerrowApp::GetHistory() const {
  FERROW_ASSERT(OnOwnerThread());
  return std::vector<CHistoryInfo>(m_data.m_history.begin(), m_data.m_history.end());
}

bool CFerrowApp::RemoveHistoryEntry(size_t index) {
  FERROW_ASSERT(OnOwnerThread());
  if (index >= m_data.m_history.size()) return false;
  auto it = m_data.m_history.begin();
  std::advance(it, static_cast<std::ptrdiff_t>(index));
  m_data.m_history.erase(it);
  return true;
}

void CFerrowApp::ClearHistory() {
  FERROW_ASSERT(OnOwnerThread());
  m_data.m_history.clear();
}

std::vector<CSiteInfo> CFerrowApp::GetSites() const {
  FERROW_ASSERT(OnOwnerThread());
  return std::vector<CSiteInfo>(m_data.m_sites.begin(), m_data.m_sites.end());
}

void CFerrowApp::AddSite(const CSiteInfo& site) {
  FERROW_ASSERT(OnOwnerThread());
  m_data.m_sites.Add(site);
}

bool CFerrowApp::UpdateSite(const CSiteInfo& site) {
  FERROW_ASSERT(OnOwnerThread());
  if (!m_data.m_sites.Remove(site.m_id)) return false;
  m_data.m_sites.Add(site);
  return true;
}

bool CFerrowApp::RemoveSite(const Guid& id) {
  FERROW_ASSERT(OnOwnerThread());
  return m_data.m_sites.Remove(id);
}

bool CFerrowApp::ExploreSite(const Guid& id) {
  FERROW_ASSERT(OnOwnerThread());
  const CSiteInfo* site = m_data.m_sites.Find(id);
  if (!site) return false;
  CInternetURL url;
  // Protocol 1 is FTP over TLS; anything else a stored site may say is plain FTP.
  url.SetScheme(site->m_protocol == SchemeNumber(Scheme::kFtps) ? Scheme::kFtps : Scheme::kFtp);
  url.SetHost(site->m_server);
  url.SetPort(site->m_port);
  url.SetUser(site->m_user);
  url.SetPassword(site->m_password);
  url.SetPath(L"/");
  m_explorer->Connect(url.Format());
  return true;
}

void CFerrowApp::ExploreUrl(const std::wstring& url) {
  FERROW_ASSERT(OnOwnerThread());
  m_explorer->Connect(url);
}

bool CFerrowApp::ChangeExplorerFolder(const std::wstring& name) {
  FERROW_ASSERT(OnOwnerThread());
  return m_explorer->ChangeFolder(name);
}

void CFerrowApp::StopExplorer(Completion done) {
  FERROW_ASSERT(OnOwnerThread());
  if (!done) {
    m_explorer->Stop();
    return;
  }
  m_explorer->RequestStop();
  m_explorerStopped.push_back(std::move(done));
}

bool CFerrowApp::IsExplorerRunning() const {
  FERROW_ASSERT(OnOwnerThread());
  return m_explorer && m_explorer->IsRunning();
}

CFileListing CFerrowApp::GetExplorerListing() const {
  FERROW_ASSERT(OnOwnerThread());
  return m_explorer->GetListing();
}

std::wstring CFerrowApp::GetExplorerPath() const {
  FERROW_ASSERT(OnOwnerThread());
  return m_explorer->GetPath();
}

std::vector<CLogInfo> CFerrowApp::TakeExplorerLog() {
  FERROW_ASSERT(OnOwnerThread());
  return m_explorer->GetLog();
}

void CFerrowApp::ApplySettings(const CSettings& settings) {
  FERROW_ASSERT(OnOwnerThread());
  m_data.m_settings = settings;
  if (!m_inMemory && m_downloads) {
    const auto integration = [this](bool) {
      if (m_options.applyIntegration)
        m_options.applyIntegration(m_data);
      else
        CBrowserIntegration(&m_resources).Apply(m_data.m_settings.m_enableIntegration);
    };
    m_data.ApplyRegistrySettings(GetProgramPath(), integration);
  }
  // Running transfers read these as they go: a new speed limit applies at once.
  if (m_downloads) m_data.m_settings.CopyTo(m_downloads->GetTransferSettings());
  if (m_updates) {
    CTransferSettings& network = m_updates->GetTransferSettings();
    network.SetHttpProxy(m_data.m_settings.m_httpProxy);
    network.SetSocksProxy(m_data.m_settings.m_socksProxy);
  }
  NotifyChanges();
}

bool CFerrowApp::ToggleBrowserIntegration() {
  FERROW_ASSERT(OnOwnerThread());
  bool& enabled = m_data.m_settings.m_enableIntegration;
  if (m_options.applyIntegration) {
    enabled = !enabled;
    m_options.applyIntegration(m_data);
    return enabled;
  }
  return CBrowserIntegration(&m_resources).Toggle(enabled);
}

bool CFerrowApp::Save(Completion done) {
  FERROW_ASSERT(OnOwnerThread());
  if (m_inMemory) {
    if (done) done(true);
    return true;
  }
  if (!done) {
    m_saver.Wait();  // a save still running writes older data: it ends first
    return m_data.Save();
  }
  if (m_saver.IsBusy()) {
    // One save at a time: this one starts, with the data as it is then, when the other ends.
    m_nextSaves.push_back(std::move(done));
    return true;
  }
  auto snapshot = std::make_shared<CApplicationData::Snapshot>(m_data.TakeSnapshot());
  auto saved = std::make_shared<std::array<bool, 5>>();
  if (!m_saver.Start([snapshot, saved] {
        *saved = snapshot->Save();
        return std::all_of(saved->begin(), saved->end(), [](bool file) { return file; });
      })) {
    done(false);
    return false;
  }
  m_savedFiles = saved;
  m_saved = std::move(done);
  return true;
}

}  // namespace ferrow
