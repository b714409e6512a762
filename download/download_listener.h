#pragma once
// Receives the download message: every transfer event of every download, on the manager's
// (user-interface) thread, while the record is valid. A window registers one and translates it
// into its own message; the console program prints from it.
#include <cstdint>

#include "net/event_list.h"

namespace ferrow {

class CDownloadInfo;

class IDownloadListener {
 public:
  virtual ~IDownloadListener() = default;
  // The listener may stop, requeue or delete downloads here.
  virtual void OnDownloadMessage(TransferEvent event, CDownloadInfo& record) = 0;
  // The record leaves the download list right after this call ("RemoveSuccessful"): forget it.
  virtual void OnDownloadRemoved(CDownloadInfo& record) { (void)record; }
};

}  // namespace ferrow
