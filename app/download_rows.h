#pragma once
// Change tracking for the download rows: the application compares every row with what it showed
// last after each poll and after each command, and stamps a changed row with a new revision, so
// that any number of views learn cheaply which rows to repaint (DownloadChanges). Owner's thread
// only.
//
// It runs every 100 ms over every download, so a row that did not change costs no copy and no
// allocation: the record is compared in place with the row as shown, rows are matched by list
// position while the list keeps its order, and the live parts are a few numbers.
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

  // The live parts of a record's row; called for every record on each refresh.
  using LiveOf = std::function<DownloadLive(const CDownloadInfo&)>;

  // Compares every record with its row as shown last; true when anything changed.
  bool Refresh(const CDownloadList& downloads, const LiveOf& liveOf);
  DownloadChanges ChangesSince(uint64_t since) const;
  uint64_t Revision() const { return m_revision; }

 private:
  struct Row {
    DownloadSnapshot shown;
    uint64_t addedAt = 0;
    uint64_t changedAt = 0;
    uint64_t seenAt = 0;  // the last refresh that met the row's record
  };

  uint64_t m_revision = 0;
  uint64_t m_refreshes = 0;
  std::map<Guid, Row> m_rows;
  std::vector<Row*> m_order;  // list order; map nodes never move
  std::vector<std::pair<uint64_t, Guid>> m_removed;
  uint64_t m_forgottenBefore = 0;  // removals before this revision are no longer known
};

// Whether a front end would show anything different for the same download (IDs are not
// compared: rows are matched by them).
bool SameAsShown(const CDownloadInfo& shown, const CDownloadInfo& now);

}  // namespace ferrow
