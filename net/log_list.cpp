#include "net/log_list.h"

#include <mutex>

namespace ferrow {

using Lock = std::lock_guard<CCriticalSection>;

CLogList::CLogList(const CLogList& other) {
  Lock lock(other.m_lock);
  m_lines = other.m_lines;
}

CLogList& CLogList::operator=(const CLogList& other) {
  if (this != &other) {
    std::deque<CLogInfo> lines;
    {
      Lock lock(other.m_lock);
      lines = other.m_lines;
    }
    Lock lock(m_lock);
    m_lines = std::move(lines);
  }
  return *this;
}

void CLogList::Add(LogKind kind, const std::wstring& text) {
  Lock lock(m_lock);
  m_lines.emplace_back(kind, text);
}

void CLogList::Add(LogKind kind, uint32_t number, const std::wstring& argument, uint32_t extra) {
  Lock lock(m_lock);
  m_lines.emplace_back(kind, number, argument, extra);
}

std::vector<CLogInfo> CLogList::TakeAll() {
  Lock lock(m_lock);
  std::vector<CLogInfo> lines(std::make_move_iterator(m_lines.begin()),
                              std::make_move_iterator(m_lines.end()));
  m_lines.clear();
  return lines;
}

std::vector<CLogInfo> CLogList::Lines() const {
  Lock lock(m_lock);
  return std::vector<CLogInfo>(m_lines.begin(), m_lines.end());
}

size_t CLogList::Count() const {
  Lock lock(m_lock);
  return m_lines.size();
}

bool CLogList::IsEmpty() const {
  Lock lock(m_lock);
  return m_lines.empty();
}

}  // namespace ferrow
