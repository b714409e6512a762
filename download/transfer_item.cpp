#include "download/transfer_item.h"

#include <utility>

namespace ferrow {

CTransferItem::CTransferItem(CDownloadInfo* record, std::unique_ptr<ITransfer> transfer)
    : m_record(record), m_transfer(std::move(transfer)) {}

CTransferItem::~CTransferItem() = default;

}  // namespace ferrow
