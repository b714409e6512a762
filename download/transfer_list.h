#pragma once
// The transfers that exist, in the order they were started. Used on the manager's thread only.
#include <cstddef>
#include <list>
#include <memory>

#include "download/transfer_item.h"
#include "net/download_status.h"

namespace ferrow {

class CTransferList {
 public:
  using Items = std::list<CTransferItem>;

  // Adds at the end; returns the item in its place.
  CTransferItem& Add(CDownloadInfo* record, std::unique_ptr<ITransfer> transfer);
  // The first item whose record is this one, or null.
  CTransferItem* FindItem(const CDownloadInfo* record);
  // The transfer of a record, or null.
  ITransfer* Find(const CDownloadInfo* record);
  // The item of a transfer, or null (it may have been removed meanwhile).
  CTransferItem* FindItemOf(const ITransfer* transfer);
  // Removes and destroys the item of a transfer; false when there is none.
  bool Remove(const ITransfer* transfer);
  // Items whose record is active: Connecting, Login required, Downloading or Retrying.
  size_t GetActiveCount() const;

  Items& GetItems() { return m_items; }
  const Items& GetItems() const { return m_items; }
  size_t GetCount() const { return m_items.size(); }
  bool IsEmpty() const { return m_items.empty(); }

  // Status 3 to 6.
  static bool IsActiveStatus(DownloadStatus status);

 private:
  Items m_items;
};

}  // namespace ferrow
