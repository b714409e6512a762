#include "download/download_update.h"

#include "download/download_info.h"
#include "net/transfer_info.h"

namespace ferrow {

DownloadFigures ReadDownloadFigures(CTransferInfo& master) {
  DownloadFigures result;
  const TransferFigures figures = master.Figures();
  result.url = figures.url;
  result.file = figures.file;
  result.size = figures.size;
  result.date = figures.date;
  result.done = figures.done;
  result.progress = figures.progress;
  result.elapsed = figures.elapsed;
  result.left = figures.left;
  result.speed = figures.speed;
  result.status = figures.status;
  result.error = static_cast<int32_t>(figures.error);
  return result;
}

void UpdateFromTransfer(CDownloadInfo& record, const DownloadFigures& figures) {
  // An empty URL means the worker has not set it yet; the record keeps the one it was given.
  if (!figures.url.empty()) record.m_url = figures.url;
  // A download into a folder gets its name from the server once the worker knows it.
  if (!figures.file.empty() && figures.file != record.m_file && figures.file.back() != L'/') {
    record.m_file = figures.file;
    record.m_name = CDownloadInfo::FileNameOf(figures.file);
  }
  record.m_size = figures.size;
  record.m_date = figures.date;
  record.m_done = figures.done;
  record.m_progress = figures.progress;
  record.m_elapsed = figures.elapsed;
  record.m_left = figures.left;
  record.m_speed = figures.speed;
  record.m_status = figures.status;
  record.m_error = figures.error;
}

}  // namespace ferrow
