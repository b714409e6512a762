#pragma once
// Copying a running transfer's live figures into its download record. Read and write are two
// steps so that the manager can look at the figures, and correct them, in between.
#include <cstdint>
#include <string>

#include "net/download_status.h"

namespace ferrow {

class CDownloadInfo;
class CTransferInfo;

// What the record shows of a transfer, read from its master description.
struct DownloadFigures {
  std::wstring url;
  std::wstring file;
  uint64_t size = 0;
  uint64_t date = 0;
  uint64_t done = 0;
  int32_t progress = 0;
  int32_t elapsed = 0;
  int32_t left = -1;
  int32_t speed = 0;
  DownloadStatus status = DownloadStatus::kQueued;
  int32_t error = 0;
};

// Reads URL and the figures under the description's lock, in one step.
DownloadFigures ReadDownloadFigures(CTransferInfo& master);
// Overwrites URL, the file (and with it the name, once the server chose it), Size, Date, Done,
// Progress, Elapsed, Left, Speed, Status and Error.
void UpdateFromTransfer(CDownloadInfo& record, const DownloadFigures& figures);

}  // namespace ferrow
