#pragma once
// The reaction to the download message: sounds for started, finished and login-required
// downloads, the virus scanner over a completed file, and once nothing runs and nothing waits
// any more the actions the user chose for the end of the work: hang up, switch off, close,
// each after its sound and each only when its setting is set, in that order.
//
// Registered as a download listener; everything runs on the manager's thread inside the
// message, after the manager's own finish handling (so downloads started for the freed slots
// already count as running).
#include <cstdint>
#include <functional>
#include <string>

#include "download/download_listener.h"

namespace ferrow {

class CDownloadManager;
class CResourceManager;
class CSettings;
class IEventSounds;
class IShellActions;

class CAfterDownload : public IDownloadListener {
 public:
  // Everything given outlives this object. close asks the owner to close the program as if
  // the user had closed it.
  CAfterDownload(const CSettings& settings, const CDownloadManager& manager, IEventSounds& sounds,
                 IShellActions& actions, const CResourceManager& resources,
                 std::function<void()> close);

  void OnDownloadMessage(TransferEvent event, CDownloadInfo& record) override;

  // The scanner's argument vector: the program, its configured arguments split as a shell
  // would split them (without expanding anything), then the file as one argument.
  static std::vector<std::wstring> ScannerArguments(const std::wstring& program,
                                                    const std::wstring& arguments,
                                                    const std::wstring& file);

 private:
  void OnFinished(const CDownloadInfo& record);
  void RunScanner(const std::wstring& file);
  void TakeFinalActions();

  const CSettings& m_settings;
  const CDownloadManager& m_manager;
  IEventSounds& m_sounds;
  IShellActions& m_actions;
  const CResourceManager& m_resources;
  std::function<void()> m_close;
};

}  // namespace ferrow
