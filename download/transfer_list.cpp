#include "download/transfer_list.h"

#include <utility>

#include "download/download_info.h"

namespace ferrow {

CTransferItem& CTransferList::Add(CDownloadInfo* record, std::unique_ptr<ITransfer> transfer) {
  return m_items.emplace_back(record, std::move(transfer));
}

CTransferItem* CTransferList::FindItem(const CDownloadInfo* record) {
  for (CTransferItem& item : m_items)
    if (item.GetRecord() == record) return &item;
  return nullptr;
}

ITransfer* CTransferList::Find(const CDownloadInfo* record) {
  CTransferItem* item = FindItem(record);
  return item ? item->GetTransfer() : nullptr;
}

CTransferItem* CTransferList::FindItemOf(const ITransfer* transfer) {
  for (CTransferItem& item : m_items)
    if (item.GetTransfer() == transfer) return &item;
  return nullptr;
}

bool CTransferList::Remove(const ITransfer* transfer) {
  for (auto it = m_items.begin(); it != m_items.end(); ++it) {
    if (it->GetTransfer() == transfer) {
      m_items.erase(it);
      return true;
    }
  }
  return false;
}

size_t CTransferList::GetActiveCount() const {
  size_t count = 0;
  for (const CTransferItem& item : m_items)
    if (IsActiveStatus(item.GetRecord()->m_status)) ++count;
  return count;
}

bool CTransferList::IsActiveStatus(DownloadStatus status) {
  return ferrow::IsActiveStatus(status);
}

}  // namespace ferrow
