#include "download/transfer_info.h"

#include <mutex>

namespace ferrow {

using Lock = std::lock_guard<CCriticalSection>;

CTransferInfo::CTransferInfo(const IClock* clock) : m_counter(clock) {
  m_counter.SetTotal(m_size);
}

void CTransferInfo::SetMaster(CTransferInfo* master) {
  Lock lock(m_lock);
  m_master = master;
}

CTransferInfo* CTransferInfo::Master() const {
  Lock lock(m_lock);
  return m_master;
}

std::wstring CTransferInfo::Url() const {
  Lock lock(m_lock);
  return m_url;
}

void CTransferInfo::SetUrl(const std::wstring& url) {
  Lock lock(m_lock);
  m_url = url;
}

std::wstring CTransferInfo::File() const {
  Lock lock(m_lock);
  return m_file;
}

void CTransferInfo::SetFile(const std::wstring& file) {
  Lock lock(m_lock);
  m_file = file;
}

std::wstring CTransferInfo::TemporaryFile() const {
  Lock lock(m_lock);
  return m_temporaryFile;
}

void CTransferInfo::SetTemporaryFile(const std::wstring& file) {
  Lock lock(m_lock);
  m_temporaryFile = file;
}

uint64_t CTransferInfo::Start() const {
  Lock lock(m_lock);
  return m_start;
}

void CTransferInfo::SetStart(uint64_t start) {
  Lock lock(m_lock);
  m_start = start;
}

uint64_t CTransferInfo::Size() const {
  Lock lock(m_lock);
  return m_size;
}

void CTransferInfo::SetSize(uint64_t size) {
  Lock lock(m_lock);
  m_size = size;
  m_counter.SetTotal(size);
}

uint64_t CTransferInfo::Date() const {
  Lock lock(m_lock);
  return m_date;
}

void CTransferInfo::SetDate(uint64_t date) {
  Lock lock(m_lock);
  m_date = date;
}

std::wstring CTransferInfo::EntityTag() const {
  Lock lock(m_lock);
  return m_entityTag;
}

void CTransferInfo::SetEntityTag(const std::wstring& tag) {
  Lock lock(m_lock);
  m_entityTag = tag;
}

uint64_t CTransferInfo::Done() const {
  Lock lock(m_lock);
  return m_done;
}

void CTransferInfo::AddDone(uint64_t bytes) {
  Lock lock(m_lock);
  uint64_t old = m_done;
  m_done += bytes;
  m_counter.Add(bytes);
  if (m_master != nullptr) m_master->ChangeDoneFromPart(old, m_done);
}

void CTransferInfo::SetDone(uint64_t done) {
  Lock lock(m_lock);
  uint64_t old = m_done;
  m_done = done;
  m_counter.SetDone(done);
  if (m_master != nullptr) m_master->ChangeDoneFromPart(old, done);
}

void CTransferInfo::ChangeDoneFromPart(uint64_t oldDone, uint64_t newDone) {
  Lock lock(m_lock);
  if (newDone >= oldDone) {
    uint64_t grown = newDone - oldDone;
    m_done += grown;
    m_counter.Add(grown);
  } else {
    m_done -= oldDone - newDone;
    m_counter.SetDone(m_done);
  }
}

int32_t CTransferInfo::Progress() {
  Lock lock(m_lock);
  m_progress = m_size == 0 ? 0 : static_cast<int32_t>(m_done * 100 / m_size);
  return m_progress;
}

int32_t CTransferInfo::Status() const {
  Lock lock(m_lock);
  return m_status;
}

void CTransferInfo::SetStatus(int32_t status) {
  Lock lock(m_lock);
  SetStatusLocked(status);
}

void CTransferInfo::SetStatusLocked(int32_t status) {
  m_status = status;
  switch (status) {
    case DownloadStatus::kConnecting:
      m_counter.Start();
      break;
    case DownloadStatus::kQueued:
    case DownloadStatus::kStopped:
    case DownloadStatus::kFailed:
    case DownloadStatus::kCompleted:
      // Only a running counter is stopped: stopping twice would fix the average over the time
      // since the first start rather than over the run.
      if (m_counter.IsRunning()) m_counter.Stop();
      break;
    default:
      break;
  }
}

ErrorValue CTransferInfo::Error() const {
  Lock lock(m_lock);
  return m_error;
}

void CTransferInfo::SetError(ErrorValue error) {
  Lock lock(m_lock);
  m_error = error;
  SetStatusLocked(DownloadStatus::kFailed);
}

void CTransferInfo::ClearError() {
  Lock lock(m_lock);
  m_error = 0;
}

int32_t CTransferInfo::Speed() {
  Lock lock(m_lock);
  m_speed = m_counter.Speed();
  return m_speed;
}

int32_t CTransferInfo::Elapsed() {
  Lock lock(m_lock);
  m_elapsed = m_counter.Elapsed();
  return m_elapsed;
}

int32_t CTransferInfo::Left() {
  Lock lock(m_lock);
  m_left = m_counter.Left();
  return m_left;
}

int32_t CTransferInfo::Index() const {
  Lock lock(m_lock);
  return m_index;
}

void CTransferInfo::SetIndex(int32_t index) {
  Lock lock(m_lock);
  m_index = index;
}

int32_t CTransferInfo::Parts() const {
  Lock lock(m_lock);
  return m_parts;
}

void CTransferInfo::SetParts(int32_t parts) {
  Lock lock(m_lock);
  m_parts = parts;
}

int32_t CTransferInfo::GetResumeMode() const {
  Lock lock(m_lock);
  return m_resumeMode;
}

void CTransferInfo::SetResumeMode(int32_t mode) {
  Lock lock(m_lock);
  m_resumeMode = mode;
}

int32_t CTransferInfo::Attempts() const {
  Lock lock(m_lock);
  return m_attempts;
}

void CTransferInfo::SetAttempts(int32_t attempts) {
  Lock lock(m_lock);
  m_attempts = attempts;
}

int32_t CTransferInfo::AddAttempt() {
  Lock lock(m_lock);
  return ++m_attempts;
}

TransferFigures CTransferInfo::Figures() {
  Lock lock(m_lock);
  m_progress = m_size == 0 ? 0 : static_cast<int32_t>(m_done * 100 / m_size);
  m_speed = m_counter.Speed();
  m_elapsed = m_counter.Elapsed();
  m_left = m_counter.Left();
  TransferFigures figures;
  figures.size = m_size;
  figures.date = m_date;
  figures.done = m_done;
  figures.progress = m_progress;
  figures.status = m_status;
  figures.error = m_error;
  figures.speed = m_speed;
  figures.elapsed = m_elapsed;
  figures.left = m_left;
  return figures;
}

}  // namespace ferrow
