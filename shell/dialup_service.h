#pragma once
// Ties the program to dial-up and mobile links: a watcher thread reports such a link coming up
// or going down, HangUpAll ends every one that is up, ShutDown switches the computer off and
// IsConnected tells whether there is an Internet connection at all. The watcher's reports wait
// in a queue that the owner takes on its own thread.
//
// A dial-up link is an interface of the PPP type, or one whose name begins with "ppp" (pppd's
// links), "wwan" or "ww" (mobile broadband modems, by the kernel's and by systemd's naming).
// It counts as up while it is administratively up and carries traffic.
#include <atomic>
#include <cstdint>
#include <deque>
#include <mutex>
#include <set>
#include <string>

#include "platform/network_links.h"
#include "platform/thread.h"

namespace ferrow {

class CDialupService {
 public:
  // The watcher looks again at least this often, whatever the kernel says.
  static constexpr uint32_t kScanMilliseconds = 1000;

  CDialupService() = default;
  ~CDialupService();
  CDialupService(const CDialupService&) = delete;
  CDialupService& operator=(const CDialupService&) = delete;

  // Starts watching the links of the calling thread's network namespace. Without rtnetlink
  // nothing starts and nothing is reported (false); the program goes on either way.
  bool Start();
  void Stop();
  bool IsRunning() const { return m_thread.IsRunning(); }

  // The next report, oldest first: true for a link that came up, false for one that went down.
  bool TakeEvent(bool& connected);
  // Looks at the links done so far (tests wait on it).
  uint32_t GetScanCount() const { return m_scans.load(); }

  // Ends every dial-up link that is up (see link_hangup.h for how).
  static void HangUpAll();
  static void ShutDown();
  static bool IsConnected();
  static bool IsDialupLink(const NetworkLink& link);

 private:
  void Run();
  // The names of the dial-up links that are up now.
  static std::set<std::string> UpLinks(bool& ok);

  CLinkWatch m_watch;
  CThread m_thread;
  std::mutex m_lock;  // guards the queue
  std::deque<bool> m_events;
  std::atomic<uint32_t> m_scans{0};
};

}  // namespace ferrow
