#pragma once
// What the download manager reads of the user's settings. It asks each time it decides, so a
// changed setting applies from the next decision on; the network part is copied into a
// transfer's settings when the transfer starts. The application's settings implement it.
#include <cstdint>

#include "net/transfer_settings.h"

namespace ferrow {

class IDownloadSettings : public ITransferSettingsSource {
 public:
  // "MaxDownloads": how many downloads run at once.
  virtual int32_t GetMaxDownloads() const = 0;
  // "StartQueue": the queue starts with the manager.
  virtual bool GetStartQueue() const = 0;
  // "RemoveSuccessful": a completed download leaves the list once its transfer is gone.
  virtual bool GetRemoveSuccessful() const = 0;

 protected:
  ~IDownloadSettings() = default;
};

}  // namespace ferrow
