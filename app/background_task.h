#pragma once
// One blocking job (a save) run on a thread of its own, whose result the owner collects on its
// own thread: Start, then poll TakeResult until it has one. The job must only touch what it was
// given (copies), never objects the owner keeps using.
#include <atomic>
#include <functional>

#include "platform/thread.h"

namespace ferrow {

class CBackgroundTask {
 public:
  CBackgroundTask() = default;
  // Waits for a job still running.
  ~CBackgroundTask();
  CBackgroundTask(const CBackgroundTask&) = delete;
  CBackgroundTask& operator=(const CBackgroundTask&) = delete;

  // False when a job runs already or no thread could be made (the job is not run then).
  bool Start(std::function<bool()> job);
  // True once, with the job's result, after the job has ended.
  bool TakeResult(bool& result);
  bool IsBusy() const { return m_busy; }
  // Waits for the job and takes its result (false when none ran).
  bool Wait();

 private:
  CThread m_thread;
  std::atomic<bool> m_ended{false};
  std::atomic<bool> m_result{false};
  bool m_busy = false;  // owner's thread only
};

}  // namespace ferrow
