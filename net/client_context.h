#pragma once
// The shared objects every protocol client and socket of one transfer works with. The context
// holds them without owning them: the transfer (or the site explorer) owns them and outlives
// every client and socket it hands them to. A part's client gets a copy whose transfer is the
// part's description.
#include <cstdint>
#include <string>

#include "net/download_status.h"
#include "net/log_info.h"
#include "platform/error_code.h"

namespace ferrow {

enum class TransferEvent : uint32_t;
class CTransferInfo;
class CTransferSettings;
class CEventList;
class CLogList;
class CSocketList;
class CStopEvent;
class CResumeEvent;

class CClientContext {
 public:
  CClientContext() = default;
  CClientContext(CTransferInfo* transfer, CTransferSettings* settings, CEventList* events,
                 CLogList* log, CSocketList* sockets, CStopEvent* stop, CResumeEvent* resume);
  CClientContext(const CClientContext&) = default;
  CClientContext& operator=(const CClientContext&) = default;
  virtual ~CClientContext() = default;

  CTransferInfo* Transfer() const { return m_transfer; }
  CTransferSettings* Settings() const { return m_settings; }
  CEventList* Events() const { return m_events; }
  CLogList* Log() const { return m_log; }
  CSocketList* Sockets() const { return m_sockets; }
  CStopEvent* Stop() const { return m_stop; }
  CResumeEvent* Resume() const { return m_resume; }

  const CClientContext& Context() const { return *this; }
  // The same context working for another description (a part of the transfer).
  CClientContext WithTransfer(CTransferInfo* transfer) const;

  // Reporting to the transfer. Status changes, errors and log lines queue their event only
  // for the whole transfer, not for a part; progress is queued by every connection.
  bool IsMaster() const;
  void ReportStatus(DownloadStatus status);
  // Records the error (which also sets status Failed) and queues a status event.
  void ReportError(ErrorValue error);
  void AddLogLine(LogKind kind, const std::wstring& text);
  void AddLogLine(LogKind kind, uint32_t number, const std::wstring& argument, uint32_t extra);
  void QueueEvent(TransferEvent event);
  // Waits on the stop event (0 only tests). When it is set, records "cancelled" on the
  // description (queueing nothing) and returns true.
  bool CheckStop(uint32_t milliseconds) const;

 private:
  CTransferInfo* m_transfer = nullptr;
  CTransferSettings* m_settings = nullptr;
  CEventList* m_events = nullptr;
  CLogList* m_log = nullptr;
  CSocketList* m_sockets = nullptr;
  CStopEvent* m_stop = nullptr;
  CResumeEvent* m_resume = nullptr;
};

// The error recorded when the user stops a transfer.
constexpr ErrorValue kCancelledError = MakeError(kCategorySystem, SystemCode::kCancelled);

}  // namespace ferrow
