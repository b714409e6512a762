#pragma once
// Asks the maker's web server once a week whether a newer version exists. A worker thread waits
// out the interval since the last check ("LastCheckUpdate" in the registry), fetches the
// version text over HTTP when the computer is connected, and raises a notification that the
// owner takes on its own thread. Nothing is ever shown for a failure: the next check follows
// one interval later.
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "net/resume_event.h"
#include "net/socket_list.h"
#include "net/stop_event.h"
#include "net/transfer_settings.h"
#include "platform/clock.h"
#include "platform/thread.h"

namespace ferrow {

class CUpdateChecker {
 public:
  static constexpr const wchar_t* kCurrentVersion = L"3.0";
  static constexpr uint32_t kInterval = 604800;  // seconds: a week
  // The longest version reply read; a longer body is no version text.
  static constexpr size_t kMaxReplyBytes = 4096;

  // Whether the computer is connected (default: the system's answer).
  using ConnectedQuery = std::function<bool()>;
  // Waits the given seconds unless the stop event is set first; true when it was set. The
  // default waits on the event; tests replace it to move through days at once.
  using StopWait = std::function<bool(int64_t seconds, const CStopEvent& stop)>;

  // The clock must outlive the checker.
  explicit CUpdateChecker(const IClock& clock = SystemClock());
  ~CUpdateChecker();
  CUpdateChecker(const CUpdateChecker&) = delete;
  CUpdateChecker& operator=(const CUpdateChecker&) = delete;

  // Before Start only.
  void SetConnectedQuery(ConnectedQuery query) { m_connected = std::move(query); }
  void SetStopWait(StopWait wait) { m_wait = std::move(wait); }
  // The proxies and user agent the request goes through; the owner copies them in.
  CTransferSettings& GetTransferSettings() { return m_settings; }

  // Starts the worker; false when it runs already or could not start.
  bool Start(const std::wstring& queryUrl, const std::wstring& currentVersion,
             uint32_t intervalSeconds);
  // Ends the wait and any request under way, and waits for the thread.
  void Stop();

  // True once for each newer version found since the last call (the owner's thread).
  bool TakeNotification() { return m_notifications.exchange(0) > 0; }
  // Checks made so far (tests wait on it).
  uint32_t GetCheckCount() const { return m_checks.load(); }

  // Whether the reply names a newer version: at the first character where the two differ the
  // reply's has the greater code, the end of a text counting as code 0 (so "3.0x" is newer than
  // "3.0", "3." is not). White space around the reply is not part of it.
  static bool IsNewer(const std::wstring& reply, const std::wstring& current);
  // Seconds to wait before the first check: the rest of the interval since the last one.
  static int64_t FirstWait(int64_t lastCheck, int64_t now, uint32_t interval);

 private:
  void Run(std::wstring url, std::wstring version, uint32_t interval);
  void Check(const std::wstring& url, const std::wstring& version);

  const IClock& m_clock;
  ConnectedQuery m_connected;
  StopWait m_wait;
  CTransferSettings m_settings;
  CStopEvent m_stop;
  CResumeEvent m_resume;
  CSocketList m_sockets;
  CThread m_thread;
  std::atomic<uint32_t> m_notifications{0};
  std::atomic<uint32_t> m_checks{0};
};

}  // namespace ferrow
