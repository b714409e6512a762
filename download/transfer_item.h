#pragma once
// One transfer that exists, with the download it works for. The record lives in the download
// list and is not owned; the transfer is owned and destroyed with the item.
#include <memory>

#include "download/transfer.h"

namespace ferrow {

class CDownloadInfo;

class CTransferItem {
 public:
  CTransferItem(CDownloadInfo* record, std::unique_ptr<ITransfer> transfer);
  CTransferItem(CTransferItem&&) noexcept = default;
  CTransferItem& operator=(CTransferItem&&) noexcept = default;
  ~CTransferItem();

  CDownloadInfo* GetRecord() const { return m_record; }
  ITransfer* GetTransfer() const { return m_transfer.get(); }
  // Whether its finished event has been handled (a worker that could not even begin sends none).
  bool IsFinishSeen() const { return m_finishSeen; }
  void SetFinishSeen() { m_finishSeen = true; }
  // A stop was asked for and is not finished: the item waits, untouched, for the worker's end.
  bool IsStopping() const { return m_stopping; }
  void SetStopping() { m_stopping = true; }

 private:
  CDownloadInfo* m_record;
  std::unique_ptr<ITransfer> m_transfer;
  bool m_finishSeen = false;
  bool m_stopping = false;
};

}  // namespace ferrow
