#include "platform/thread.h"

#include <system_error>

namespace ferrow {

CThread::~CThread() {
  Wait();
}

bool CThread::Create(std::function<void()> function) {
  if (m_thread.joinable()) return false;
  m_resumed = false;
  m_running->store(true, std::memory_order_release);
  try {
    m_thread = std::thread([this, running = m_running, function = std::move(function)] {
      {
        std::unique_lock<std::mutex> lock(m_gateMutex);
        m_gate.wait(lock, [this] { return m_resumed; });
      }
      function();
      running->store(false, std::memory_order_release);
    });
  } catch (const std::system_error&) {
    m_running->store(false, std::memory_order_release);
    return false;
  }
  return true;
}

void CThread::Resume() {
  {
    std::lock_guard<std::mutex> lock(m_gateMutex);
    m_resumed = true;
  }
  m_gate.notify_all();
}

bool CThread::Start(std::function<void()> function) {
  if (!Create(std::move(function))) return false;
  Resume();
  return true;
}

void CThread::Wait() {
  if (!m_thread.joinable()) return;
  if (m_thread.get_id() == std::this_thread::get_id()) {
    // A thread cannot wait for itself; let it end on its own.
    m_thread.detach();
    return;
  }
  Resume();
  m_thread.join();
}

}  // namespace ferrow
