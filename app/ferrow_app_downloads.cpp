// CFerrowApp: the downloads as a front end sees them, named by their IDs, and the work that
// finishes from Poll (stops that were asked not to block, a save, the end of an Exit).
#include <algorithm>

#include "app/ferrow_app.h"
#include "app/new_download.h"
#include "download/download_manager.h"
#include "download/transfer.h"
#include "l10n/message_numbers.h"
#include "l10n/resource_manager.h"
#include "net/internet_url.h"
#include "net/log_list.h"
#include "net/safe_file_name.h"
#include "platform/assert.h"
#include "platform/folders.h"
#include "shell/sound_manager.h"
#include "sites/site_explorer.h"

namespace ferrow {

// After an Exit the records stay for the final save, but no command may reach them.
CDownloadInfo* CFerrowApp::FindRecord(const Guid& id) const {
  if (!m_downloads) return nullptr;
  for (const CDownloadInfo& record : m_data.m_downloads)
    if (record.m_id == id) return const_cast<CDownloadInfo*>(&record);
  return nullptr;
}

DownloadLive CFerrowApp::LiveOf(const CDownloadInfo& record) const {
  DownloadLive live;
  const DownloadStatus status = record.m_status;
  if (IsActiveStatus(status)) {
    if (ITransfer* transfer = m_downloads->FindTransfer(record))
      live.connections = transfer->GetConnectionCount();
  }
  live.transferRunning = m_downloads->HasUnfinishedTransfer(record);
  live.canStart = CDownloadManager::CanStartStatus(status);
  live.canStop = CDownloadManager::CanStopStatus(status);
  live.canRequeue = CDownloadManager::CanQueueStatus(status);
  live.canOpen = CDownloadManager::CanOpenStatus(status);
  live.canMoveUp = m_downloads->CanMoveUp(record);
  live.canMoveDown = m_downloads->CanMoveDown(record);
  return live;
}

DownloadSnapshot CFerrowApp::SnapshotOf(const CDownloadInfo& record) const {
  return DownloadSnapshot{LiveOf(record), record};
}

std::vector<DownloadSnapshot> CFerrowApp::GetDownloads() const {
  FERROW_ASSERT(OnOwnerThread());
  std::vector<DownloadSnapshot> snapshots;
  if (!m_downloads) return snapshots;
  snapshots.reserve(m_data.m_downloads.size());
  for (const CDownloadInfo& record : m_data.m_downloads) snapshots.push_back(SnapshotOf(record));
  return snapshots;
}

bool CFerrowApp::GetDownload(const Guid& id, DownloadSnapshot& snapshot) const {
  FERROW_ASSERT(OnOwnerThread());
  const CDownloadInfo* record = m_downloads ? FindRecord(id) : nullptr;
  if (!record) return false;
  snapshot = SnapshotOf(*record);
  return true;
}

DownloadChanges CFerrowApp::GetDownloadChanges(uint64_t since) const {
  FERROW_ASSERT(OnOwnerThread());
  return m_rows.ChangesSince(since);
}

Guid CFerrowApp::AddDownload(const NewDownload& download, bool start) {
  FERROW_ASSERT(OnOwnerThread());
  if (!m_downloads) return Guid();
  const size_t slash = download.file.rfind(L'/');
  if (slash != std::wstring::npos && slash > 0) {
    const std::wstring folder = download.file.substr(0, slash + 1);
    if (!CreateFolderChain(folder)) {
      m_resources.ShowMessage(Msg::kCannotCreateFolder, {folder});
      return Guid();
    }
  }
  if (!download.user.empty()) {
    const std::wstring server = CInternetURL(download.url).Host();
    m_data.m_settings.m_siteLogins.SetLogin(server, download.user, download.password, true);
    m_downloads->GetTransferSettings().SetLogin(server, download.user, download.password, true);
  }
  std::wstring file = download.file;
  if (download.nameFromServer && (file.empty() || file.back() != L'/')) file += L'/';
  CDownloadInfo record(download.url, download.folder, file);
  // Until the server names the file, the address does.
  if (download.nameFromServer) record.m_name = FileNameOfUrl(download.url);
  record.m_comment = download.comment;
  record.m_threads = std::clamp(download.connections, 0, 64);
  CDownloadInfo& stored = m_downloads->AddAndQueue(record);
  const Guid id = stored.m_id;
  if (m_sounds) m_sounds->Play(SoundEvent::kAdded);
  if (start) m_downloads->Start(stored, false);
  NotifyChanges();
  return id;
}

bool CFerrowApp::HasDownloadUrl(const std::wstring& url) const {
  FERROW_ASSERT(OnOwnerThread());
  return std::any_of(m_data.m_downloads.begin(), m_data.m_downloads.end(),
                     [&url](const CDownloadInfo& record) { return record.m_url == url; });
}

std::wstring CFerrowApp::UniqueTargetPath(const std::wstring& file) const {
  FERROW_ASSERT(OnOwnerThread());
  return ferrow::UniqueTargetPath(file, [this](const std::wstring& path) {
    return std::any_of(m_data.m_downloads.begin(), m_data.m_downloads.end(),
                       [&path](const CDownloadInfo& record) { return record.m_file == path; });
  });
}

bool CFerrowApp::SetDownloadText(const Guid& id, const std::wstring& name,
                                 const std::wstring& comment) {
  FERROW_ASSERT(OnOwnerThread());
  CDownloadInfo* record = FindRecord(id);
  if (!record) return false;
  record->m_name = name;
  record->m_comment = comment;
  NotifyChanges();
  return true;
}

CFerrowApp::DownloadTotals CFerrowApp::GetDownloadTotals() const {
  FERROW_ASSERT(OnOwnerThread());
  DownloadTotals totals;
  totals.listed = m_data.m_downloads.size();
  if (!m_downloads) return totals;
  totals.running = m_downloads->GetActiveCount();
  totals.queued = m_downloads->GetQueueCount();
  for (const CDownloadInfo& record : m_data.m_downloads)
    if (CTransferList::IsActiveStatus(record.m_status) && record.m_speed > 0)
      totals.speed += record.m_speed;
  return totals;
}

bool CFerrowApp::StartDownload(const Guid& id) {
  FERROW_ASSERT(OnOwnerThread());
  CDownloadInfo* record = FindRecord(id);
  if (!record || !CDownloadManager::CanStartStatus(record->m_status)) return false;
  m_downloads->Start(*record, true);
  NotifyChanges();
  return true;
}

void CFerrowApp::StartQueue() {
  FERROW_ASSERT(OnOwnerThread());
  if (!m_downloads) return;
  m_downloads->StartQueue();
  NotifyChanges();
}

bool CFerrowApp::StopDownload(const Guid& id, Completion done) {
  return StopOrQueue(id, PendingKind::kStop, std::move(done));
}

bool CFerrowApp::RequeueDownload(const Guid& id, Completion done) {
  return StopOrQueue(id, PendingKind::kRequeue, std::move(done));
}

bool CFerrowApp::DeleteDownload(const Guid& id, Completion done) {
  return StopOrQueue(id, PendingKind::kDelete, std::move(done));
}

bool CFerrowApp::StopOrQueue(const Guid& id, PendingKind kind, Completion done) {
  FERROW_ASSERT(OnOwnerThread());
  CDownloadInfo* record = FindRecord(id);
  if (!record) return false;
  if (!done) {
    FinishStop(*record, kind);
    NotifyChanges();
    return true;
  }
  // The transfer is asked to stop and left alone; Poll finishes the job once its threads have
  // ended (a record without a transfer is finished on the next Poll).
  ITransfer* transfer = m_downloads->FindTransfer(*record);
  if (transfer) m_downloads->RequestStop(*record);
  m_pendingStops.push_back({id, transfer, kind, std::move(done)});
  return true;
}

void CFerrowApp::FinishStop(CDownloadInfo& record, PendingKind kind) {
  switch (kind) {
    case PendingKind::kStop:
      m_downloads->Stop(record);
      break;
    case PendingKind::kRequeue:
      m_downloads->Requeue(record);
      break;
    case PendingKind::kDelete:
      m_downloads->Delete(record);
      break;
  }
}

void CFerrowApp::StopAllDownloads() {
  FERROW_ASSERT(OnOwnerThread());
  if (!m_downloads) return;
  m_downloads->StopAll();
  NotifyChanges();
}

bool CFerrowApp::MoveDownloadUp(const Guid& id) {
  FERROW_ASSERT(OnOwnerThread());
  CDownloadInfo* record = FindRecord(id);
  if (!record || !m_downloads->CanMoveUp(*record)) return false;
  m_downloads->MoveUp(*record);
  NotifyChanges();
  return true;
}

bool CFerrowApp::MoveDownloadDown(const Guid& id) {
  FERROW_ASSERT(OnOwnerThread());
  CDownloadInfo* record = FindRecord(id);
  if (!record || !m_downloads->CanMoveDown(*record)) return false;
  m_downloads->MoveDown(*record);
  NotifyChanges();
  return true;
}

bool CFerrowApp::AnswerLogin(const Guid& id, const LoginAnswer& answer) {
  FERROW_ASSERT(OnOwnerThread());
  CDownloadInfo* record = FindRecord(id);
  if (!record || !m_downloads->FindTransfer(*record)) return false;
  if (answer.retry) {
    // Stored before the answer, so that the attempt it releases finds the login.
    const std::wstring server = CInternetURL(record->m_url).Host();
    m_data.m_settings.m_siteLogins.SetLogin(server, answer.user, answer.password, answer.keep);
    m_downloads->GetTransferSettings().SetLogin(server, answer.user, answer.password, answer.keep);
  }
  m_downloads->AnswerLogin(*record, answer.retry ? 1 : 0);
  return true;
}

std::vector<CLogInfo> CFerrowApp::TakeDownloadLog(const Guid& id) {
  FERROW_ASSERT(OnOwnerThread());
  CDownloadInfo* record = FindRecord(id);
  ITransfer* transfer = record ? m_downloads->FindTransfer(*record) : nullptr;
  if (!transfer) return {};
  return transfer->Log().TakeAll();
}

void CFerrowApp::OnDownloadMessage(TransferEvent event, CDownloadInfo& record) {
  const Guid id = record.m_id;
  // A copy: a listener may leave (or add another) during the call.
  const std::vector<ICoreListener*> listeners = m_listeners;
  for (ICoreListener* listener : listeners) {
    if (std::find(m_listeners.begin(), m_listeners.end(), listener) == m_listeners.end()) continue;
    listener->OnDownloadEvent(id, event);
  }
}

void CFerrowApp::OnExplorerEvent(uint32_t event) {
  const std::vector<ICoreListener*> listeners = m_listeners;
  for (ICoreListener* listener : listeners) {
    if (std::find(m_listeners.begin(), m_listeners.end(), listener) == m_listeners.end()) continue;
    listener->OnExplorerEvent(event);
  }
}

void CFerrowApp::AddListener(ICoreListener* listener) {
  FERROW_ASSERT(OnOwnerThread());
  if (std::find(m_listeners.begin(), m_listeners.end(), listener) == m_listeners.end())
    m_listeners.push_back(listener);
}

void CFerrowApp::RemoveListener(ICoreListener* listener) {
  FERROW_ASSERT(OnOwnerThread());
  std::erase(m_listeners, listener);
}

void CFerrowApp::NotifyChanges() {
  if (!m_downloads) return;
  m_rows.Refresh(m_data.m_downloads,
                 [this](const CDownloadInfo& record) { return LiveOf(record); });
  if (m_rows.Revision() == m_notifiedRevision) return;
  const DownloadChanges changes = m_rows.ChangesSince(m_notifiedRevision);
  m_notifiedRevision = changes.revision;
  const std::vector<ICoreListener*> listeners = m_listeners;
  for (ICoreListener* listener : listeners) {
    if (std::find(m_listeners.begin(), m_listeners.end(), listener) == m_listeners.end()) continue;
    listener->OnDownloadsChanged(changes);
  }
}

void CFerrowApp::FinishPendingWork() {
  // Stops whose transfers have ended. A completion may ask for more: a copy is worked on.
  if (!m_pendingStops.empty() && m_downloads) {
    std::vector<PendingStop> pending;
    pending.swap(m_pendingStops);
    std::vector<PendingStop> waiting;
    for (PendingStop& stop : pending) {
      CDownloadInfo* record = FindRecord(stop.id);
      ITransfer* transfer = record ? m_downloads->FindTransfer(*record) : nullptr;
      if (record && transfer && transfer == stop.transfer && !transfer->HasEnded()) {
        waiting.push_back(std::move(stop));
        continue;
      }
      // Gone, or started again meanwhile: a later command overtook this one.
      const bool overtaken = !record || transfer != stop.transfer;
      if (!overtaken) FinishStop(*record, stop.kind);
      stop.done(!overtaken || (!record && stop.kind == PendingKind::kDelete));
    }
    m_pendingStops.insert(m_pendingStops.begin(), std::make_move_iterator(waiting.begin()),
                          std::make_move_iterator(waiting.end()));
  }
  if (m_explorer && !m_explorerStopped.empty()) {
    if (m_explorer->HasEnded()) {
      m_explorer->Stop();
      std::vector<Completion> done;
      done.swap(m_explorerStopped);
      for (Completion& completion : done) completion(true);
    } else {
      m_explorer->RequestStop();  // closes sockets made since
    }
  }
  bool saved = false;
  if (m_saver.TakeResult(saved)) {
    if (m_savedFiles) m_data.MarkSaved(*m_savedFiles);
    m_savedFiles.reset();
    Completion done = std::move(m_saved);
    m_saved = nullptr;
    if (done) done(saved);
    // Saves asked for meanwhile: one more save, with the data as it is now, answers them all.
    if (!m_nextSaves.empty()) {
      auto waiting = std::make_shared<std::vector<Completion>>(std::move(m_nextSaves));
      m_nextSaves.clear();
      Save([waiting](bool ok) {
        for (Completion& completion : *waiting) completion(ok);
      });
    }
  }
  if (m_exiting && m_exited) {
    if (m_explorer->HasEnded() && m_downloads->AllTransfersEnded()) {
      FinishExit();
    } else {
      m_explorer->RequestStop();
    }
  }
}

}  // namespace ferrow
