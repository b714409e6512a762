#pragma once
// The live description of a transfer or of one of its parts, shared between the worker
// threads and the user-interface thread. Every field is read and written under the
// description's own lock. The only nesting is a part's lock taken before its master's (when
// received bytes are added to both), so a master never locks a part.
#include <cstdint>
#include <memory>
#include <string>

#include "net/download_status.h"
#include "net/speed_counter.h"
#include "platform/clock.h"
#include "platform/critical_section.h"
#include "platform/error_code.h"
#include "platform/tls_channel.h"

namespace ferrow {

// Whether the server can continue at an offset.
enum class ResumeMode : int32_t {
  kUnknown = 0,
  kNotResumable = 1,  // every attempt starts from byte 0; one part
  kResumable = 2,
};

// A transfer's live figures, taken together under the description's lock in one step (Figures),
// so that they always belong to the same moment: what the manager copies into the record.
struct TransferFigures {
  std::wstring url;
  std::wstring file;
  uint64_t size = kUnknownSize;
  uint64_t date = kUnknownSize;
  uint64_t done = 0;
  int32_t progress = 0;
  DownloadStatus status = DownloadStatus::kQueued;
  ErrorValue error = 0;
  int32_t speed = 0;
  int32_t elapsed = 0;
  int32_t left = -1;
};

class CTransferInfo {
 public:
  // The clock drives the rate counter and must outlive the description.
  explicit CTransferInfo(const IClock* clock = &SystemClock());
  CTransferInfo(const CTransferInfo&) = delete;
  CTransferInfo& operator=(const CTransferInfo&) = delete;

  // Set once when the transfer is built, before any thread uses the description.
  void SetMaster(CTransferInfo* master);
  CTransferInfo* Master() const;

  std::wstring Url() const;
  void SetUrl(const std::wstring& url);
  std::wstring File() const;
  void SetFile(const std::wstring& file);
  std::wstring TemporaryFile() const;
  void SetTemporaryFile(const std::wstring& file);

  uint64_t Start() const;
  void SetStart(uint64_t start);
  uint64_t Size() const;
  // Also gives the total to the rate counter.
  void SetSize(uint64_t size);
  uint64_t Date() const;
  void SetDate(uint64_t date);
  // The file name the server suggests (Content-Disposition, else the last segment of the final
  // address), as it came: made safe by whoever uses it. Empty when none.
  std::wstring ServerFileName() const;
  void SetServerFileName(const std::wstring& name);
  // The server's entity tag for the file (HTTP "ETag"), empty when it sent none.
  std::wstring EntityTag() const;
  void SetEntityTag(const std::wstring& tag);

  uint64_t Done() const;
  // Adds received bytes here and then, still holding this lock, to the master.
  void AddDone(uint64_t bytes);
  // Replaces Done; the master's Done changes by the same difference.
  void SetDone(uint64_t done);

  // Done × 100 / Size, 0 when Size is 0 (an unknown Size therefore gives 0 as well).
  int32_t Progress();

  DownloadStatus Status() const;
  // Connecting restarts the rate counter; Queued, Stopped, Failed and Completed stop it.
  void SetStatus(DownloadStatus status);
  ErrorValue Error() const;
  // Stores the error and sets status Failed in one step.
  void SetError(ErrorValue error);
  // Clears the error without touching the status.
  void ClearError();

  // Refreshed from the rate counter on every read.
  int32_t Speed();
  int32_t Elapsed();
  int32_t Left();

  int32_t Index() const;
  void SetIndex(int32_t index);
  int32_t Parts() const;
  void SetParts(int32_t parts);
  ResumeMode GetResumeMode() const;
  void SetResumeMode(ResumeMode mode);
  int32_t Attempts() const;
  void SetAttempts(int32_t attempts);
  // Adds one and returns the new count.
  int32_t AddAttempt();
  // How long the server asked to wait before the next attempt ("Retry-After"), in
  // milliseconds; -1 when it did not. Taken (and reset) by the retry decision.
  int64_t TakeRetryAfter();
  void SetRetryAfter(int64_t milliseconds);

  TransferFigures Figures();

  // The TLS configuration and sessions of the whole transfer (a part asks its master), made on
  // the first call with the options given then, so that every connection of one download
  // resumes one session.
  std::shared_ptr<CTlsConfig> TlsConfig(const TlsOptions& options);

 private:
  void SetStatusLocked(DownloadStatus status);
  // Called on the master with the part's lock held.
  void ChangeDoneFromPart(uint64_t oldDone, uint64_t newDone);

  mutable CCriticalSection m_lock;
  CTransferInfo* m_master = nullptr;
  CSpeedCounter m_counter;
  std::wstring m_url;
  std::wstring m_file;
  std::wstring m_temporaryFile;
  uint64_t m_start = kUnknownSize;
  uint64_t m_size = kUnknownSize;
  uint64_t m_date = kUnknownSize;
  std::wstring m_entityTag;
  std::wstring m_serverFileName;
  uint64_t m_done = 0;
  int32_t m_progress = 0;
  DownloadStatus m_status = DownloadStatus::kQueued;
  ErrorValue m_error = 0;
  int32_t m_speed = 0;
  int32_t m_elapsed = 0;
  int32_t m_left = -1;
  int32_t m_index = -1;
  int32_t m_parts = 0;
  ResumeMode m_resumeMode = ResumeMode::kUnknown;
  int32_t m_attempts = 0;
  int64_t m_retryAfter = -1;
  std::shared_ptr<CTlsConfig> m_tls;
};

}  // namespace ferrow
