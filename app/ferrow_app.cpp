#include "app/ferrow_app.h"

#include <chrono>
#include <thread>

#include "app/after_download.h"
#include "download/download_manager.h"
#include "download/file_transfer_factory.h"
#include "l10n/message_numbers.h"
#include "l10n/resource_manager.h"
#include "platform/alsa_wave_player.h"
#include "platform/assert.h"
#include "platform/text.h"
#include "shell/browser_integration.h"
#include "shell/dialup_service.h"
#include "shell/shell_front_end.h"
#include "shell/sound_manager.h"
#include "shell/system_actions.h"
#include "shell/update_checker.h"
#include "sites/site_explorer.h"

#ifndef FERROW_UPDATE_HOST
#define FERROW_UPDATE_HOST ""
#endif

namespace ferrow {
std::wstring CFerrowApp::DefaultUpdateUrl() {
  const std::wstring host = LocalToWide(FERROW_UPDATE_HOST);
  if (host.empty()) return std::wstring();
  return L"http://" + host + L"/ProductVersion.ashx?ProductName=Ferrow";
}

std::wstring CFerrowApp::DownloadPageUrl() {
  const std::wstring host = LocalToWide(FERROW_UPDATE_HOST);
  if (host.empty()) return std::wstring();
  return L"http://" + host + L"/Download.aspx";
}

CFerrowApp::CFerrowApp(IShellFrontEnd& frontEnd, CResourceManager& resources)
    : CFerrowApp(frontEnd, resources, Options()) {}

CFerrowApp::CFerrowApp(IShellFrontEnd& frontEnd, CResourceManager& resources, Options options)
    : m_frontEnd(frontEnd),
      m_resources(resources),
      m_options(std::move(options)),
      m_clock(m_options.clock ? *m_options.clock : SystemClock()),
      m_timerHost(m_clock),
      m_instance(m_options.names) {}

CFerrowApp::~CFerrowApp() {
  Exit();
  // An Exit whose completion never came: finished here, without it.
  if (m_exiting) {
    m_exited = nullptr;
    FinishExit();
  }
  m_saver.Wait();
  m_timerHost.KillTimers(this);
  // After a start that failed once the services existed: the manager outlives its listeners.
  if (m_downloads) {
    if (m_afterDownload) m_downloads->RemoveListener(m_afterDownload.get());
    m_downloads->RemoveListener(this);
  }
}

CFerrowApp::StartResult CFerrowApp::Start(const std::vector<std::wstring>& arguments) {
  FERROW_ASSERT(OnOwnerThread());
  if (m_running) return StartResult::kRunning;
  if (m_instance.PrepareFolder() != 0) return Fail(Msg::kInstanceChannelFailedCode);
  if (!m_instance.CreateBlock()) return Fail(Msg::kUrlBlockFailedCode);
  // A URL that a later start left while no instance answered: ours would overwrite it.
  m_leftInBlock = m_instance.Block().Get();
  m_commandLine.Parse(arguments);
  // In the block before the check, so that it stays for the running instance to find when it
  // does not answer in time.
  if (m_commandLine.HasUrl()) m_instance.Block().Set(m_commandLine.GetUrlText());
  switch (m_instance.Detect(m_commandLine, m_options.answerMilliseconds)) {
    case InstanceRole::kFirst:
      break;
    case InstanceRole::kHandedOver:
    case InstanceRole::kNoAnswer:
      return StartResult::kHandedOver;
    case InstanceRole::kFailed:
      return Fail(Msg::kInstanceChannelFailedCode);
  }
  if (!m_data.LoadStartupData(m_resources)) return Fail(Msg::kLanguageLoadFailedCode);
  m_languageLoaded = true;
  if (m_instance.Listen() != 0) return Fail(Msg::kInstanceChannelFailedCode);
  // The services exist before the main window, so that it can listen to them; they start
  // after it.
  MakeServices();
  if (!m_frontEnd.CreateMainWindow()) {
    m_instance.Server().Stop();
    return StartResult::kFailed;
  }
  StartServices();
  QueueOwnUrls();
  m_timerHost.SetTimer(this, kPollTimer, kPollMilliseconds);
  m_running = true;
  return StartResult::kRunning;
}

bool CFerrowApp::StartInMemory(const CSettings& settings) {
  FERROW_ASSERT(OnOwnerThread());
  if (m_running || m_downloads) return false;
  m_inMemory = true;
  m_data.m_settings = settings;
  MakeServices();
  m_downloads->Create();  // starts the queue with "StartQueue"
  m_timerHost.SetTimer(this, kPollTimer, kPollMilliseconds);
  m_running = true;
  return true;
}

CFerrowApp::StartResult CFerrowApp::Fail(uint16_t systemCode) {
  ShowStartupError(systemCode);
  return StartResult::kFailed;
}

void CFerrowApp::ShowStartupError(uint16_t systemCode) {
  if (!m_languageLoaded) {
    // Nothing is written here: a start that fails this early must leave the files alone.
    CSettings settings;
    settings.Load();
    CApplicationData data;
    data.m_settings.m_languageFile = settings.m_languageFile;
    m_languageLoaded = data.LoadLanguage(m_resources);
  }
  m_frontEnd.ShowStartupError(m_resources.ErrorText(MakeError(kCategorySystem, systemCode)));
}

void CFerrowApp::MakeServices() {
  if (!m_options.transferFactory) {
    m_ownFactory = std::make_unique<CFileTransferFactory>();
    m_options.transferFactory = m_ownFactory.get();
  }
  if (m_inMemory) {
    m_downloads = std::make_unique<CDownloadManager>(m_data.GetDownloadLists(), m_data.m_settings,
                                                     *m_options.transferFactory, m_clock);
    m_downloads->AddListener(this);
    m_explorer = std::make_unique<CSiteExplorer>(m_data.m_settings);
    m_explorer->AddView(this);
    return;
  }
  if (!m_options.wavePlayer) {
    m_ownPlayer = std::make_unique<CAlsaWavePlayer>();
    m_options.wavePlayer = m_ownPlayer.get();
  }
  if (!m_options.actions) {
    m_ownActions = std::make_unique<CSystemActions>();
    m_options.actions = m_ownActions.get();
  }
  m_sounds = std::make_unique<CSoundManager>(*m_options.wavePlayer);
  m_dialup = std::make_unique<CDialupService>();
  m_downloads = std::make_unique<CDownloadManager>(m_data.GetDownloadLists(), m_data.m_settings,
                                                   *m_options.transferFactory, m_clock);
  m_downloads->SetDownloadSaver([this] { m_data.SaveDownloads(); });
  m_afterDownload = std::make_unique<CAfterDownload>(
      m_data.m_settings, *m_downloads, *m_sounds, *m_options.actions, m_resources,
      // Posted, not called: the front end closes from the loop, never from inside the
      // download manager's own call.
      [this] { m_closeRequested = true; });
  m_downloads->AddListener(m_afterDownload.get());
  m_downloads->AddListener(this);
  m_explorer = std::make_unique<CSiteExplorer>(m_data.m_settings);
  m_explorer->AddView(this);
  m_updates = std::make_unique<CUpdateChecker>(m_clock);
}

void CFerrowApp::StartServices() {
  m_sounds->SetSettings(&m_data.m_settings.m_enableSounds, &m_data.m_settings.m_soundFiles);
  if (m_options.watchConnections) m_dialup->Start();  // no rtnetlink: no reports, no error
  m_downloads->Create();                              // starts the queue with "StartQueue"
  if (m_options.applyIntegration)
    m_options.applyIntegration(m_data);
  else
    CBrowserIntegration(&m_resources).Apply(m_data.m_settings.m_enableIntegration);
  CTransferSettings& network = m_updates->GetTransferSettings();
  network.SetHttpProxy(m_data.m_settings.m_httpProxy);
  network.SetHttpsProxy(m_data.m_settings.m_httpsProxy);
  network.SetSocksProxy(m_data.m_settings.m_socksProxy);
  if (!m_options.updateUrl.empty())
    m_updates->Start(m_options.updateUrl, CUpdateChecker::kCurrentVersion,
                     CUpdateChecker::kInterval);
}

void CFerrowApp::QueueOwnUrls() {
  CMappedString& block = m_instance.Block();
  const std::wstring own = m_commandLine.HasUrl() ? m_commandLine.GetUrlText() : std::wstring();
  if (!own.empty()) m_ownHandOvers.push_back({false, own});
  // Later starts that found us still starting left their URLs in the block: one before ours was
  // written, one while we loaded.
  if (!m_leftInBlock.empty() && m_leftInBlock != own)
    m_ownHandOvers.push_back({false, m_leftInBlock});
  const std::wstring left = block.Get();
  if (!left.empty() && left != own && left != m_leftInBlock)
    m_ownHandOvers.push_back({false, left});
  block.ClearIf(left);
}

size_t CFerrowApp::Poll() {
  FERROW_ASSERT(OnOwnerThread());
  size_t fired = m_timerHost.Poll();
  if (m_downloads && m_downloads->HandleWake()) ++fired;
  if (m_downloads) fired += m_downloads->GetTimerHost().Poll();
  FinishPendingWork();
  NotifyChanges();
  return fired;
}

int64_t CFerrowApp::MillisecondsToNext() const {
  int64_t next = m_timerHost.MillisecondsToNext();
  if (m_downloads) {
    const int64_t manager = m_downloads->GetTimerHost().MillisecondsToNext();
    if (manager >= 0 && (next < 0 || manager < next)) next = manager;
  }
  return next;
}

void CFerrowApp::WaitForWork(int milliseconds) const {
  if (m_downloads) {
    m_downloads->GetWake().Wait(milliseconds);
  } else {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
  }
}

int CFerrowApp::WakeDescriptor() const {
  return m_downloads ? m_downloads->GetWake().Fd() : -1;
}

void CFerrowApp::OnTimer(uint32_t id) {
  // The front end may exit from any of its calls: each step looks whether we still run.
  if (id != kPollTimer || !m_running) return;
  DeliverHandOvers();
  if (!m_running) return;
  DeliverConnectionChanges();
  if (!m_running) return;
  if (m_updates && m_updates->TakeNotification()) m_frontEnd.OnNewVersion();
  if (!m_running) return;
  m_explorer->OnTimer();
  if (m_running && m_closeRequested) {
    m_closeRequested = false;
    m_frontEnd.OnCloseRequested();
  }
}

void CFerrowApp::DeliverHandOvers() {
  for (;;) {
    HandOver handOver;
    if (!m_ownHandOvers.empty()) {
      handOver = std::move(m_ownHandOvers.front());
      m_ownHandOvers.pop_front();
    } else if (!m_instance.Server().Take(handOver)) {
      return;
    } else {
      // Read now: a later plain start must not find it and hand it over again.
      m_instance.Block().ClearIf(handOver.urlText);
    }
    if (handOver.activate) m_frontEnd.OnActivate();
    const std::vector<std::wstring> urls = CCommandLine::SplitUrls(handOver.urlText);
    if (!urls.empty()) m_frontEnd.OnUrls(urls);
    if (!m_running) return;  // the front end closed the program meanwhile
  }
}

void CFerrowApp::DeliverConnectionChanges() {
  bool up = false;
  while (m_running && m_dialup && m_dialup->TakeEvent(up)) {
    // With the link the queue starts; without it the running downloads wait at its head.
    if (up)
      m_downloads->StartQueue();
    else
      m_downloads->StopAll();
    m_frontEnd.OnConnectionChanged(up);
  }
}

void CFerrowApp::Exit(Completion done) {
  FERROW_ASSERT(OnOwnerThread());
  if (!m_running) {
    if (done) done(true);
    return;
  }
  m_running = false;
  m_timerHost.KillTimers(this);
  if (m_updates) m_updates->Stop();
  m_exiting = true;
  if (!done) {
    FinishExit();
    return;
  }
  // The rest follows from Poll once the threads have ended (FinishPendingWork).
  m_exited = std::move(done);
  m_explorer->RequestStop();
  m_downloads->RequestStopAll();
}

void CFerrowApp::FinishExit() {
  m_exiting = false;
  m_explorer->Stop();
  m_explorer->RemoveView(this);
  m_explorer.reset();
  if (m_afterDownload) m_downloads->RemoveListener(m_afterDownload.get());
  m_downloads->RemoveListener(this);
  m_downloads.reset();  // stops every transfer; running downloads go first in the queue
  m_afterDownload.reset();
  if (m_dialup) m_dialup->Stop();
  if (m_sounds) m_sounds->Stop();
  Completion exited = std::move(m_exited);
  m_exited = nullptr;
  if (m_inMemory) {
    if (exited) exited(true);
    return;
  }
  if (!exited) {
    m_saver.Wait();  // a save still running writes older data: it ends first
    m_data.Save();
    m_instance.Server().Stop();
    return;
  }
  // The instance lock stays until this object goes, so a new instance never reads files still
  // being written.
  Save([this, exited](bool saved) {
    m_instance.Server().Stop();
    exited(saved);
  });
}

}  // namespace ferrow
