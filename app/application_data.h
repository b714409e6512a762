#pragma once
// The single owner of all persistent state: the settings and the four stored lists, each in its
// own file in the data folder. Used on the user-interface thread only.
//
// A file that exists but cannot be used is never overwritten: loading goes file by file, a
// damaged file is renamed aside ("<name>.bad-YYYYMMDD-HHMMSS") and reported, and an object whose
// file could neither be read nor moved aside is never saved in this session.
#include <array>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/settings.h"
#include "download/download_list.h"
#include "download/download_manager.h"
#include "download/folder_info.h"
#include "download/history_list.h"
#include "sites/site_list.h"

namespace ferrow {

class CResourceManager;

class CApplicationData {
 public:
  enum class FileState {
    kNotLoaded,  // Load has not run
    kLoaded,
    kNoFile,     // no file yet: safe to write
    kSetAside,   // the damaged file was renamed aside: safe to write
    kProtected,  // damaged and could not be moved: never written
  };

  // A damaged file that was renamed aside.
  struct SetAsideFile {
    std::filesystem::path original;
    std::filesystem::path keptAs;
  };

  CApplicationData();
  CApplicationData(const CApplicationData&) = delete;
  CApplicationData& operator=(const CApplicationData&) = delete;

  // Loads settings, downloads, folders, history and sites, each on its own; true only when all
  // five loaded.
  bool Load();
  // Saves the five in the same order, each on its own, leaving out protected ones; true only
  // when all five were saved.
  bool Save();
  // The settings' defaults ("LanguageFile" kept) and the default folder tree, its sub-folder
  // names from the language strings.
  void SetDefaults(const CResourceManager& resources);

  // The start-up sequence: load the data, load the language (English as the fallback), give
  // every object that did not load its defaults and save. False only when no language file
  // could be loaded; the caller then ends with the text for system error 1815.
  bool LoadStartupData(CResourceManager& resources);
  // Chooses "LanguageFile" when empty, loads it, and falls back to English once.
  bool LoadLanguage(CResourceManager& resources);

  // The registry-backed settings that the settings dialog applies: the autostart entry by
  // "AutoRun" and "ExtensionList" for the browser plug-ins, then, when given, the browser
  // integration step (the shell's) with "EnableIntegration". Failures are ignored, as the next
  // apply writes again.
  void ApplyRegistrySettings(const std::wstring& programPath,
                             const std::function<void(bool enable)>& integration = {}) const;

  // Data folder + "Brennick/Ferrow/" + file name.
  static std::filesystem::path GetFilePath(const char* fileName);

  FileState GetFileState(size_t index) const { return m_states[index]; }

  // A copy of the five objects, and of which of them may be written, for a save on another
  // thread while the program goes on changing the originals.
  struct Snapshot {
    CSettings settings;
    CDownloadList downloads;
    CFolderInfo folders;
    CHistoryList history;
    CSiteList sites;
    std::array<bool, 5> writable{};
    // Writes every writable copy to its file, as Save does; which ones were written. Any thread.
    std::array<bool, 5> Save();
  };
  Snapshot TakeSnapshot() const;
  // After a snapshot was saved: those files now hold what was saved.
  void MarkSaved(const std::array<bool, 5>& saved);

  // The lists the download manager works on.
  DownloadLists GetDownloadLists() { return {m_downloads, m_history, m_folders}; }
  // Saves "Downloads.xml" alone (the download manager's minute timer), unless its file is
  // protected.
  bool SaveDownloads();
  const std::vector<SetAsideFile>& GetSetAsideFiles() const { return m_setAside; }

  CSettings m_settings;
  CDownloadList m_downloads;
  CFolderInfo m_folders;  // the root of the folder tree
  CHistoryList m_history;
  CSiteList m_sites;

  static constexpr size_t kObjectCount = 5;

 private:
  struct Entry {
    CXmlObject* object;
    const char* fileName;
  };
  std::array<Entry, kObjectCount> Entries();
  bool SetAside(const std::filesystem::path& path);
  void ApplyDefaultsWhereNotLoaded(const CResourceManager& resources);

  std::array<FileState, kObjectCount> m_states;
  std::vector<SetAsideFile> m_setAside;
};

}  // namespace ferrow
