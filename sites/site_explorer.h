#pragma once
// The browsing connection of the site explorer: one FTP connection on a worker thread that
// lists a remote folder, then waits for the next folder to list. The views learn what happens
// from queued events, which OnTimer hands out on the driving thread; they read the listing, the
// path and the log through copies.
//
// Threads: every public operation is called from one driving thread (the user interface, the
// console or a test). The worker writes the listing, the path and the queues; the lock guards
// the site address, the paths and the listing, and the event queue and the log have their own.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "net/event_list.h"
#include "net/file_listing.h"
#include "net/log_list.h"
#include "net/resume_event.h"
#include "net/socket_list.h"
#include "net/stop_event.h"
#include "net/transfer_settings.h"
#include "platform/critical_section.h"
#include "platform/manual_reset_event.h"
#include "platform/thread.h"
#include "sites/site_explorer_listener.h"

namespace ferrow {

class CInternetClient;
class CClientContext;

namespace ExplorerEvent {
constexpr uint32_t kLog = 5;          // a log line was added
constexpr uint32_t kConnecting = 10;  // a connection starts
constexpr uint32_t kEnded = 11;       // the connection has ended
constexpr uint32_t kBusy = 12;        // a folder is being listed
constexpr uint32_t kIdle = 13;        // waiting for the next folder
constexpr uint32_t kListing = 14;     // a new listing is available
}  // namespace ExplorerEvent

// The numbers of the explorer's own log lines (CLogInfo's second form, of kind LogKind::kInfo or,
// for a failure, LogKind::kFailure).
namespace ExplorerLog {
constexpr uint32_t kStart = 1;    // argument: host, extra: port
constexpr uint32_t kStopped = 2;  // extra: 0
constexpr uint32_t kFailure = 3;  // extra: the error value
}  // namespace ExplorerLog

class CSiteExplorer {
 public:
  // Makes the protocol client of a connection; the default makes an FTP client.
  using ClientFactory = std::function<std::unique_ptr<CInternetClient>(const CClientContext&)>;

  // How often the driving thread should call OnTimer.
  static constexpr uint32_t kTimerMilliseconds = 100;

  // The network settings are copied at every connect; their source must outlive the explorer.
  explicit CSiteExplorer(const ITransferSettingsSource& settings, ClientFactory factory = {});
  // Ends a running connection.
  ~CSiteExplorer();
  CSiteExplorer(const CSiteExplorer&) = delete;
  CSiteExplorer& operator=(const CSiteExplorer&) = delete;

  // Ends a running connection, keeps the URL as site address and its path as the folder to
  // list, takes a fresh copy of the network settings and starts the worker.
  void Connect(const std::wstring& url);
  // Moves to the folder named (see NextFolderPath; empty lists the current folder again) and
  // lets the worker list it. Without a running connection it connects to the site address
  // again, at the new folder. False, and nothing done, for a name with a line break or NUL.
  bool ChangeFolder(const std::wstring& name);
  // Takes a fresh copy of the network settings (the settings dialog's OK): a running
  // connection uses them from its next network call on.
  void RefreshSettings();
  // Breaks the worker's network calls, wakes it and waits for it to end.
  void Stop();
  // The same without the wait: call it again now and then (it closes sockets made since)
  // until HasEnded, then Stop finishes without waiting.
  void RequestStop();
  // True when no worker runs (it has ended, or none was started).
  bool HasEnded() const { return !m_thread.IsRunning(); }
  bool IsRunning() const;

  CFileListing GetListing() const;
  // The log lines collected so far; they leave the explorer.
  std::vector<CLogInfo> GetLog();
  std::wstring GetSiteAddress() const;
  std::wstring GetPath() const;

  // Listeners must stay valid while registered; RemoveView may be called from inside a
  // delivery, and a listener removed there hears nothing more.
  void AddView(ISiteExplorerListener* view);
  void RemoveView(ISiteExplorerListener* view);

  // Hands every queued event, in order, to every registered view.
  void OnTimer();

 private:
  void Start(const std::wstring& url, const std::wstring& path);
  void Run();
  // Lists the current folder once; false when the control connection can no longer be used.
  bool ListFolder(CInternetClient& client);
  void Raise(uint32_t event) { m_events.Add(event); }

  const ITransferSettingsSource& m_globalSettings;
  ClientFactory m_factory;

  CThread m_thread;
  CTransferSettings m_settings;
  CEventList m_events;
  CLogList m_log;
  CSocketList m_sockets;
  CStopEvent m_stop;
  CResumeEvent m_resume;
  // Set by the worker as its last step, so a stop can wait for it in short rounds.
  ManualResetEvent m_ended;

  mutable CCriticalSection m_lock;
  std::wstring m_siteAddress;
  std::wstring m_path;
  // The folder whose listing is shown, where a folder that can't be listed sends the path back;
  // empty until a listing of the site succeeds.
  std::wstring m_listedPath;
  CFileListing m_listing;
  // From the start of a connection until its worker has left its loop.
  bool m_active = false;

  // Only the driving thread (the one that made the explorer) touches the views.
  std::vector<ISiteExplorerListener*> m_views;
  const std::thread::id m_owner = std::this_thread::get_id();
};

}  // namespace ferrow
