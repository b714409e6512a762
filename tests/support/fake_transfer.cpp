#include "tests/support/fake_transfer.h"

#include "net/event_list.h"
#include "net/log_list.h"
#include "net/transfer_info.h"
#include "net/transfer_settings.h"
#include "platform/error_code.h"

namespace ferrow::test {

FakeTransfer::FakeTransfer(bool startSucceeds)
    : m_master(std::make_unique<CTransferInfo>()),
      m_events(std::make_unique<CEventList>()),
      m_log(std::make_unique<CLogList>()),
      m_startSucceeds(startSucceeds) {}

FakeTransfer::~FakeTransfer() {
  if (m_alive) *m_alive = false;
}

bool FakeTransfer::Start(const std::wstring& url, const std::wstring& file) {
  m_url = url;
  m_file = file;
  m_master->SetUrl(url);
  m_master->SetFile(file);
  m_running = m_startSucceeds;
  if (m_running) m_events->Add(TransferEvent::kStarted);
  return m_startSucceeds;
}

void FakeTransfer::Stop() {
  ++m_stopCalls;
  if (!m_running) return;
  Finish(DownloadStatus::kFailed, MakeError(kCategorySystem, SystemCode::kCancelled));
}

void FakeTransfer::RequestStop() {
  ++m_stopRequests;
  if (m_running && !m_slowStop)
    Finish(DownloadStatus::kFailed, MakeError(kCategorySystem, SystemCode::kCancelled));
}

void FakeTransfer::Resume(uint32_t value) {
  m_resumeValues.push_back(value);
}

bool FakeTransfer::IsFinished() const {
  return !m_running && m_events->IsEmpty();
}

void FakeTransfer::SetStatus(DownloadStatus status) {
  m_master->SetStatus(status);
}

void FakeTransfer::SetProgress(uint64_t done, uint64_t size) {
  m_master->SetSize(size);
  m_master->SetDone(done);
}

void FakeTransfer::AddEvent(TransferEvent event) {
  m_events->Add(event);
}

void FakeTransfer::Finish(DownloadStatus status, uint32_t error) {
  if (error != 0) m_master->SetError(error);
  m_master->SetStatus(status);
  m_events->Add(TransferEvent::kFinished);
  m_running = false;
}

void FakeTransfer::EndSilently() {
  m_running = false;
}

FakeTransferFactory::~FakeTransferFactory() {
  for (Entry& entry : m_transfers)
    if (*entry.alive) entry.transfer->m_alive = nullptr;
}

std::unique_ptr<ITransfer> FakeTransferFactory::Create(CTransferSettings& settings) {
  auto transfer = std::make_unique<FakeTransfer>(!m_failNext);
  m_failNext = false;
  Entry entry{transfer.get(), std::make_unique<bool>(true)};
  transfer->m_alive = entry.alive.get();
  m_transfers.push_back(std::move(entry));
  m_maxThreads.push_back(settings.GetMaxThreads());
  return transfer;
}

FakeTransfer* FakeTransferFactory::At(size_t index) const {
  if (index >= m_transfers.size() || !*m_transfers[index].alive) return nullptr;
  return m_transfers[index].transfer;
}

FakeTransfer* FakeTransferFactory::ForFile(const std::wstring& file) const {
  for (auto it = m_transfers.rbegin(); it != m_transfers.rend(); ++it)
    if (*it->alive && it->transfer->File() == file) return it->transfer;
  return nullptr;
}

}  // namespace ferrow::test
