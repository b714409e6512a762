#pragma once
// What a front end shows of downloads, as plain values it may keep: a copy of one record with
// the live parts that are not stored, and the rows that changed since a revision the front end
// saw last. A download is named by its record's ID (CDownloadInfo::m_id), never by an address.
#include <cstdint>
#include <vector>

#include "download/download_info.h"
#include "platform/guid.h"

namespace ferrow {

// The parts of a download's row that are not stored: what runs for it and which commands apply.
struct DownloadLive {
  // Connections connecting or receiving right now (0 at rest).
  int32_t connections = 0;
  // A transfer works for the download and has not ended: the status is not final yet, even
  // when it reads Failed for a moment while the worker starts again (a file that changed).
  bool transferRunning = false;
  // The download pane's commands, as the status and the queue allow them.
  bool canStart = false;
  bool canStop = false;
  bool canRequeue = false;
  bool canOpen = false;
  bool canMoveUp = false;
  bool canMoveDown = false;

  friend bool operator==(const DownloadLive&, const DownloadLive&) = default;
};

struct DownloadSnapshot : DownloadLive {
  // A copy of the stored record: ID, URL, file, comment, figures, status, error, queue order.
  CDownloadInfo record;
};

// The download rows that changed after a revision. Rows are the download list in its order;
// new rows are appended at its end, so a list model inserts added rows at the bottom, removes
// the removed ones where they are and repaints the changed ones.
struct DownloadChanges {
  // The revision these changes bring the caller to: pass it as `since` the next time.
  uint64_t revision = 0;
  std::vector<Guid> added;    // in list order
  std::vector<Guid> changed;  // shown values changed (rows added meanwhile are not repeated)
  std::vector<Guid> removed;
  // The caller's revision is older than what is remembered of removals: read all rows again.
  bool reload = false;

  bool IsEmpty() const { return added.empty() && changed.empty() && removed.empty() && !reload; }
};

}  // namespace ferrow
