#pragma once
// The running instance's side of the socket between instances: a thread that answers the
// identify message and queues every hand-over for the owner, who takes them on its own thread
// (the user-interface thread). Connections are served one after another, so hand-overs that
// arrive together are queued in turn and none is lost.
#include <deque>
#include <functional>
#include <mutex>
#include <string>

#include "platform/error_code.h"
#include "platform/thread.h"
#include "platform/unix_listener.h"
#include "shell/instance_message.h"

namespace ferrow {

class CInstanceServer {
 public:
  // How long one peer may take over a line before it is dropped.
  static constexpr uint32_t kPeerMilliseconds = 5000;

  CInstanceServer() = default;
  ~CInstanceServer();
  CInstanceServer(const CInstanceServer&) = delete;
  CInstanceServer& operator=(const CInstanceServer&) = delete;

  // Listens at the socket path and starts answering. Returns 0 or the packed system error.
  ErrorValue Start(const std::wstring& socketPath);
  // Stops answering and removes the socket file.
  void Stop();
  bool IsRunning() const { return m_thread.IsRunning(); }

  // The next hand-over, oldest first; false when none waits.
  bool Take(HandOver& handOver);
  // Called on the server's thread after a hand-over was queued, so that a window loop can wake.
  void SetWakeup(std::function<void()> wakeup);

 private:
  void Run();
  void Serve(class CUnixConnection& connection);

  CUnixListener m_listener;
  CThread m_thread;
  std::mutex m_lock;  // guards the queue and the wake-up
  std::deque<HandOver> m_queue;
  std::function<void()> m_wakeup;
};

}  // namespace ferrow
