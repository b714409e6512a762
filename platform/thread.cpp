#include "platform/thread.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/assert.h"

namespace ferrow {

// One function's run, shared by the CThread and the pool thread. Guarded by its mutex.
struct CThread::Run {
  std::mutex mutex;
  std::condition_variable changed;
  std::function<void()> function;
  std::thread::id worker;
  bool resumed = false;
  bool done = false;
};

namespace {

// How many idle threads stay, and how long one waits for work before it ends.
constexpr size_t kMaxIdleThreads = 16;
constexpr std::chrono::seconds kIdleLifetime{30};

using RunPtr = std::shared_ptr<CThread::Run>;

// An idle pool thread's place: the run handed to it, under the pool's mutex.
struct Seat {
  std::condition_variable handed;
  RunPtr run;
};

// The pool outlives every static destructor (it is never deleted), so a thread still idle at
// exit waits on memory that stays valid.
class CThreadPool {
 public:
  static CThreadPool& Instance() {
    static CThreadPool* pool = new CThreadPool;
    return *pool;
  }

  // Hands the run to an idle thread, or starts a new one; false when the system refused one.
  bool Hand(RunPtr run) {
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      if (!m_idle.empty()) {
        Seat* seat = m_idle.back();
        m_idle.pop_back();
        seat->run = std::move(run);
        seat->handed.notify_one();
        return true;
      }
    }
    try {
      std::thread([this, first = std::move(run)]() mutable { Serve(std::move(first)); }).detach();
    } catch (const std::system_error&) {
      return false;
    }
    return true;
  }

 private:
  void Serve(RunPtr run) {
    Seat seat;
    while (run) {
      Execute(*run);
      // On the idle list before the run is reported ended, so that whoever waited for it finds
      // this thread free for the next function.
      bool stays = false;
      {
        std::lock_guard<std::mutex> lock(m_mutex);
        stays = m_idle.size() < kMaxIdleThreads;
        if (stays) m_idle.push_back(&seat);
      }
      {
        std::lock_guard<std::mutex> lock(run->mutex);
        run->done = true;
      }
      run->changed.notify_all();
      run.reset();
      if (!stays) return;
      std::unique_lock<std::mutex> lock(m_mutex);
      if (!seat.handed.wait_for(lock, kIdleLifetime, [&] { return seat.run != nullptr; })) {
        // Nothing came in time; no one has taken this seat, so it is still on the list.
        std::erase(m_idle, &seat);
        return;
      }
      run = std::move(seat.run);
    }
  }

  static void Execute(CThread::Run& run) {
    std::function<void()> function;
    {
      std::unique_lock<std::mutex> lock(run.mutex);
      run.worker = std::this_thread::get_id();
      run.changed.wait(lock, [&] { return run.resumed; });
      function = std::move(run.function);
    }
    function();
    // The function's captures go before anyone learns it has ended.
    function = nullptr;
  }

  std::mutex m_mutex;
  std::vector<Seat*> m_idle;
};

}  // namespace

CThread::~CThread() {
  Wait();
}

bool CThread::Begin(std::function<void()> function, bool resumed) {
  if (m_run) return false;
  auto run = std::make_shared<Run>();
  run->function = std::move(function);
  run->resumed = resumed;
  // Kept before the hand-over: once handed, the function may run and end this object.
  m_run = run;
  if (CThreadPool::Instance().Hand(std::move(run))) return true;
  m_run.reset();
  return false;
}

bool CThread::Create(std::function<void()> function) {
  return Begin(std::move(function), false);
}

void CThread::Resume() {
  if (!m_run) return;
  {
    std::lock_guard<std::mutex> lock(m_run->mutex);
    m_run->resumed = true;
  }
  m_run->changed.notify_all();
}

bool CThread::Start(std::function<void()> function) {
  return Begin(std::move(function), true);
}

void CThread::Wait() {
  if (!m_run) return;
  RunPtr run = std::move(m_run);
  std::unique_lock<std::mutex> lock(run->mutex);
  // A function cannot wait for itself; it ends on its own.
  if (run->worker == std::this_thread::get_id()) return;
  run->resumed = true;
  run->changed.notify_all();
  run->changed.wait(lock, [&] { return run->done; });
}

bool CThread::IsRunning() const {
  if (!m_run) return false;
  std::lock_guard<std::mutex> lock(m_run->mutex);
  return !m_run->done;
}

}  // namespace ferrow
