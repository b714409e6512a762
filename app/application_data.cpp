#include "app/application_data.h"

#include <cstdint>
#include <cstdio>
#include <ctime>

#include "l10n/message_numbers.h"
#include "l10n/resource_manager.h"
#include "platform/autostart.h"
#include "platform/folders.h"
#include "platform/local_time.h"
#include "platform/text.h"
#include "shell/registry.h"

namespace fs = std::filesystem;

namespace ferrow {
namespace {

constexpr size_t kSettingsIndex = 0;
constexpr size_t kDownloadsIndex = 1;
constexpr size_t kFoldersIndex = 2;

std::string Timestamp() {
  LocalDateTime local;
  UnixToLocalTime(static_cast<std::int64_t>(std::time(nullptr)), local);
  char buffer[96];  // room for any int, so the compiler sees no truncation
  std::snprintf(buffer, sizeof buffer, "%04d%02d%02d-%02d%02d%02d", local.year, local.month,
                local.day, local.hour, local.minute, local.second);
  return buffer;
}

}  // namespace

CApplicationData::CApplicationData() {
  m_states.fill(FileState::kNotLoaded);
}

std::array<CApplicationData::Entry, CApplicationData::kObjectCount> CApplicationData::Entries() {
  return {{{&m_settings, CSettings::kFileName},
           {&m_downloads, CDownloadList::kFileName},
           {&m_folders, CFolderInfo::kFileName},
           {&m_history, CHistoryList::kFileName},
           {&m_sites, CSiteList::kFileName}}};
}

fs::path CApplicationData::GetFilePath(const char* fileName) {
  return fs::path(WideToLocal(GetAppDataFolder())) / fileName;
}

bool CApplicationData::SetAside(const fs::path& path) {
  const std::string base = path.string() + ".bad-" + Timestamp();
  std::error_code error;
  for (int attempt = 0; attempt < 100; ++attempt) {
    fs::path target = attempt == 0 ? base : base + "-" + std::to_string(attempt);
    if (fs::exists(target, error)) continue;
    fs::rename(path, target, error);
    if (error) return false;
    m_setAside.push_back({path, target});
    return true;
  }
  return false;
}

bool CApplicationData::Load() {
  bool all = true;
  m_setAside.clear();
  auto entries = Entries();
  for (size_t i = 0; i < kObjectCount; ++i) {
    fs::path path = GetFilePath(entries[i].fileName);
    switch (entries[i].object->LoadDetailed(path)) {
      case XmlLoadStatus::kLoaded:
        m_states[i] = FileState::kLoaded;
        continue;
      case XmlLoadStatus::kNoFile:
        m_states[i] = FileState::kNoFile;
        break;
      case XmlLoadStatus::kUnreadable:
      case XmlLoadStatus::kMalformed:
        // Saving defaults over it would destroy whatever the user still has in it.
        m_states[i] = SetAside(path) ? FileState::kSetAside : FileState::kProtected;
        break;
    }
    all = false;
  }
  return all;
}

bool CApplicationData::Save() {
  bool all = true;
  auto entries = Entries();
  for (size_t i = 0; i < kObjectCount; ++i) {
    if (m_states[i] == FileState::kProtected ||
        !entries[i].object->Save(GetFilePath(entries[i].fileName))) {
      all = false;
      continue;
    }
    m_states[i] = FileState::kLoaded;  // the file now holds what the object holds
  }
  return all;
}

CApplicationData::Snapshot CApplicationData::TakeSnapshot() const {
  Snapshot snapshot{m_settings, m_downloads, m_folders, m_history, m_sites, {}};
  for (size_t i = 0; i < kObjectCount; ++i)
    snapshot.writable[i] = m_states[i] != FileState::kProtected;
  return snapshot;
}

std::array<bool, 5> CApplicationData::Snapshot::Save() {
  const std::array<std::pair<CXmlObject*, const char*>, kObjectCount> entries{{
      {&settings, CSettings::kFileName},
      {&downloads, CDownloadList::kFileName},
      {&folders, CFolderInfo::kFileName},
      {&history, CHistoryList::kFileName},
      {&sites, CSiteList::kFileName},
  }};
  std::array<bool, kObjectCount> saved{};
  for (size_t i = 0; i < kObjectCount; ++i)
    saved[i] = writable[i] && entries[i].first->Save(GetFilePath(entries[i].second));
  return saved;
}

void CApplicationData::MarkSaved(const std::array<bool, 5>& saved) {
  for (size_t i = 0; i < kObjectCount; ++i)
    if (saved[i]) m_states[i] = FileState::kLoaded;
}

bool CApplicationData::SaveDownloads() {
  if (m_states[kDownloadsIndex] == FileState::kProtected) return false;
  return m_downloads.Save(GetFilePath(CDownloadList::kFileName));
}

void CApplicationData::SetDefaults(const CResourceManager& resources) {
  m_settings.SetDefaults();
  m_folders.SetDefaults(GetDownloadFolder(),
                        [&resources](int number) { return resources.GetString(number); });
}

void CApplicationData::ApplyDefaultsWhereNotLoaded(const CResourceManager& resources) {
  if (m_states[kSettingsIndex] != FileState::kLoaded) m_settings.SetDefaults();
  if (m_states[kFoldersIndex] != FileState::kLoaded)
    m_folders.SetDefaults(GetDownloadFolder(),
                          [&resources](int number) { return resources.GetString(number); });
}

bool CApplicationData::LoadLanguage(CResourceManager& resources) {
  if (m_settings.m_languageFile.empty())
    m_settings.m_languageFile = CResourceManager::GetDefaultLanguageFile();
  if (resources.Load(m_settings.m_languageFile)) return true;
  m_settings.m_languageFile = CResourceManager::kEnglishFile;
  return resources.Load(m_settings.m_languageFile);
}

bool CApplicationData::LoadStartupData(CResourceManager& resources) {
  if (Load()) return LoadLanguage(resources);
  if (!LoadLanguage(resources)) return false;
  // Only what did not load gets defaults: a settings file that loaded keeps the user's choices
  // even when another file was missing or damaged.
  ApplyDefaultsWhereNotLoaded(resources);
  Save();
  for (const auto& file : m_setAside)
    resources.ShowMessage(Msg::kDataFileSetAside,
                          {LocalToWide(file.original.string()), LocalToWide(file.keptAs.string())});
  return true;
}

void CApplicationData::ApplyRegistrySettings(
    const std::wstring& programPath, const std::function<void(bool enable)>& integration) const {
  if (m_settings.m_autoRun)
    WriteAutostartEntry(programPath);
  else
    DeleteAutostartEntry(programPath);
  CRegistry key(L"", CRegistry::kWrite);
  key.WriteString(RegistryNames::kExtensionList, m_settings.m_extensionList);
  if (integration) integration(m_settings.m_enableIntegration);
}

}  // namespace ferrow
