#pragma once
// A transfer whose progress, status and events a test writes by hand, and the factory that
// makes them for the download manager. No thread: "running" is a flag the test controls.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "download/transfer.h"
#include "download/transfer_factory.h"
#include "net/download_status.h"
#include "net/event_list.h"

namespace ferrow::test {

class FakeTransfer : public ITransfer {
 public:
  explicit FakeTransfer(bool startSucceeds = true);
  ~FakeTransfer() override;

  bool Start(const std::wstring& url, const std::wstring& file) override;
  // Like the real one: a running transfer records "cancelled" (Failed) and queues finished.
  void Stop() override;
  // Ends at once, like Stop, unless SetSlowStop: then the "thread" ends when the test calls
  // Finish (or Stop).
  void RequestStop() override;
  bool HasEnded() const override { return !m_running; }
  void Resume(uint32_t value) override;
  bool IsFinished() const override;
  CTransferInfo& Master() override { return *m_master; }
  CEventList& Events() override { return *m_events; }
  CLogList& Log() override { return *m_log; }
  int32_t GetConnectionCount() override { return m_connections; }

  // The script.
  void SetStatus(DownloadStatus status);
  void SetProgress(uint64_t done, uint64_t size);
  void AddEvent(TransferEvent event);
  // The worker's end: the status (and error), then the finished event, and the thread is gone.
  void Finish(DownloadStatus status, uint32_t error = 0);
  // The worker's end without any event (a scheme it does not serve).
  void EndSilently();
  void SetConnections(int32_t count) { m_connections = count; }
  void SetSlowStop(bool slow) { m_slowStop = slow; }
  int GetStopRequests() const { return m_stopRequests; }

  bool IsRunning() const { return m_running; }
  const std::wstring& Url() const { return m_url; }
  const std::wstring& File() const { return m_file; }
  int GetStopCalls() const { return m_stopCalls; }
  const std::vector<uint32_t>& GetResumeValues() const { return m_resumeValues; }
  // Set by the test's factory; cleared when the manager destroys the transfer.
  bool* m_alive = nullptr;

 private:
  std::unique_ptr<CTransferInfo> m_master;
  std::unique_ptr<CEventList> m_events;
  std::unique_ptr<CLogList> m_log;
  bool m_startSucceeds;
  bool m_running = false;
  std::wstring m_url;
  std::wstring m_file;
  int m_stopCalls = 0;
  int m_stopRequests = 0;
  bool m_slowStop = false;
  int32_t m_connections = 0;
  std::vector<uint32_t> m_resumeValues;
};

// Makes fake transfers and remembers them in creation order. A destroyed transfer leaves a
// null in Transfers().
class FakeTransferFactory : public ITransferFactory {
 public:
  ~FakeTransferFactory() override;
  std::unique_ptr<ITransfer> Create(CTransferSettings& settings) override;

  // The next Create makes a transfer whose thread cannot start.
  void FailNextStart() { m_failNext = true; }
  // The n-th transfer made (from 0), or null once the manager destroyed it.
  FakeTransfer* At(size_t index) const;
  size_t GetCreatedCount() const { return m_transfers.size(); }
  // The transfer made last for this target file, or null.
  FakeTransfer* ForFile(const std::wstring& file) const;
  // Settings each transfer was created with ("MaxThreads" as the transfer read it).
  const std::vector<int32_t>& GetMaxThreadsSeen() const { return m_maxThreads; }

 private:
  struct Entry {
    FakeTransfer* transfer;
    std::unique_ptr<bool> alive;
  };
  std::vector<Entry> m_transfers;
  std::vector<int32_t> m_maxThreads;
  bool m_failNext = false;
};

}  // namespace ferrow::test
