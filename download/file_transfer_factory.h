#pragma once
// The download manager's real transfers: CFileTransfer with its HTTP and FTP clients.
#include <memory>

#include "download/transfer_factory.h"
#include "download/transfer_options.h"

namespace ferrow {

class CFileTransferFactory : public ITransferFactory {
 public:
  CFileTransferFactory() = default;
  // Every transfer made gets these options (ferrow-get's command line).
  explicit CFileTransferFactory(const TransferOptions& options) : m_options(options) {}
  std::unique_ptr<ITransfer> Create(CTransferSettings& settings) override;

 private:
  TransferOptions m_options;
};

}  // namespace ferrow
