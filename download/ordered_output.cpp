#include "download/ordered_output.h"

#include <chrono>

namespace ferrow {

COrderedOutput::COrderedOutput(Writer writer, size_t window)
    : m_writer(std::move(writer)), m_window(window) {}

uint64_t COrderedOutput::Written() const {
  std::lock_guard lock(m_lock);
  return m_written;
}

bool COrderedOutput::Failed() const {
  std::lock_guard lock(m_lock);
  return m_failed;
}

bool COrderedOutput::Drain() {
  while (!m_held.empty() && m_held.begin()->first <= m_written) {
    auto first = m_held.begin();
    const uint64_t end = first->first + first->second.size();
    if (end > m_written) {
      const size_t skip = static_cast<size_t>(m_written - first->first);
      if (!m_writer(first->second.data() + skip, first->second.size() - skip)) {
        m_failed = true;
        return false;
      }
      m_written = end;
    }
    m_held.erase(first);
  }
  return true;
}

COrderedOutput::PutResult COrderedOutput::Put(uint64_t offset, const char* data, size_t size) {
  std::unique_lock lock(m_lock);
  if (m_failed) return PutResult::kWriteFailed;
  const uint64_t end = offset + size;
  if (end <= m_written) return PutResult::kTaken;
  if (offset < m_written) {
    data += m_written - offset;
    size = static_cast<size_t>(end - m_written);
    offset = m_written;
  }
  if (offset == m_written) {
    if (!m_writer(data, size)) {
      m_failed = true;
      m_moved.notify_all();
      return PutResult::kWriteFailed;
    }
    m_written = end;
    const bool drained = Drain();
    m_moved.notify_all();
    return drained ? PutResult::kTaken : PutResult::kWriteFailed;
  }
  if (end > m_written + m_window) return PutResult::kBeyondWindow;
  std::string& held = m_held[offset];
  // A part that came back to an offset it had sent before: the longer piece stays.
  if (held.size() < size) held.assign(data, size);
  return PutResult::kTaken;
}

bool COrderedOutput::WaitForRoom(uint64_t offset, const StopCheck& stopped) {
  std::unique_lock lock(m_lock);
  for (;;) {
    if (m_failed) return false;
    // Room for at least one buffer of a part beyond the offset.
    if (offset <= m_written || offset - m_written + (64u << 10) <= m_window) return true;
    if (stopped && stopped()) return false;
    m_moved.wait_for(lock, std::chrono::milliseconds(200));
  }
}

}  // namespace ferrow
