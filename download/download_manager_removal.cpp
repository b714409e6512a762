// "RemoveSuccessful": a completed download leaves the list once the one-second sweep has taken
// its transfer away. By then its finished message has reached every listener (the
// after-download actions read the record's file there), so nobody still works on the record.
#include <algorithm>

#include "download/download_info.h"
#include "download/download_listener.h"
#include "download/download_manager.h"
#include "download/download_settings.h"

namespace ferrow {

void CDownloadManager::RemoveIfSuccessful(CDownloadInfo* record) {
  if (!m_settings.GetRemoveSuccessful()) return;
  CDownloadInfo* stored = FindRecord(record);
  if (!stored || stored->m_status != DownloadStatus::kCompleted) return;
  // Started again or queued meanwhile: it is no longer a finished item.
  if (m_transfers.Find(stored) || m_queue.Contains(stored)) return;
  const std::vector<IDownloadListener*> listeners = m_listeners;
  for (IDownloadListener* listener : listeners)
    if (std::find(m_listeners.begin(), m_listeners.end(), listener) != m_listeners.end())
      listener->OnDownloadRemoved(*stored);
  auto& downloads = m_lists.downloads;
  for (auto it = downloads.begin(); it != downloads.end(); ++it) {
    if (&*it == stored) {
      downloads.erase(it);
      return;
    }
  }
}

}  // namespace ferrow
