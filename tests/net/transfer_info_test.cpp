#include "net/transfer_info.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "tests/support/fake_clock.h"

namespace ferrow {
namespace {

class TransferInfoTest : public ::testing::Test {
 protected:
  test::FakeClock m_clock;
  CTransferInfo m_info{&m_clock};
};

TEST_F(TransferInfoTest, ConstructedValues) {
  EXPECT_EQ(m_info.Master(), nullptr);
  EXPECT_EQ(m_info.Start(), kUnknownSize);
  EXPECT_EQ(m_info.Size(), kUnknownSize);
  EXPECT_EQ(m_info.Date(), kUnknownSize);
  EXPECT_EQ(m_info.Done(), 0u);
  EXPECT_EQ(m_info.Status(), DownloadStatus::kQueued);
  EXPECT_EQ(m_info.Error(), 0u);
  EXPECT_EQ(m_info.Left(), -1);
  EXPECT_EQ(m_info.Index(), -1);
  EXPECT_EQ(m_info.Parts(), 0);
  EXPECT_EQ(m_info.GetResumeMode(), ResumeMode::kUnknown);
  EXPECT_EQ(m_info.Attempts(), 0);
}

TEST_F(TransferInfoTest, ProgressFromDoneAndSize) {
  EXPECT_EQ(m_info.Progress(), 0);  // unknown size
  m_info.AddDone(50);
  EXPECT_EQ(m_info.Progress(), 0);
  m_info.SetSize(0);
  EXPECT_EQ(m_info.Progress(), 0);
  m_info.SetSize(200);
  EXPECT_EQ(m_info.Progress(), 25);
  m_info.SetDone(200);
  EXPECT_EQ(m_info.Progress(), 100);
}

TEST_F(TransferInfoTest, ErrorSetsFailedAndClearKeepsStatus) {
  m_info.SetStatus(DownloadStatus::kDownloading);
  m_info.SetError(MakeError(kCategoryHttp, 404));
  EXPECT_EQ(m_info.Status(), DownloadStatus::kFailed);
  EXPECT_EQ(m_info.Error(), MakeError(kCategoryHttp, 404));
  m_info.ClearError();
  EXPECT_EQ(m_info.Error(), 0u);
  EXPECT_EQ(m_info.Status(), DownloadStatus::kFailed);
}

TEST_F(TransferInfoTest, StatusDrivesTheRateCounter) {
  m_info.SetSize(1000);
  m_info.AddDone(400);  // before the connection: not part of the run
  m_info.SetStatus(DownloadStatus::kConnecting);
  m_clock.AdvanceSeconds(3);
  m_info.AddDone(300);
  m_info.SetStatus(DownloadStatus::kDownloading);  // keeps running
  m_clock.AdvanceSeconds(2);
  EXPECT_EQ(m_info.Elapsed(), 5);
  EXPECT_EQ(m_info.Speed(), 60);  // 300 bytes in the first 5-second window
  EXPECT_EQ(m_info.Left(), 5);    // 300 missing at 60 per second

  m_info.AddDone(300);
  m_clock.AdvanceSeconds(1);
  m_info.SetStatus(DownloadStatus::kCompleted);
  EXPECT_EQ(m_info.Speed(), 100);  // 600 bytes over 6 seconds
  EXPECT_EQ(m_info.Elapsed(), 6);
  EXPECT_EQ(m_info.Left(), 0);

  // Stopping again (failed after completion) leaves the fixed figures alone.
  m_clock.AdvanceSeconds(60);
  m_info.SetError(MakeError(kCategorySystem, SystemCode::kCancelled));
  EXPECT_EQ(m_info.Speed(), 100);
  EXPECT_EQ(m_info.Elapsed(), 6);
}

TEST_F(TransferInfoTest, ReconnectingRestartsElapsed) {
  m_info.SetStatus(DownloadStatus::kConnecting);
  m_clock.AdvanceSeconds(30);
  m_info.SetStatus(DownloadStatus::kRetrying);
  EXPECT_EQ(m_info.Elapsed(), 30);
  m_info.SetStatus(DownloadStatus::kConnecting);
  m_clock.AdvanceSeconds(2);
  EXPECT_EQ(m_info.Elapsed(), 2);
}

TEST_F(TransferInfoTest, FiguresReadTogether) {
  m_info.SetSize(400);
  m_info.SetDate(1234);
  m_info.SetStatus(DownloadStatus::kConnecting);
  m_info.AddDone(100);
  TransferFigures figures = m_info.Figures();
  EXPECT_EQ(figures.size, 400u);
  EXPECT_EQ(figures.date, 1234u);
  EXPECT_EQ(figures.done, 100u);
  EXPECT_EQ(figures.progress, 25);
  EXPECT_EQ(figures.status, DownloadStatus::kConnecting);
  EXPECT_EQ(figures.left, -1);
}

TEST_F(TransferInfoTest, PartBytesReachTheMaster) {
  CTransferInfo part(&m_clock);
  part.SetMaster(&m_info);
  part.AddDone(100);
  EXPECT_EQ(m_info.Done(), 100u);
  part.SetDone(250);  // the difference goes to the master
  EXPECT_EQ(m_info.Done(), 250u);
  part.SetDone(50);  // and a smaller value takes it back
  EXPECT_EQ(m_info.Done(), 50u);
  EXPECT_EQ(part.Done(), 50u);
}

// Many part threads add at once while another thread reads the master: the master's total is
// exact, and the part-before-master lock order never deadlocks. Run under ThreadSanitizer too.
TEST_F(TransferInfoTest, ConcurrentPartsGiveExactMasterTotal) {
  constexpr int kParts = 16;
  constexpr int kAdds = 5000;
  std::vector<std::unique_ptr<CTransferInfo>> parts;
  for (int i = 0; i < kParts; ++i) {
    parts.push_back(std::make_unique<CTransferInfo>(&m_clock));
    parts.back()->SetMaster(&m_info);
    parts.back()->SetIndex(i);
  }
  m_info.SetSize(static_cast<uint64_t>(kParts) * kAdds * 3);
  m_info.SetStatus(DownloadStatus::kConnecting);

  std::atomic<bool> running{true};
  std::thread reader([&] {
    while (running.load()) {
      m_info.Figures();
      for (auto& part : parts) part->Progress();
    }
  });
  std::vector<std::thread> threads;
  for (int i = 0; i < kParts; ++i) {
    threads.emplace_back([&, i] {
      CTransferInfo& part = *parts[static_cast<size_t>(i)];
      for (int n = 0; n < kAdds; ++n) {
        part.AddDone(2);
        if (n % 100 == 0)
          part.SetDone(part.Done() + 1);
        else
          part.AddDone(1);
      }
    });
  }
  for (auto& thread : threads) thread.join();
  running.store(false);
  reader.join();

  uint64_t sum = 0;
  for (auto& part : parts) {
    EXPECT_EQ(part->Done(), static_cast<uint64_t>(kAdds) * 3);
    sum += part->Done();
  }
  EXPECT_EQ(m_info.Done(), sum);
  EXPECT_EQ(m_info.Progress(), 100);
}

}  // namespace
}  // namespace ferrow
