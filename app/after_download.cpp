#include "app/after_download.h"

#include "app/settings.h"
#include "download/download_info.h"
#include "download/download_manager.h"
#include "l10n/message_numbers.h"
#include "l10n/resource_manager.h"
#include "net/event_list.h"
#include "shell/argument_split.h"
#include "shell/event_sounds.h"
#include "shell/shell_actions.h"

namespace ferrow {

CAfterDownload::CAfterDownload(const CSettings& settings, const CDownloadManager& manager,
                               IEventSounds& sounds, IShellActions& actions,
                               const CResourceManager& resources, std::function<void()> close)
    : m_settings(settings),
      m_manager(manager),
      m_sounds(sounds),
      m_actions(actions),
      m_resources(resources),
      m_close(std::move(close)) {}

void CAfterDownload::OnDownloadMessage(TransferEvent event, CDownloadInfo& record) {
  switch (event) {
    case TransferEvent::kStarted:
      m_sounds.Play(SoundEvent::kStarted);
      break;
    case TransferEvent::kFinished:
      OnFinished(record);
      break;
    case TransferEvent::kLoginRequired:
      m_sounds.Play(SoundEvent::kLogin);
      break;
    default:
      break;
  }
}

std::vector<std::wstring> CAfterDownload::ScannerArguments(const std::wstring& program,
                                                           const std::wstring& arguments,
                                                           const std::wstring& file) {
  std::vector<std::wstring> argv{program};
  for (std::wstring& word : SplitArguments(arguments)) argv.push_back(std::move(word));
  argv.push_back(file);
  return argv;
}

void CAfterDownload::OnFinished(const CDownloadInfo& record) {
  if (record.m_status == DownloadStatus::kFailed) m_sounds.Play(SoundEvent::kError);
  if (record.m_status == DownloadStatus::kCompleted) {
    m_sounds.Play(SoundEvent::kCompleted);
    if (m_settings.m_useAntivirus && !m_settings.m_scannerFile.empty()) RunScanner(record.m_file);
  }
  // A download the user stopped still counts as running here, so nothing follows it.
  if (m_manager.GetQueueCount() == 0 && m_manager.GetActiveCount() == 0) TakeFinalActions();
}

void CAfterDownload::RunScanner(const std::wstring& file) {
  const LaunchResult result = m_actions.StartProgram(
      ScannerArguments(m_settings.m_scannerFile, m_settings.m_scannerArguments, file));
  if (result.Started()) return;
  // A file that is no program: the desktop may know one to open it with.
  if (result.failure == LaunchFailure::kNotAProgram &&
      m_actions.OfferOpenWith(m_settings.m_scannerFile))
    return;
  m_resources.ShowMessage(Msg::kScannerFailed,
                          {m_settings.m_scannerFile, m_resources.ErrorText(result.error)});
}

void CAfterDownload::TakeFinalActions() {
  m_sounds.Play(SoundEvent::kFinished);
  if (m_settings.m_autoHangup) {
    m_sounds.Play(SoundEvent::kHangup);
    m_actions.HangUp();
  }
  if (m_settings.m_autoShutdown) {
    m_sounds.Play(SoundEvent::kShutdown);
    m_actions.ShutDown();
  }
  if (m_settings.m_autoClose) {
    m_sounds.Play(SoundEvent::kClose);
    if (m_close) m_close();
  }
}

}  // namespace ferrow
