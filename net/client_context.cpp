#include "net/client_context.h"

#include "net/event_list.h"
#include "net/log_list.h"
#include "net/stop_event.h"
#include "net/transfer_info.h"

namespace ferrow {

CClientContext::CClientContext(CTransferInfo* transfer, CTransferSettings* settings,
                               CEventList* events, CLogList* log, CSocketList* sockets,
                               CStopEvent* stop, CResumeEvent* resume)
    : m_transfer(transfer),
      m_settings(settings),
      m_events(events),
      m_log(log),
      m_sockets(sockets),
      m_stop(stop),
      m_resume(resume) {}

CClientContext CClientContext::WithTransfer(CTransferInfo* transfer) const {
  CClientContext copy(*this);
  copy.m_transfer = transfer;
  return copy;
}

bool CClientContext::IsMaster() const {
  return m_transfer == nullptr || m_transfer->Master() == nullptr;
}

void CClientContext::QueueEvent(TransferEvent event) {
  if (m_events != nullptr) m_events->Add(event);
}

void CClientContext::ReportStatus(DownloadStatus status) {
  if (m_transfer != nullptr) m_transfer->SetStatus(status);
  if (IsMaster()) QueueEvent(TransferEvent::kStatusChanged);
}

void CClientContext::ReportError(ErrorValue error) {
  if (m_transfer != nullptr) m_transfer->SetError(error);
  if (IsMaster()) QueueEvent(TransferEvent::kStatusChanged);
}

void CClientContext::AddLogLine(LogKind kind, const std::wstring& text) {
  if (m_log != nullptr) m_log->Add(kind, text);
  if (IsMaster()) QueueEvent(TransferEvent::kLog);
}

void CClientContext::AddLogLine(LogKind kind, uint32_t number, const std::wstring& argument,
                                uint32_t extra) {
  if (m_log != nullptr) m_log->Add(kind, number, argument, extra);
  if (IsMaster()) QueueEvent(TransferEvent::kLog);
}

bool CClientContext::CheckStop(uint32_t milliseconds) const {
  if (m_stop == nullptr || !m_stop->Wait(milliseconds)) return false;
  if (m_transfer != nullptr) m_transfer->SetError(kCancelledError);
  return true;
}

}  // namespace ferrow
