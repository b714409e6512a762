#pragma once
// A worker thread: created suspended, started by Resume, waited for by Wait. The object owns the
// thread and waits for it on destruction, so a thread never outlives what it works on.
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace ferrow {

class CThread {
 public:
  CThread() = default;
  ~CThread();
  CThread(const CThread&) = delete;
  CThread& operator=(const CThread&) = delete;

  // Creates the thread held before its first instruction; false when one exists already or the
  // system could not create it.
  bool Create(std::function<void()> function);
  // Lets a created thread run.
  void Resume();
  // Create and Resume in one step.
  bool Start(std::function<void()> function);
  // Waits without time limit until the thread has ended (resuming it if it is still held).
  void Wait();
  // True from Create until the thread's function has returned.
  bool IsRunning() const { return m_running->load(std::memory_order_acquire); }

 private:
  std::thread m_thread;
  std::mutex m_gateMutex;
  std::condition_variable m_gate;
  bool m_resumed = false;
  // Shared with the thread, which may outlive this object when it destroys it itself.
  std::shared_ptr<std::atomic<bool>> m_running = std::make_shared<std::atomic<bool>>(false);
};

}  // namespace ferrow
