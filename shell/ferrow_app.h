#pragma once
// The program's start and end. Start makes sure only one instance runs, hands a later start's
// URLs to the running one, loads the data and the language, and creates the long-lived
// services in a fixed order; Exit stops them in the reverse order and saves the data. While
// the program runs, whoever owns the loop calls Poll (or waits MillisecondsToNext): it drives
// the download manager's and the site explorer's timers and hands hand-overs, connection
// changes and update notices to the front end on that thread.
//
// Start order: the private runtime folder (failure: the text for system error 12), the URL
// block (14), the command line, the check for a running instance (which ends this start), the
// data and the language (1815), answering later instances, the main window (the services
// exist by then, not yet started), the sound manager, the dial-up watcher, the download
// manager with the after-download actions, the site explorer, browser integration, the update
// check, and this start's own URLs. A later instance thus never reads or writes the data
// files.
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/timer_host.h"
#include "shell/command_line.h"
#include "shell/instance_names.h"
#include "shell/single_instance.h"
#include "store/application_data.h"

namespace ferrow {

class CAfterDownload;
class CDialupService;
class CDownloadManager;
class CResourceManager;
class CSiteExplorer;
class CSoundManager;
class CUpdateChecker;
class IShellActions;
class IShellFrontEnd;
class ITransferFactory;
class IWavePlayer;

class CFerrowApp : public ITimerTarget {
 public:
  static constexpr uint32_t kPollTimer = 100;
  static constexpr uint32_t kPollMilliseconds = 100;

  // Anything left empty is the system's own.
  struct Options {
    InstanceNames names = InstanceNames::Default();
    uint32_t answerMilliseconds = CSingleInstance::kAnswerMilliseconds;
    ITransferFactory* transferFactory = nullptr;
    IShellActions* actions = nullptr;
    IWavePlayer* wavePlayer = nullptr;
    const IClock* clock = nullptr;
    // The version query; empty turns the update check off.
    std::wstring updateUrl = DefaultUpdateUrl();
    bool watchConnections = true;
    // Applies "EnableIntegration" to the browser plug-in; empty: CBrowserIntegration does.
    std::function<void(CApplicationData&)> applyIntegration;
  };

  enum class StartResult {
    kRunning,     // the program runs: drive Poll, call Exit at the end
    kHandedOver,  // another instance runs and has the URLs (or will find them): end quietly
    kFailed,      // the reason has been shown, or the main window could not be made
  };

  // The front end and the resources outlive the application object.
  CFerrowApp(IShellFrontEnd& frontEnd, CResourceManager& resources);
  CFerrowApp(IShellFrontEnd& frontEnd, CResourceManager& resources, Options options);
  // Exits if the program still runs.
  ~CFerrowApp() override;
  CFerrowApp(const CFerrowApp&) = delete;
  CFerrowApp& operator=(const CFerrowApp&) = delete;

  // arguments[0] is the program.
  StartResult Start(const std::vector<std::wstring>& arguments);
  // Stops the site explorer, the download manager (running downloads go first in the queue),
  // the dial-up watcher and the sound manager, then saves the data. Only after a full start.
  void Exit();
  bool IsRunning() const { return m_running; }
  bool IsSilent() const { return m_commandLine.IsSilent(); }

  // Fires every due timer of the application and of the download manager.
  size_t Poll();
  // Milliseconds until the next timer is due; -1 before Start.
  int64_t MillisecondsToNext() const;
  void OnTimer(uint32_t id) override;

  CApplicationData& GetData() { return m_data; }
  CDownloadManager& GetDownloadManager() { return *m_downloads; }
  CSiteExplorer& GetSiteExplorer() { return *m_explorer; }
  CSoundManager& GetSoundManager() { return *m_sounds; }
  CDialupService& GetDialupService() { return *m_dialup; }
  CUpdateChecker& GetUpdateChecker() { return *m_updates; }
  CSingleInstance& GetInstance() { return m_instance; }

  // "http://" + the build's update host + the query; empty when the build has no host.
  static std::wstring DefaultUpdateUrl();
  // The page the front end opens when the user wants the newer version.
  static std::wstring DownloadPageUrl();

 private:
  StartResult Fail(uint16_t systemCode);
  // The start-up failure's text, in the user's language when the settings name one; the
  // settings file is only read for it.
  void ShowStartupError(uint16_t systemCode);
  void MakeServices();
  void StartServices();
  void QueueOwnUrls();
  void DeliverHandOvers();
  void DeliverConnectionChanges();

  IShellFrontEnd& m_frontEnd;
  CResourceManager& m_resources;
  Options m_options;
  const IClock& m_clock;
  CTimerHost m_timerHost;
  CCommandLine m_commandLine;
  CSingleInstance m_instance;
  CApplicationData m_data;
  bool m_languageLoaded = false;
  bool m_running = false;
  bool m_closeRequested = false;  // by the after-download actions, delivered by the poll timer
  std::wstring m_leftInBlock;     // the block's text before this start wrote its own
  std::deque<HandOver> m_ownHandOvers;  // this start's own URLs, delivered on the first Poll

  // Made by Start, in this order, and ended by Exit in the reverse one.
  std::unique_ptr<ITransferFactory> m_ownFactory;
  std::unique_ptr<IShellActions> m_ownActions;
  std::unique_ptr<IWavePlayer> m_ownPlayer;
  std::unique_ptr<CSoundManager> m_sounds;
  std::unique_ptr<CDialupService> m_dialup;
  std::unique_ptr<CDownloadManager> m_downloads;
  std::unique_ptr<CAfterDownload> m_afterDownload;
  std::unique_ptr<CSiteExplorer> m_explorer;
  std::unique_ptr<CUpdateChecker> m_updates;
};

}  // namespace ferrow
