#pragma once
// Change tracking for the download rows: the application compares every row with what it showed
// last after each poll and after each command, and stamps a changed row with a new revision, so
// that any number of views learn cheaply which rows to repaint (DownloadChanges). Owner's thread
// only.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <utility>
#include <vector>

#include "app/download_snapshot.h"

namespace ferrow {

class CDownloadList;

class CDownloadRows {
 public:
  // Removals remembered for late callers; an older revision asks for a reload.
  static constexpr size_t kRemovedKept = 4096;

  using SnapshotOf = std::function<DownloadSnapshot(const CDownloadInfo&)>;

  // Compares every record with its last snapshot; true when anything changed.
  bool Refresh(const CDownloadList& downloads, const SnapshotOf& snapshotOf);
  DownloadChanges ChangesSince(uint64_t since) const;
  uint64_t Revision() const { return m_revision; }

 private:
  struct Row {
    DownloadSnapshot shown;
    uint64_t addedAt = 0;
    uint64_t changedAt = 0;
  };

  uint64_t m_revision = 0;
  std::map<Guid, Row> m_rows;
  std::vector<Guid> m_order;  // list order
  std::vector<std::pair<uint64_t, Guid>> m_removed;
  uint64_t m_forgottenBefore = 0;  // removals before this revision are no longer known
};

// Whether a front end would show anything different.
bool SameAsShown(const DownloadSnapshot& a, const DownloadSnapshot& b);

}  // namespace ferrow
