#pragma once
// Makes the transfers the download manager starts.
#include <memory>

#include "download/transfer.h"

namespace ferrow {

class CTransferSettings;

class ITransferFactory {
 public:
  virtual ~ITransferFactory() = default;
  // An idle transfer that reads the manager's settings, which outlive it.
  virtual std::unique_ptr<ITransfer> Create(CTransferSettings& settings) = 0;
};

}  // namespace ferrow
