#include "net/transfer_info.h"

#include <mutex>

#include "platform/assert.h"

namespace ferrow {

namespace {

#ifdef FERROW_ASSERTS
// Master descriptions whose lock this thread holds: a part's lock is taken before its
// master's, never after (a part adding received bytes), so a master never waits for a part.
thread_local int t_masterLocksHeld = 0;
#endif

// A description's lock, checking the lock order where asserts are on.
class Guard {
 public:
  Guard(CCriticalSection& lock, bool isMaster) : m_lock(lock), m_isMaster(isMaster) {
#ifdef FERROW_ASSERTS
    FERROW_ASSERT(isMaster || t_masterLocksHeld == 0);
    if (isMaster) ++t_masterLocksHeld;
#endif
    m_lock.lock();
  }
  ~Guard() {
    m_lock.unlock();
#ifdef FERROW_ASSERTS
    if (m_isMaster) --t_masterLocksHeld;
#endif
  }
  Guard(const Guard&) = delete;
  Guard& operator=(const Guard&) = delete;

 private:
  CCriticalSection& m_lock;
  [[maybe_unused]] bool m_isMaster;
};

}  // namespace

CTransferInfo::CTransferInfo(const IClock* clock) : m_counter(clock) {
  m_counter.SetTotal(m_size);
}

void CTransferInfo::SetMaster(CTransferInfo* master) {
  Guard lock(m_lock, m_master == nullptr);
  m_master = master;
}

CTransferInfo* CTransferInfo::Master() const {
  Guard lock(m_lock, m_master == nullptr);
  return m_master;
}

std::wstring CTransferInfo::Url() const {
  Guard lock(m_lock, m_master == nullptr);
  return m_url;
}

void CTransferInfo::SetUrl(const std::wstring& url) {
  Guard lock(m_lock, m_master == nullptr);
  m_url = url;
}

std::wstring CTransferInfo::File() const {
  Guard lock(m_lock, m_master == nullptr);
  return m_file;
}

void CTransferInfo::SetFile(const std::wstring& file) {
  Guard lock(m_lock, m_master == nullptr);
  m_file = file;
}

std::wstring CTransferInfo::TemporaryFile() const {
  Guard lock(m_lock, m_master == nullptr);
  return m_temporaryFile;
}

void CTransferInfo::SetTemporaryFile(const std::wstring& file) {
  Guard lock(m_lock, m_master == nullptr);
  m_temporaryFile = file;
}

uint64_t CTransferInfo::Start() const {
  Guard lock(m_lock, m_master == nullptr);
  return m_start;
}

void CTransferInfo::SetStart(uint64_t start) {
  Guard lock(m_lock, m_master == nullptr);
  m_start = start;
}

uint64_t CTransferInfo::Size() const {
  Guard lock(m_lock, m_master == nullptr);
  return m_size;
}

void CTransferInfo::SetSize(uint64_t size) {
  Guard lock(m_lock, m_master == nullptr);
  m_size = size;
  m_counter.SetTotal(size);
}

uint64_t CTransferInfo::Date() const {
  Guard lock(m_lock, m_master == nullptr);
  return m_date;
}

void CTransferInfo::SetDate(uint64_t date) {
  Guard lock(m_lock, m_master == nullptr);
  m_date = date;
}

std::wstring CTransferInfo::ServerFileName() const {
  Guard lock(m_lock, m_master == nullptr);
  return m_serverFileName;
}

void CTransferInfo::SetServerFileName(const std::wstring& name) {
  Guard lock(m_lock, m_master == nullptr);
  m_serverFileName = name;
}

std::wstring CTransferInfo::EntityTag() const {
  Guard lock(m_lock, m_master == nullptr);
  return m_entityTag;
}

void CTransferInfo::SetEntityTag(const std::wstring& tag) {
  Guard lock(m_lock, m_master == nullptr);
  m_entityTag = tag;
}

uint64_t CTransferInfo::Done() const {
  Guard lock(m_lock, m_master == nullptr);
  return m_done;
}

void CTransferInfo::AddDone(uint64_t bytes) {
  Guard lock(m_lock, m_master == nullptr);
  uint64_t old = m_done;
  m_done += bytes;
  m_counter.Add(bytes);
  if (m_master != nullptr) m_master->ChangeDoneFromPart(old, m_done);
}

void CTransferInfo::SetDone(uint64_t done) {
  Guard lock(m_lock, m_master == nullptr);
  uint64_t old = m_done;
  m_done = done;
  m_counter.SetDone(done);
  if (m_master != nullptr) m_master->ChangeDoneFromPart(old, done);
}

void CTransferInfo::ChangeDoneFromPart(uint64_t oldDone, uint64_t newDone) {
  Guard lock(m_lock, m_master == nullptr);
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
  Guard lock(m_lock, m_master == nullptr);
  m_progress = m_size == 0 ? 0 : static_cast<int32_t>(m_done * 100 / m_size);
  return m_progress;
}

DownloadStatus CTransferInfo::Status() const {
  Guard lock(m_lock, m_master == nullptr);
  return m_status;
}

void CTransferInfo::SetStatus(DownloadStatus status) {
  Guard lock(m_lock, m_master == nullptr);
  SetStatusLocked(status);
}

void CTransferInfo::SetStatusLocked(DownloadStatus status) {
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
  Guard lock(m_lock, m_master == nullptr);
  return m_error;
}

void CTransferInfo::SetError(ErrorValue error) {
  Guard lock(m_lock, m_master == nullptr);
  m_error = error;
  SetStatusLocked(DownloadStatus::kFailed);
}

void CTransferInfo::ClearError() {
  Guard lock(m_lock, m_master == nullptr);
  m_error = 0;
}

int32_t CTransferInfo::Speed() {
  Guard lock(m_lock, m_master == nullptr);
  m_speed = m_counter.Speed();
  return m_speed;
}

int32_t CTransferInfo::Elapsed() {
  Guard lock(m_lock, m_master == nullptr);
  m_elapsed = m_counter.Elapsed();
  return m_elapsed;
}

int32_t CTransferInfo::Left() {
  Guard lock(m_lock, m_master == nullptr);
  m_left = m_counter.Left();
  return m_left;
}

int32_t CTransferInfo::Index() const {
  Guard lock(m_lock, m_master == nullptr);
  return m_index;
}

void CTransferInfo::SetIndex(int32_t index) {
  Guard lock(m_lock, m_master == nullptr);
  m_index = index;
}

int32_t CTransferInfo::Parts() const {
  Guard lock(m_lock, m_master == nullptr);
  return m_parts;
}

void CTransferInfo::SetParts(int32_t parts) {
  Guard lock(m_lock, m_master == nullptr);
  m_parts = parts;
}

ResumeMode CTransferInfo::GetResumeMode() const {
  Guard lock(m_lock, m_master == nullptr);
  return m_resumeMode;
}

void CTransferInfo::SetResumeMode(ResumeMode mode) {
  Guard lock(m_lock, m_master == nullptr);
  m_resumeMode = mode;
}

int32_t CTransferInfo::Attempts() const {
  Guard lock(m_lock, m_master == nullptr);
  return m_attempts;
}

void CTransferInfo::SetAttempts(int32_t attempts) {
  Guard lock(m_lock, m_master == nullptr);
  m_attempts = attempts;
}

int32_t CTransferInfo::AddAttempt() {
  Guard lock(m_lock, m_master == nullptr);
  return ++m_attempts;
}

TransferFigures CTransferInfo::Figures() {
  Guard lock(m_lock, m_master == nullptr);
  m_progress = m_size == 0 ? 0 : static_cast<int32_t>(m_done * 100 / m_size);
  m_speed = m_counter.Speed();
  m_elapsed = m_counter.Elapsed();
  m_left = m_counter.Left();
  TransferFigures figures;
  figures.url = m_url;
  figures.file = m_file;
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

std::shared_ptr<CTlsConfig> CTransferInfo::TlsConfig(const TlsOptions& options) {
  if (m_master != nullptr) return m_master->TlsConfig(options);
  Guard lock(m_lock, true);
  if (!m_tls) m_tls = std::make_shared<CTlsConfig>(options);
  return m_tls;
}

int64_t CTransferInfo::TakeRetryAfter() {
  Guard lock(m_lock, m_master == nullptr);
  const int64_t value = m_retryAfter;
  m_retryAfter = -1;
  return value;
}

void CTransferInfo::SetRetryAfter(int64_t milliseconds) {
  Guard lock(m_lock, m_master == nullptr);
  m_retryAfter = milliseconds;
}

}  // namespace ferrow
