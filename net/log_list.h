#pragma once
// The log lines of one transfer (or of the site explorer), appended by worker threads and
// taken by the user-interface thread. Owned by the transfer; one lock held for each whole
// operation.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "net/log_info.h"
#include "platform/critical_section.h"

namespace ferrow {

class CLogList {
 public:
  CLogList() = default;
  // Copies all lines of the other list (under its lock).
  CLogList(const CLogList& other);
  CLogList& operator=(const CLogList& other);

  void Add(LogKind kind, const std::wstring& text);
  void Add(LogKind kind, uint32_t number, const std::wstring& argument, uint32_t extra);
  // Hands over every line, oldest first, and leaves this list empty.
  std::vector<CLogInfo> TakeAll();
  // A copy of every line, oldest first.
  std::vector<CLogInfo> Lines() const;
  size_t Count() const;
  bool IsEmpty() const;

 private:
  mutable CCriticalSection m_lock;
  std::deque<CLogInfo> m_lines;
};

}  // namespace ferrow
