#include "app/background_task.h"

namespace ferrow {

CBackgroundTask::~CBackgroundTask() {
  m_thread.Wait();
}

bool CBackgroundTask::Start(std::function<bool()> job) {
  if (m_busy) return false;
  m_thread.Wait();  // the previous job's thread has ended; let it go
  m_ended = false;
  m_busy = m_thread.Start([this, job = std::move(job)] {
    m_result = job();
    m_ended.store(true, std::memory_order_release);
  });
  return m_busy;
}

bool CBackgroundTask::TakeResult(bool& result) {
  if (!m_busy || !m_ended.load(std::memory_order_acquire)) return false;
  m_thread.Wait();
  m_busy = false;
  result = m_result;
  return true;
}

bool CBackgroundTask::Wait() {
  if (!m_busy) return false;
  m_thread.Wait();
  m_busy = false;
  return m_result;
}

}  // namespace ferrow
