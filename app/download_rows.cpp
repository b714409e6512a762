#include "app/download_rows.h"

#include "download/download_list.h"

namespace ferrow {

bool SameAsShown(const CDownloadInfo& x, const CDownloadInfo& y) {
  // The figures first: they are what changes while a download runs. The IDs are equal: rows
  // are matched by them.
  return x.m_done == y.m_done && x.m_speed == y.m_speed && x.m_left == y.m_left &&
         x.m_elapsed == y.m_elapsed && x.m_status == y.m_status && x.m_size == y.m_size &&
         x.m_progress == y.m_progress && x.m_error == y.m_error && x.m_order == y.m_order &&
         x.m_date == y.m_date && x.m_threads == y.m_threads && x.m_folder == y.m_folder &&
         x.m_name == y.m_name && x.m_url == y.m_url && x.m_file == y.m_file &&
         x.m_comment == y.m_comment;
}

bool CDownloadRows::Refresh(const CDownloadList& downloads, const LiveOf& liveOf) {
  const uint64_t next = m_revision + 1;
  const uint64_t pass = ++m_refreshes;
  bool changed = false;
  // While the list keeps the order of the last refresh, the row at the same position is the
  // record's; from the first difference on, rows are looked up and the order is built anew.
  bool sameOrder = true;
  size_t position = 0;
  for (const CDownloadInfo& record : downloads) {
    Row* row = nullptr;
    if (sameOrder && position < m_order.size() &&
        m_order[position]->shown.record.m_id == record.m_id) {
      row = m_order[position];
    } else {
      if (sameOrder) {
        sameOrder = false;
        m_order.resize(position);
      }
      auto found = m_rows.find(record.m_id);
      if (found == m_rows.end()) {
        Row added{DownloadSnapshot{liveOf(record), record}, next, next, pass};
        found = m_rows.emplace(record.m_id, std::move(added)).first;
        m_order.push_back(&found->second);
        ++position;
        changed = true;
        continue;
      }
      row = &found->second;
      m_order.push_back(row);
    }
    ++position;
    row->seenAt = pass;
    const DownloadLive live = liveOf(record);
    if (SameAsShown(row->shown.record, record) && live == row->shown) continue;
    row->shown.record = record;
    static_cast<DownloadLive&>(row->shown) = live;
    row->changedAt = next;
    changed = true;
  }
  if (sameOrder && position < m_order.size()) {
    sameOrder = false;
    m_order.resize(position);
  }
  if (!sameOrder) {
    // Rows not met above are gone.
    for (auto it = m_rows.begin(); it != m_rows.end();) {
      if (it->second.seenAt == pass) {
        ++it;
        continue;
      }
      m_removed.emplace_back(next, it->first);
      it = m_rows.erase(it);
      changed = true;
    }
  }
  if (m_removed.size() > kRemovedKept) {
    const size_t drop = m_removed.size() - kRemovedKept;
    m_forgottenBefore = m_removed[drop - 1].first;
    m_removed.erase(m_removed.begin(), m_removed.begin() + static_cast<std::ptrdiff_t>(drop));
  }
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
  for (const Row* row : m_order) {
    if (row->addedAt > since)
      changes.added.push_back(row->shown.record.m_id);
    else if (row->changedAt > since)
      changes.changed.push_back(row->shown.record.m_id);
  }
  for (const auto& [revision, id] : m_removed)
    if (revision > since) changes.removed.push_back(id);
  return changes;
}

}  // namespace ferrow
