#pragma once
// What a front end hears from the application (CFerrowApp): every call comes on the thread
// that drives the application (the one that calls Poll), never from a worker thread, so a Qt
// front end may touch its widgets and models directly. A listener may call back into the
// application from any of these, except to remove another listener's download under it.
#include <cstdint>

#include "app/download_snapshot.h"
#include "net/event_list.h"
#include "platform/guid.h"

namespace ferrow {

class ICoreListener {
 public:
  virtual ~ICoreListener() = default;

  // A transfer event of a download (started, finished, login required, status, progress, log),
  // after the application's own handling of it: a finished download is already in the history
  // and its folder, and the next queued downloads are started. On kLoginRequired ask the user
  // and answer with CFerrowApp::AnswerLogin.
  virtual void OnDownloadEvent(const Guid& id, TransferEvent event) {
    (void)id;
    (void)event;
  }
  // Download rows changed since the last call (at most once per poll, after the events): added
  // at the end of the list, changed, or removed. Read the rows with GetDownload.
  virtual void OnDownloadsChanged(const DownloadChanges& changes) { (void)changes; }
  // A site explorer event (ExplorerEvent numbers; the FTP client's status events pass through
  // too and can be ignored).
  virtual void OnExplorerEvent(uint32_t event) { (void)event; }
};

}  // namespace ferrow
