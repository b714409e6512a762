#pragma once
// The download manager's real transfers: CFileTransfer with its HTTP and FTP clients.
#include <memory>

#include "download/transfer_factory.h"

namespace ferrow {

class CFileTransferFactory : public ITransferFactory {
 public:
  std::unique_ptr<ITransfer> Create(CTransferSettings& settings) override;
};

}  // namespace ferrow
