#include "download/download_manager.h"

#include <algorithm>
#include <utility>

#include "download/download_info.h"
#include "download/download_listener.h"
#include "download/download_settings.h"
#include "download/download_update.h"
#include "download/file_info.h"
#include "download/history_info.h"
#include "download/transfer_factory.h"
#include "net/connection_pool.h"
#include "net/event_list.h"
#include "platform/assert.h"
#include "platform/error_code.h"
#include "platform/file.h"

namespace ferrow {
namespace {

std::vector<ITransfer*> TransfersOf(const CTransferList& list) {
  std::vector<ITransfer*> transfers;
  for (const CTransferItem& item : list.GetItems()) transfers.push_back(item.GetTransfer());
  return transfers;
}

}  // namespace

CDownloadManager::CDownloadManager(DownloadLists lists, const IDownloadSettings& settings,
                                   ITransferFactory& factory, const IClock& clock)
    : m_lists(lists), m_settings(settings), m_factory(factory), m_clock(clock), m_timerHost(clock) {
  // One pool for all the manager's transfers: a download takes the connections the one before
  // it kept.
  m_transferSettings.SetConnectionPool(std::make_shared<CConnectionPool>());
}

CDownloadManager::~CDownloadManager() {
  StopAll();
  m_timerHost.KillTimers(this);
}

void CDownloadManager::Create() {
  FERROW_ASSERT(std::this_thread::get_id() == m_owner);
  m_timerHost.SetTimer(this, kUpdateTimer, 100);
  m_timerHost.SetTimer(this, kSweepTimer, 1000);
  m_timerHost.SetTimer(this, kSaveTimer, 60000);
  m_queue.Rebuild(m_lists.downloads);
  if (m_settings.GetStartQueue()) StartQueue();
}

void CDownloadManager::AddListener(IDownloadListener* listener) {
  m_listeners.push_back(listener);
}

void CDownloadManager::RemoveListener(IDownloadListener* listener) {
  std::erase(m_listeners, listener);
}

CDownloadInfo& CDownloadManager::AddAndQueue(const CDownloadInfo& record) {
  FERROW_ASSERT(std::this_thread::get_id() == m_owner);
  CDownloadInfo& stored = m_lists.downloads.emplace_back(record);
  stored.m_order = 0;  // a copy of a queued record must not claim its place
  m_queue.Append(&stored);
  return stored;
}

void CDownloadManager::Start(CDownloadInfo& record, bool force) {
  FERROW_ASSERT(std::this_thread::get_id() == m_owner);
  if (!force && GetActiveCount() >= static_cast<size_t>(std::max(0, m_settings.GetMaxDownloads())))
    return;
  m_queue.Remove(&record);
  if (ITransfer* old = m_transfers.Find(&record)) {
    old->Stop();
    m_transfers.Remove(old);
  }
  m_settings.CopyTo(m_transferSettings);
  // A transfer takes its connection count when it is made: the download's own count goes in
  // just for that (the next start copies the settings again).
  if (record.m_threads > 0) m_transferSettings.SetMaxThreads(record.m_threads);
  std::unique_ptr<ITransfer> created = m_factory.Create(m_transferSettings);
  ITransfer* transfer = created.get();
  transfer->Events().SetWake(&m_wake);
  CTransferItem& item = m_transfers.Add(&record, std::move(created));
  // The record counts as active at once: otherwise every start before the next update would
  // still see room below "MaxDownloads".
  if (transfer->Start(record.m_url, record.m_file)) {
    record.m_status = DownloadStatus::kConnecting;
    record.m_error = 0;
    return;
  }
  // No thread: the record says so instead of looking queued without a place in the queue; the
  // sweep removes the transfer.
  item.SetFinishSeen();
  record.m_status = DownloadStatus::kFailed;
  record.m_error = static_cast<int32_t>(MakeError(kCategorySystem, SystemCode::kNotEnoughMemory));
}

void CDownloadManager::StartQueue() {
  const std::vector<CDownloadInfo*> queued(m_queue.GetRecords().begin(),
                                           m_queue.GetRecords().end());
  for (CDownloadInfo* record : queued)
    if (m_queue.Contains(record)) Start(*record, false);
}

void CDownloadManager::Stop(CDownloadInfo& record) {
  FERROW_ASSERT(std::this_thread::get_id() == m_owner);
  if (StopTransfer(record)) return;
  CDownloadInfo* stored = FindRecord(&record);
  if (!stored) return;  // a listener deleted it meanwhile
  // Keeps the queue's invariant: a stopped record holds no place in it.
  m_queue.Remove(stored);
  stored->m_status = DownloadStatus::kStopped;
}

void CDownloadManager::Requeue(CDownloadInfo& record) {
  FERROW_ASSERT(std::this_thread::get_id() == m_owner);
  if (StopTransfer(record)) return;
  CDownloadInfo* stored = FindRecord(&record);
  if (stored && !m_queue.Contains(stored)) m_queue.Append(stored);
}

void CDownloadManager::Delete(CDownloadInfo& record) {
  FERROW_ASSERT(std::this_thread::get_id() == m_owner);
  Stop(record);
  if (!FindRecord(&record)) return;
  DeleteFileAt(record.m_file + L".fr");
  m_queue.Remove(&record);
  auto& downloads = m_lists.downloads;
  for (auto it = downloads.begin(); it != downloads.end(); ++it) {
    if (&*it == &record) {
      downloads.erase(it);
      break;
    }
  }
}

void CDownloadManager::StopAll() {
  FERROW_ASSERT(std::this_thread::get_id() == m_owner);
  m_stoppingAll = true;
  for (ITransfer* transfer : TransfersOf(m_transfers)) {
    CTransferItem* item = m_transfers.FindItemOf(transfer);
    if (!item) continue;
    CDownloadInfo* record = item->GetRecord();
    if (CTransferList::IsActiveStatus(record->m_status)) {
      transfer->Stop();
      const DownloadFigures figures = ReadDownloadFigures(transfer->Master());
      if (figures.status == DownloadStatus::kCompleted) {
        // Finished just before the stop: file it rather than fetch it again next time.
        UpdateFromTransfer(*record, figures);
      } else {
        const DownloadStatus status = record->m_status;
        UpdateFromTransfer(*record, figures);
        record->m_status = status;
        m_queue.PutFirst(record);
      }
    }
    if (DispatchEvents(transfer)) m_transfers.Remove(transfer);
  }
  m_stoppingAll = false;
}

bool CDownloadManager::RequestStop(CDownloadInfo& record) {
  FERROW_ASSERT(std::this_thread::get_id() == m_owner);
  CTransferItem* item = m_transfers.FindItem(&record);
  if (!item) return false;
  item->SetStopping();
  item->GetTransfer()->RequestStop();
  return true;
}

bool CDownloadManager::HasUnfinishedTransfer(const CDownloadInfo& record) {
  CTransferItem* item = m_transfers.FindItem(&record);
  return item != nullptr && !item->IsFinishSeen();
}

bool CDownloadManager::TransferHasEnded(const CDownloadInfo& record) {
  ITransfer* transfer = m_transfers.Find(&record);
  return transfer == nullptr || transfer->HasEnded();
}

void CDownloadManager::RequestStopAll() {
  for (CTransferItem& item : m_transfers.GetItems()) {
    if (!CTransferList::IsActiveStatus(item.GetRecord()->m_status)) continue;
    item.SetStopping();
    item.GetTransfer()->RequestStop();
  }
}

bool CDownloadManager::AllTransfersEnded() const {
  for (const CTransferItem& item : m_transfers.GetItems())
    if (!item.GetTransfer()->HasEnded()) return false;
  return true;
}

void CDownloadManager::AnswerLogin(CDownloadInfo& record, uint32_t value) {
  if (ITransfer* transfer = m_transfers.Find(&record)) transfer->Resume(value);
}

void CDownloadManager::MoveUp(CDownloadInfo& record) {
  m_queue.MoveUp(&record);
}

void CDownloadManager::MoveDown(CDownloadInfo& record) {
  m_queue.MoveDown(&record);
}

bool CDownloadManager::CanMoveUp(const CDownloadInfo& record) const {
  return m_queue.CanMoveUp(&record);
}

bool CDownloadManager::CanMoveDown(const CDownloadInfo& record) const {
  return m_queue.CanMoveDown(&record);
}

bool CDownloadManager::CanStartStatus(DownloadStatus status) {
  return status == DownloadStatus::kQueued || status == DownloadStatus::kStopped ||
         status == DownloadStatus::kFailed;
}

bool CDownloadManager::CanStopStatus(DownloadStatus status) {
  return CTransferList::IsActiveStatus(status);
}

bool CDownloadManager::CanQueueStatus(DownloadStatus status) {
  return status >= DownloadStatus::kStopped && status <= DownloadStatus::kRetrying;
}

bool CDownloadManager::CanOpenStatus(DownloadStatus status) {
  return status == DownloadStatus::kCompleted;
}

void CDownloadManager::OnTimer(uint32_t id) {
  FERROW_ASSERT(std::this_thread::get_id() == m_owner);
  switch (id) {
    case kUpdateTimer:
      OnUpdateTimer();
      break;
    case kSweepTimer:
      OnSweepTimer();
      break;
    case kSaveTimer:
      SaveDownloads();
      break;
    default:
      break;
  }
}

bool CDownloadManager::HandleWake() {
  FERROW_ASSERT(std::this_thread::get_id() == m_owner);
  if (!m_wake.Clear()) return false;
  OnUpdateTimer();
  // Transfers whose workers have ended go now rather than at the next sweep: with many small
  // files, a second's worth of ended transfers made every look-up slow.
  OnSweepTimer();
  return true;
}

void CDownloadManager::OnUpdateTimer() {
  // A snapshot: the finish handling starts transfers and listeners may stop or delete some.
  for (ITransfer* transfer : TransfersOf(m_transfers)) {
    CTransferItem* item = m_transfers.FindItemOf(transfer);
    if (!item || item->IsStopping()) continue;
    UpdateRecord(*item);
    DispatchEvents(transfer, true);
  }
}

void CDownloadManager::OnSweepTimer() {
  for (ITransfer* transfer : TransfersOf(m_transfers)) {
    CTransferItem* item = m_transfers.FindItemOf(transfer);
    if (!item || item->IsStopping() || !transfer->IsFinished()) continue;
    if (!item->IsFinishSeen()) {
      // The worker ended without its finished event (it could not begin, for example on a
      // scheme it does not serve): the record must not stay "running" for ever.
      item->SetFinishSeen();
      CDownloadInfo& record = *item->GetRecord();
      const DownloadFigures figures = ReadDownloadFigures(transfer->Master());
      UpdateFromTransfer(record, figures);
      if (record.m_status != DownloadStatus::kCompleted) {
        record.m_status = DownloadStatus::kFailed;
        if (record.m_error == 0)
          record.m_error =
              static_cast<int32_t>(MakeError(kCategorySystem, SystemCode::kInvalidParameter));
      }
      HandleFinish(record);
      SendMessage(TransferEvent::kFinished, record);
    }
    CDownloadInfo* record = item->GetRecord();
    m_transfers.Remove(transfer);
    RemoveIfSuccessful(record);
  }
}

void CDownloadManager::SaveDownloads() {
  if (m_saveDownloads) m_saveDownloads();
}

void CDownloadManager::UpdateRecord(CTransferItem& item) {
  if (item.IsFinishSeen()) return;
  DownloadFigures figures = ReadDownloadFigures(item.GetTransfer()->Master());
  // The description starts at 0 until the worker reports; the record stays "Connecting".
  if (figures.status == DownloadStatus::kQueued) figures.status = item.GetRecord()->m_status;
  UpdateFromTransfer(*item.GetRecord(), figures);
}

bool CDownloadManager::DispatchEvents(ITransfer* transfer, bool refreshOnFinish) {
  uint32_t code = 0;
  while (true) {
    CTransferItem* item = m_transfers.FindItemOf(transfer);
    if (!item) return false;
    if (!transfer->Events().Take(code)) return true;
    const auto event = static_cast<TransferEvent>(code);
    CDownloadInfo& record = *item->GetRecord();
    if (event == TransferEvent::kFinished) {
      // The figures read before this loop may be older than the event (a listener's answer to
      // an earlier event can let the worker end within the loop): the record must end with the
      // transfer's own last status, or it stays "login needed" or "running" for ever.
      if (refreshOnFinish && !item->IsStopping()) UpdateRecord(*item);
      item->SetFinishSeen();
      HandleFinish(record);
    }
    SendMessage(event, record);
  }
}

void CDownloadManager::HandleFinish(CDownloadInfo& record) {
  if (record.m_status == DownloadStatus::kCompleted) {
    const int64_t now = m_clock.WallSeconds();
    m_lists.history.Add(CHistoryInfo(record, now));
    m_lists.folders.AddFile(record.m_folder, CFileInfo(record, static_cast<uint64_t>(now)));
  }
  if (m_stoppingAll) return;  // at exit nothing new starts
  if (record.m_status != DownloadStatus::kCompleted && record.m_status != DownloadStatus::kFailed)
    return;
  int64_t free =
      static_cast<int64_t>(m_settings.GetMaxDownloads()) - static_cast<int64_t>(GetActiveCount());
  while (free > 0) {
    if (!m_queue.IsEmpty()) Start(*m_queue.GetFirst(), true);
    --free;
  }
}

void CDownloadManager::SendMessage(TransferEvent event, CDownloadInfo& record) {
  // A copy: a listener may leave (or add another) during the call.
  const std::vector<IDownloadListener*> listeners = m_listeners;
  for (IDownloadListener* listener : listeners) {
    if (std::find(m_listeners.begin(), m_listeners.end(), listener) == m_listeners.end()) continue;
    if (!FindRecord(&record)) return;  // deleted by an earlier listener
    listener->OnDownloadMessage(event, record);
  }
}

bool CDownloadManager::StopTransfer(CDownloadInfo& record) {
  CTransferItem* item = m_transfers.FindItem(&record);
  if (!item) return false;
  ITransfer* transfer = item->GetTransfer();
  transfer->Stop();
  const DownloadFigures figures = ReadDownloadFigures(transfer->Master());
  const bool completed = figures.status == DownloadStatus::kCompleted;
  if (completed) {
    // The file was finished before the stop reached it: handled like any completion.
    UpdateFromTransfer(record, figures);
    if (DispatchEvents(transfer)) m_transfers.Remove(transfer);
    return true;
  }
  // The events go out with the record's old status, so the finished event starts nothing.
  if (!DispatchEvents(transfer)) return false;
  const DownloadStatus status = record.m_status;
  UpdateFromTransfer(record, figures);
  record.m_status = status;
  m_transfers.Remove(transfer);
  return false;
}

CDownloadInfo* CDownloadManager::FindRecord(const CDownloadInfo* record) {
  for (CDownloadInfo& stored : m_lists.downloads)
    if (&stored == record) return &stored;
  return nullptr;
}

}  // namespace ferrow
