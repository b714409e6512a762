#include "download/download_queue.h"

#include <algorithm>
#include <iterator>

#include "download/download_info.h"
#include "download/download_list.h"

namespace ferrow {

void CDownloadQueue::Append(CDownloadInfo* record) {
  record->m_order = static_cast<int32_t>(m_records.size()) + 1;
  record->m_status = DownloadStatus::kQueued;
  m_records.push_back(record);
}

void CDownloadQueue::PutFirst(CDownloadInfo* record) {
  for (CDownloadInfo* other : m_records) ++other->m_order;
  record->m_order = 1;
  record->m_status = DownloadStatus::kQueued;
  m_records.push_front(record);
}

bool CDownloadQueue::Remove(CDownloadInfo* record) {
  auto position = Find(record);
  if (position == m_records.end()) return false;
  for (auto behind = std::next(position); behind != m_records.end(); ++behind) --(*behind)->m_order;
  m_records.erase(position);
  record->m_order = 0;
  return true;
}

bool CDownloadQueue::MoveUp(CDownloadInfo* record) {
  if (!CanMoveUp(record)) return false;
  auto position = Find(record);
  if (position == m_records.end()) return false;
  auto before = std::prev(position);
  --record->m_order;
  ++(*before)->m_order;
  std::iter_swap(position, before);
  return true;
}

bool CDownloadQueue::MoveDown(CDownloadInfo* record) {
  if (!CanMoveDown(record)) return false;
  auto position = Find(record);
  if (position == m_records.end()) return false;
  auto after = std::next(position);
  ++record->m_order;
  --(*after)->m_order;
  std::iter_swap(position, after);
  return true;
}

// Asked for every row of a view on each refresh, so no search: a record is in the queue exactly
// when its Order is not 0.
bool CDownloadQueue::CanMoveUp(const CDownloadInfo* record) const {
  return !m_records.empty() && record->m_status == DownloadStatus::kQueued &&
         record->m_order != 0 && m_records.front() != record;
}

bool CDownloadQueue::CanMoveDown(const CDownloadInfo* record) const {
  return !m_records.empty() && record->m_status == DownloadStatus::kQueued &&
         record->m_order != 0 && m_records.back() != record;
}

void CDownloadQueue::Rebuild(CDownloadList& downloads) {
  m_records.clear();
  for (CDownloadInfo& record : downloads) {
    if (record.m_order == 0) continue;
    if (m_records.empty() || record.m_order < m_records.front()->m_order) {
      m_records.push_front(&record);
      continue;
    }
    auto position = std::next(m_records.begin());
    for (; position != m_records.end(); ++position) {
      const int32_t before = (*std::prev(position))->m_order;
      if (before < record.m_order && record.m_order < (*position)->m_order) break;
    }
    m_records.insert(position, &record);
  }
}

bool CDownloadQueue::Contains(const CDownloadInfo* record) const {
  return Find(record) != m_records.end();
}

CDownloadQueue::Records::iterator CDownloadQueue::Find(const CDownloadInfo* record) {
  return std::find(m_records.begin(), m_records.end(), record);
}

CDownloadQueue::Records::const_iterator CDownloadQueue::Find(const CDownloadInfo* record) const {
  return std::find(m_records.begin(), m_records.end(), record);
}

}  // namespace ferrow
