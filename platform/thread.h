#pragma once
// A worker thread: created suspended, started by Resume, waited for by Wait. The object waits
// for its function on destruction, so a function never outlives what it works on.
//
// The system threads underneath are kept in a pool: a function runs on an idle thread when there
// is one, and a thread whose function has returned waits a while for the next. A download of a
// small file otherwise spends more on making and tearing down its threads than on its bytes.
#include <functional>
#include <memory>

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
  // Waits without time limit until the function has returned (resuming it if it is still held).
  // Called from the function itself, it returns at once and the function ends on its own.
  void Wait();
  // True from Create until the thread's function has returned.
  bool IsRunning() const;

  struct Run;

 private:
  bool Begin(std::function<void()> function, bool resumed);

  // Shared with the pool thread running the function, which may outlive this object when the
  // function destroys it itself.
  std::shared_ptr<Run> m_run;
};

}  // namespace ferrow
