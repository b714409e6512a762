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

namespace {

// The folder with the ID, the root included.
CFolderInfo* FolderOrRoot(CFolderInfo& root, const Guid& id) {
  return id == root.m_id ? &root : root.FindFolder(id);
}

bool PositionsValid(const std::vector<size_t>& positions, size_t count) {
  return std::all_of(positions.begin(), positions.end(),
                     [count](size_t position) { return position < count; });
}

// The entries at the positions, each once, in list order; the rest stay in `from`.
std::vector<CFileInfo> TakeFiles(CFileList& from, std::vector<size_t> positions) {
  std::sort(positions.begin(), positions.end());
  positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
  std::vector<CFileInfo> taken;
  CFileList kept;
  size_t index = 0;
  auto next = positions.begin();
  for (CFileInfo& file : from) {
    if (next != positions.end() && *next == index) {
      taken.push_back(std::move(file));
      ++next;
    } else {
      kept.push_back(std::move(file));
    }
    ++index;
  }
  from.swap(kept);
  return taken;
}

}  // namespace

Guid CFerrowApp::AddFolder(const Guid& parent, const std::wstring& name) {
  FERROW_ASSERT(OnOwnerThread());
  CFolderInfo* folder = FolderOrRoot(m_data.m_folders, parent);
  if (!folder || !CFolderInfo::IsValidName(name)) return Guid();
  return folder->AddFolder(name).m_id;
}

bool CFerrowApp::RenameFolder(const Guid& id, const std::wstring& name) {
  FERROW_ASSERT(OnOwnerThread());
  if (!CFolderInfo::IsValidName(name)) return false;
  return m_data.m_folders.RenameFolder(id, name);
}

bool CFerrowApp::SetFolderPath(const Guid& id, const std::wstring& path) {
  FERROW_ASSERT(OnOwnerThread());
  CFolderInfo* folder = FolderOrRoot(m_data.m_folders, id);
  if (!folder || path.empty()) return false;
  folder->m_path = path.back() == L'/' ? path : path + L'/';
  return true;
}

bool CFerrowApp::MoveFolderFiles(const Guid& from, const std::vector<size_t>& positions,
                                 const Guid& to) {
  FERROW_ASSERT(OnOwnerThread());
  CFolderInfo* source = FolderOrRoot(m_data.m_folders, from);
  CFolderInfo* target = FolderOrRoot(m_data.m_folders, to);
  if (!source || !target || !PositionsValid(positions, source->m_files.size())) return false;
  if (source == target) return true;
  for (CFileInfo& file : TakeFiles(source->m_files, positions))
    target->m_files.push_back(std::move(file));
  return true;
}

bool CFerrowApp::RemoveFolderFiles(const Guid& folder, const std::vector<size_t>& positions) {
  FERROW_ASSERT(OnOwnerThread());
  CFolderInfo* found = FolderOrRoot(m_data.m_folders, folder);
  if (!found || !PositionsValid(positions, found->m_files.size())) return false;
  TakeFiles(found->m_files, positions);
  return true;
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

bool CFerrowApp::RemoveHistoryEntries(const std::vector<size_t>& indices) {
  FERROW_ASSERT(OnOwnerThread());
  if (!PositionsValid(indices, m_data.m_history.size())) return false;
  std::vector<size_t> sorted = indices;
  std::sort(sorted.begin(), sorted.end());
  sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
  // From the back, so the positions still in front stay valid.
  for (auto index = sorted.rbegin(); index != sorted.rend(); ++index) {
    auto it = m_data.m_history.begin();
    std::advance(it, static_cast<std::ptrdiff_t>(*index));
    m_data.m_history.erase(it);
  }
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
  if (!site || !m_explorer) return false;
  m_explorer->Connect(site->GetUrl());
  return true;
}

void CFerrowApp::ExploreUrl(const std::wstring& url) {
  FERROW_ASSERT(OnOwnerThread());
  if (m_explorer) m_explorer->Connect(url);
}

bool CFerrowApp::ChangeExplorerFolder(const std::wstring& name) {
  FERROW_ASSERT(OnOwnerThread());
  return m_explorer && m_explorer->ChangeFolder(name);
}

void CFerrowApp::StopExplorer(Completion done) {
  FERROW_ASSERT(OnOwnerThread());
  if (!m_explorer) {
    if (done) done(true);
    return;
  }
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
  return m_explorer ? m_explorer->GetListing() : CFileListing();
}

std::wstring CFerrowApp::GetExplorerPath() const {
  FERROW_ASSERT(OnOwnerThread());
  return m_explorer ? m_explorer->GetPath() : std::wstring();
}

std::vector<CLogInfo> CFerrowApp::TakeExplorerLog() {
  FERROW_ASSERT(OnOwnerThread());
  return m_explorer ? m_explorer->GetLog() : std::vector<CLogInfo>();
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
  if (m_explorer) m_explorer->RefreshSettings();
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
