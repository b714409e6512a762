#include "app/download_rows.h"

#include <algorithm>
#include <set>

#include "download/download_list.h"

namespace ferrow {

bool SameAsShown(const DownloadSnapshot& a, const DownloadSnapshot& b) {
  const CDownloadInfo& x = a.record;
  const CDownloadInfo& y = b.record;
  return x.m_id == y.m_id && x.m_folder == y.m_folder && x.m_name == y.m_name &&
         x.m_url == y.m_url && x.m_file == y.m_file && x.m_comment == y.m_comment &&
         x.m_size == y.m_size && x.m_date == y.m_date && x.m_done == y.m_done &&
         x.m_progress == y.m_progress && x.m_elapsed == y.m_elapsed && x.m_left == y.m_left &&
         x.m_speed == y.m_speed && x.m_status == y.m_status && x.m_error == y.m_error &&
         x.m_order == y.m_order && a.connections == b.connections &&
         a.transferRunning == b.transferRunning && a.canStart == b.canStart &&
         a.canStop == b.canStop && a.canRequeue == b.canRequeue && a.canOpen == b.canOpen &&
         a.canMoveUp == b.canMoveUp && a.canMoveDown == b.canMoveDown;
}

bool CDownloadRows::Refresh(const CDownloadList& downloads, const SnapshotOf& snapshotOf) {
  const uint64_t next = m_revision + 1;
  bool changed = false;
  std::vector<Guid> order;
  order.reserve(downloads.size());
  std::set<Guid> present;
  for (const CDownloadInfo& record : downloads) {
    order.push_back(record.m_id);
    present.insert(record.m_id);
    DownloadSnapshot snapshot = snapshotOf(record);
    auto found = m_rows.find(record.m_id);
    if (found == m_rows.end()) {
      m_rows.emplace(record.m_id, Row{std::move(snapshot), next, next});
      changed = true;
    } else if (!SameAsShown(found->second.shown, snapshot)) {
      found->second.shown = std::move(snapshot);
      found->second.changedAt = next;
      changed = true;
    }
  }
  for (auto it = m_rows.begin(); it != m_rows.end();) {
    if (present.count(it->first) != 0) {
      ++it;
      continue;
    }
    m_removed.emplace_back(next, it->first);
    it = m_rows.erase(it);
    changed = true;
  }
  if (m_removed.size() > kRemovedKept) {
    const size_t drop = m_removed.size() - kRemovedKept;
    m_forgottenBefore = m_removed[drop - 1].first;
    m_removed.erase(m_removed.begin(), m_removed.begin() + static_cast<std::ptrdiff_t>(drop));
  }
  m_order = std::move(order);
  if (changed) m_revision = next;
  return changed;
}

DownloadChanges CDownloadRows::ChangesSince(uint64_t since) const {
  DownloadChanges changes;
  changes.revision = m_revision;
  if (since < m_forgottenBefore) {
    changes.reload = true;
    return changes;
  }
  for (const Guid& id : m_order) {
    const Row& row = m_rows.at(id);
    if (row.addedAt > since)
      changes.added.push_back(id);
    else if (row.changedAt > since)
      changes.changed.push_back(id);
  }
  for (const auto& [revision, id] : m_removed)
    if (revision > since) changes.removed.push_back(id);
  return changes;
}

}  // namespace ferrow
