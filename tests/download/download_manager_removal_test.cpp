// "RemoveSuccessful": completed records leave the download list after every listener heard of
// them, and nothing else leaves.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/application_data.h"
#include "download/download_info.h"
#include "download/download_listener.h"
#include "download/download_manager.h"
#include "net/event_list.h"
#include "tests/support/fake_clock.h"
#include "tests/support/fake_transfer.h"
#include "tests/support/sandbox.h"

namespace ferrow {
namespace {

class FileReadingListener : public IDownloadListener {
 public:
  void OnDownloadMessage(TransferEvent event, CDownloadInfo& record) override {
    if (event == TransferEvent::kFinished) m_log.push_back(L"finished " + record.m_file);
  }
  void OnDownloadRemoved(CDownloadInfo& record) override {
    m_log.push_back(L"removed " + record.m_file);
  }
  std::vector<std::wstring> m_log;
};

class RemoveSuccessfulTest : public test::SandboxedTest {
 protected:
  void SetUp() override {
    SandboxedTest::SetUp();
    m_data.m_settings.SetDefaults();
    m_data.m_settings.m_startQueue = false;
    m_data.m_settings.m_removeSuccessful = true;
    m_manager = std::make_unique<CDownloadManager>(m_data.GetDownloadLists(), m_data.m_settings,
                                                   m_factory, m_clock);
    m_manager->SetDownloadSaver([] {});
    m_manager->AddListener(&m_listener);
    m_manager->Create();
  }
  void TearDown() override {
    m_manager.reset();
    SandboxedTest::TearDown();
  }
  CDownloadInfo& Add(const std::wstring& file) {
    CDownloadInfo& stored =
        m_manager->AddAndQueue(CDownloadInfo(L"http://127.0.0.1/x", Guid(), file));
    m_manager->Start(stored, true);
    return stored;
  }
  void End(CDownloadInfo& record, DownloadStatus status) {
    static_cast<test::FakeTransfer*>(m_manager->FindTransfer(record))->Finish(status);
  }
  void Tick() { m_manager->OnTimer(CDownloadManager::kUpdateTimer); }
  void Sweep() { m_manager->OnTimer(CDownloadManager::kSweepTimer); }

  test::FakeClock m_clock;
  test::FakeTransferFactory m_factory;
  CApplicationData m_data;
  FileReadingListener m_listener;
  std::unique_ptr<CDownloadManager> m_manager;
};

TEST_F(RemoveSuccessfulTest, CompletedRecordsLeaveAfterTheirMessage) {
  CDownloadInfo& done = Add(L"done.zip");
  CDownloadInfo& failed = Add(L"failed.zip");
  Add(L"running.zip");
  End(done, DownloadStatus::kCompleted);
  End(failed, DownloadStatus::kFailed);
  Tick();
  EXPECT_EQ(m_data.m_downloads.size(), 3u);  // the listeners still read it
  Sweep();
  EXPECT_EQ(m_listener.m_log,
            (std::vector<std::wstring>{L"finished done.zip", L"finished failed.zip",
                                       L"removed done.zip"}));
  std::vector<std::wstring> left;
  for (const CDownloadInfo& record : m_data.m_downloads) left.push_back(record.m_file);
  EXPECT_EQ(left, (std::vector<std::wstring>{L"failed.zip", L"running.zip"}));
  EXPECT_EQ(m_data.m_history.size(), 1u);  // the history keeps it
}

TEST_F(RemoveSuccessfulTest, SettingOffKeepsThem) {
  m_data.m_settings.m_removeSuccessful = false;
  End(Add(L"done.zip"), DownloadStatus::kCompleted);
  Tick();
  Sweep();
  EXPECT_EQ(m_data.m_downloads.size(), 1u);
}

}  // namespace
}  // namespace ferrow
