#include "download/download_update.h"
#include "download/transfer_info.h"

namespace ferrow {

DownloadFigures ReadDownloadFigures(CTransferInfo& master) {
  DownloadFigures result;
  result.url = master.Url();
  const TransferFigures figures = master.Figures();
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

}  // namespace ferrow
