#pragma once
// Decides which downloads run: keeps the waiting ones in the queue, starts transfers within
// "MaxDownloads", copies every running transfer's figures into its record ten times a second,
// hands transfer events to the listeners, files finished downloads into the history and their
// folder, starts the next queued downloads when one ends, and saves the download list every
// minute.
//
// Everything here runs on one thread, the one that drives the timer host (the user-interface
// thread of the windowed program, the main loop of the console program, or a test). Transfer
// threads never call in: they publish through their descriptions and event lists.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "download/download_list.h"
#include "download/download_queue.h"
#include "download/folder_info.h"
#include "download/history_list.h"
#include "download/transfer_list.h"
#include "net/event_list.h"
#include "net/transfer_settings.h"
#include "platform/clock.h"
#include "platform/timer_host.h"
#include "platform/wake_fd.h"

namespace ferrow {

class CDownloadInfo;
class IDownloadListener;
class IDownloadSettings;
class ITransferFactory;

// The stored lists the manager works on; they belong to the application data, which outlives
// the manager.
struct DownloadLists {
  CDownloadList& downloads;
  CHistoryList& history;
  CFolderInfo& folders;  // the root of the folder tree
};

class CDownloadManager : public ITimerTarget {
 public:
  static constexpr uint32_t kUpdateTimer = 100;  // every 100 ms: figures and events
  static constexpr uint32_t kSweepTimer = 200;   // every second: remove finished transfers
  static constexpr uint32_t kSaveTimer = 300;    // every minute: save the download list

  // The lists, the settings, the factory and the clock must outlive the manager.
  CDownloadManager(DownloadLists lists, const IDownloadSettings& settings,
                   ITransferFactory& factory, const IClock& clock = SystemClock());
  // Stop all: running downloads go back to the head of the queue.
  ~CDownloadManager() override;
  CDownloadManager(const CDownloadManager&) = delete;
  CDownloadManager& operator=(const CDownloadManager&) = delete;

  // Sets the three timers, builds the queue from the stored Orders and, with "StartQueue",
  // starts it.
  void Create();
  void AddListener(IDownloadListener* listener);
  // A listener that goes away must leave first.
  void RemoveListener(IDownloadListener* listener);

  // Appends a copy to the download list and the stored record to the queue.
  CDownloadInfo& AddAndQueue(const CDownloadInfo& record);
  // Not forced: nothing happens while "MaxDownloads" downloads are active.
  void Start(CDownloadInfo& record, bool force);
  void StartQueue();
  void Stop(CDownloadInfo& record);
  void Requeue(CDownloadInfo& record);
  // Stops, deletes the temporary file, and removes the record from the queue and the list.
  void Delete(CDownloadInfo& record);
  // Every active download is stopped and put at the head of the queue.
  void StopAll();
  // The first half of a stop that must not block the caller: asks the record's transfer to stop
  // and leaves it alone (no figures, no events, no sweep) until Stop, Requeue or Delete finish
  // the job, which they do without waiting once TransferHasEnded. False when the record runs no
  // transfer.
  bool RequestStop(CDownloadInfo& record);
  // True when the record has no transfer or its worker has ended.
  bool TransferHasEnded(const CDownloadInfo& record);
  // RequestStop for every active download (the first half of a Stop all that must not block).
  void RequestStopAll();
  // True when no transfer's worker runs any more.
  bool AllTransfersEnded() const;
  void AnswerLogin(CDownloadInfo& record, uint32_t value);
  void MoveUp(CDownloadInfo& record);
  void MoveDown(CDownloadInfo& record);
  bool CanMoveUp(const CDownloadInfo& record) const;
  bool CanMoveDown(const CDownloadInfo& record) const;
  size_t GetActiveCount() const { return m_transfers.GetActiveCount(); }
  size_t GetQueueCount() const { return m_queue.GetCount(); }

  // The download pane's command predicates by Status.
  static bool CanStartStatus(DownloadStatus status);
  static bool CanStopStatus(DownloadStatus status);
  static bool CanQueueStatus(DownloadStatus status);
  static bool CanOpenStatus(DownloadStatus status);

  void OnTimer(uint32_t id) override;

  // Whoever runs the loop polls this host, and also waits on the wake: it is signalled (from a
  // transfer's thread) the moment a transfer finishes, and HandleWake then hands out the
  // events at once, so the next queued download starts without waiting for the next update.
  CTimerHost& GetTimerHost() { return m_timerHost; }
  const CWakeFd& GetWake() const { return m_wake; }
  // An update pass when the wake was signalled; true when it was.
  bool HandleWake();
  CTransferSettings& GetTransferSettings() { return m_transferSettings; }
  const CDownloadQueue& GetQueue() const { return m_queue; }
  const CTransferList& GetTransfers() const { return m_transfers; }
  // The transfer of a running record, or null.
  ITransfer* FindTransfer(const CDownloadInfo& record) { return m_transfers.Find(&record); }
  // True while a transfer works for the record and its end has not been handled: the record's
  // status is not final yet, even when it reads Failed for a moment between two attempts.
  bool HasUnfinishedTransfer(const CDownloadInfo& record);

  // How timer 300 saves the download list (the owner of the data knows where it goes and
  // whether its file may be written); without one nothing is saved.
  void SetDownloadSaver(std::function<void()> saver) { m_saveDownloads = std::move(saver); }

 private:
  void OnUpdateTimer();
  void OnSweepTimer();
  void SaveDownloads();
  // Copies the figures of the transfer into its record.
  void UpdateRecord(CTransferItem& item);
  // Drains the transfer's events: finish handling first, then the listeners. Returns false when
  // the transfer went away meanwhile (a listener stopped or deleted the download). On the step,
  // the finished event first copies the transfer's last figures (refreshOnFinish); a stop keeps
  // the status it set itself.
  bool DispatchEvents(ITransfer* transfer, bool refreshOnFinish = false);
  void HandleFinish(CDownloadInfo& record);
  void SendMessage(TransferEvent event, CDownloadInfo& record);
  // Stops the transfer of a record, lets its last events through and destroys it. True when
  // the transfer had completed the file before it could be stopped.
  bool StopTransfer(CDownloadInfo& record);
  CDownloadInfo* FindRecord(const CDownloadInfo* record);
  // With "RemoveSuccessful", takes a completed record whose transfer is gone out of the list.
  // (download_manager_removal.cpp)
  void RemoveIfSuccessful(CDownloadInfo* record);

  // The thread that made the manager: the only one that may call it.
  const std::thread::id m_owner = std::this_thread::get_id();
  DownloadLists m_lists;
  const IDownloadSettings& m_settings;
  ITransferFactory& m_factory;
  const IClock& m_clock;
  // Before the transfers, whose event lists signal it: it goes after them.
  CWakeFd m_wake;
  CTimerHost m_timerHost;
  CTransferList m_transfers;
  CTransferSettings m_transferSettings;
  CDownloadQueue m_queue;
  std::vector<IDownloadListener*> m_listeners;
  std::function<void()> m_saveDownloads;
  bool m_stoppingAll = false;
};

}  // namespace ferrow
