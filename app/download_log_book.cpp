#include "app/download_log_book.h"

namespace ferrow {

void CDownloadLogBook::Append(const Guid& id, std::vector<CLogInfo> lines) {
  if (lines.empty()) return;
  Log& log = m_logs[id];
  log.appended += lines.size();
  for (CLogInfo& line : lines) log.lines.push_back(std::move(line));
  while (log.lines.size() > kMaxLines) log.lines.pop_front();
}

std::vector<CLogInfo> CDownloadLogBook::Lines(const Guid& id) const {
  auto found = m_logs.find(id);
  if (found == m_logs.end()) return {};
  return std::vector<CLogInfo>(found->second.lines.begin(), found->second.lines.end());
}

size_t CDownloadLogBook::TotalAppended(const Guid& id) const {
  auto found = m_logs.find(id);
  return found == m_logs.end() ? 0 : found->second.appended;
}

void CDownloadLogBook::Forget(const Guid& id) {
  m_logs.erase(id);
}

}  // namespace ferrow
