#include "download/file_transfer.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <thread>
#include <vector>

#include "download/resume_block.h"
#include "net/log_info.h"
#include "net/transfer_settings.h"
#include "platform/text.h"
#include "tests/download/fake_server.h"
#include "tests/support/sandbox.h"
#include "tests/support/skip.h"
#include "tests/support/test_data.h"
#include "tests/support/wait_until.h"

extern "C" char** environ;

namespace ferrow {
namespace {

constexpr ErrorValue kCancelled = MakeError(kCategorySystem, SystemCode::kCancelled);
// The in-memory server cuts a body by closing the connection in good order.
constexpr ErrorValue kCut = MakeError(kCategorySocket, SocketCode::kDisconnected);

using test::WaitUntil;

class FileTransferTest : public test::SandboxedTest {
 protected:
  void SetUp() override {
    SandboxedTest::SetUp();
    m_settings.SetMaxThreads(1);
    m_settings.SetRetryAttempts(1);
  }
  void TearDown() override {
    m_server.reset();
    SandboxedTest::TearDown();
  }

  std::unique_ptr<CFileTransfer> MakeTransfer() {
    auto transfer = std::make_unique<CFileTransfer>(&m_settings);
    transfer->SetClientFactory([this](Scheme, const CClientContext& context) {
      return std::make_unique<test::FakeClient>(m_source, context);
    });
    return transfer;
  }
  std::filesystem::path Target() const { return DownloadDir() / "sub" / "dir" / "file.bin"; }
  std::filesystem::path Temporary() const { return Target().string() + ".fr"; }
  std::wstring TargetText() const { return Utf8ToWide(Target().string()); }

  // Runs a transfer to its end.
  std::unique_ptr<CFileTransfer> Run() {
    auto transfer = MakeTransfer();
    EXPECT_TRUE(transfer->Start(Server().Url(), TargetText()));
    transfer->Wait();
    return transfer;
  }
  void ExpectComplete(CFileTransfer& transfer) {
    EXPECT_EQ(transfer.Master().Status(), DownloadStatus::kCompleted);
    EXPECT_EQ(transfer.Master().Error(), 0u);
    EXPECT_EQ(transfer.Master().Done(), m_source.content.size());
    EXPECT_FALSE(std::filesystem::exists(Temporary()));
    ASSERT_TRUE(std::filesystem::exists(Target()));
    EXPECT_EQ(std::filesystem::file_size(Target()), m_source.content.size());
    EXPECT_TRUE(test::ReadFileBytes(Target()) == m_source.content) << "content differs";
  }
  static std::vector<uint32_t> TakeEvents(CFileTransfer& transfer) {
    std::vector<uint32_t> codes;
    for (uint32_t code; transfer.Events().Take(code);) codes.push_back(code);
    return codes;
  }
  // The done counters of the temporary file's block, summed.
  uint64_t DoneInBlock() {
    CResumeBlock block;
    EXPECT_EQ(block.OpenExisting(Utf8ToWide(Temporary().string())), 0u);
    uint64_t sum = 0;
    for (int32_t i = 0; i < block.Parts(); ++i) sum += block.PartDone(i);
    return sum;
  }

  // The byte ranges the block has not recorded as done.
  std::vector<test::FakeServer::Span> MissingInBlock() {
    CResumeBlock block;
    EXPECT_EQ(block.OpenExisting(Utf8ToWide(Temporary().string())), 0u);
    std::vector<test::FakeServer::Span> missing;
    for (int32_t i = 0; i < block.Parts(); ++i) {
      uint64_t from = block.PartStart(i) + block.PartDone(i);
      uint64_t to = block.PartStart(i) + block.PartLength(i);
      if (from < to) missing.emplace_back(from, to);
    }
    return missing;
  }
  // True when every span lies within the union of the allowed ones.
  static bool Within(const std::vector<test::FakeServer::Span>& spans,
                     std::vector<test::FakeServer::Span> allowed) {
    std::sort(allowed.begin(), allowed.end());
    for (const auto& [first, end] : spans) {
      uint64_t at = first;
      for (const auto& [from, to] : allowed)
        if (from <= at && at < to) at = std::max(at, to);
      if (at < end && first < end) return false;
    }
    return true;
  }

  // Starts transfer_child on the source into Target() with that many connections.
  bool SpawnChild(pid_t& pid, int threads) {
    std::vector<std::string> args = {FERROW_TRANSFER_CHILD, WideToUtf8(Server().Url()),
                                     Target().string(), std::to_string(m_source.content.size()),
                                     std::to_string(threads)};
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    return posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) == 0;
  }
  static bool HasNotice(CFileTransfer& transfer) {
    for (const CLogInfo& line : transfer.Log().Lines())
      if (line.Kind() == LogKind::kNotice) return true;
    return false;
  }

  // The server starts on first use, after the test has set the source up; later changes go
  // through Configure.
  test::FakeServer& Server() {
    if (!m_server) m_server = std::make_unique<test::FakeServer>(m_source);
    return *m_server;
  }

  test::FakeSource m_source;
  std::unique_ptr<test::FakeServer> m_server;
  CTransferSettings m_settings;
};

TEST_F(FileTransferTest, SmallAndOddSizesFinishByteIdentical) {
  struct Case {
    uint64_t size;
    int32_t threads;
    std::vector<uint64_t> offsets;  // requests at the server, sorted
  };
  for (const Case& c :
       {Case{0, 4, {}}, Case{10, 3, {0, 3, 6}}, Case{1, 64, {0}}, Case{1000003, 16, {}}}) {
    SCOPED_TRACE(c.size);
    m_server.reset();  // a fresh server for each content, counting from zero
    m_source.content = test::PatternBytes(0, c.size);
    m_settings.SetMaxThreads(c.threads);
    auto transfer = Run();
    ExpectComplete(*transfer);
    std::vector<uint64_t> offsets = Server().Offsets();
    std::sort(offsets.begin(), offsets.end());
    if (!c.offsets.empty()) {
      EXPECT_EQ(offsets, c.offsets);
    }
    EXPECT_EQ(Server().BytesSent(), static_cast<int64_t>(c.size));
    EXPECT_EQ(transfer->Master().Parts(), c.threads);
    std::vector<uint32_t> events = TakeEvents(*transfer);
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.front(), 0u);
    EXPECT_EQ(events.back(), 1u);
    EXPECT_TRUE(transfer->IsFinished());
    std::filesystem::remove(Target());
  }
}

TEST_F(FileTransferTest, MaxThreadsIsClampedToOneToSixtyFour) {
  m_source.content = test::PatternBytes(0, 6400);
  for (auto [setting, parts] : {std::pair{0, 1}, {-5, 1}, {65, 64}, {1000, 64}}) {
    m_settings.SetMaxThreads(setting);
    auto transfer = Run();
    ExpectComplete(*transfer);
    EXPECT_EQ(transfer->Master().Parts(), parts) << setting;
    std::filesystem::remove(Target());
  }
}

TEST_F(FileTransferTest, UnknownSchemeEndsWithoutEvents) {
  CFileTransfer transfer(&m_settings);  // no client for any scheme
  ASSERT_TRUE(transfer.Start(L"gopher://127.0.0.1/x", TargetText()));
  transfer.Wait();
  EXPECT_TRUE(transfer.Events().IsEmpty());
  EXPECT_TRUE(transfer.IsFinished());
}

// A download that a build before the split into layers stopped half-way
// (tests/download/data/old-build.bin.fr: 10000 bytes in four parts, 1250 of each done) is
// resumed: only the missing bytes are asked for, and the file comes out whole.
TEST_F(FileTransferTest, ATemporaryFileOfAnEarlierBuildIsResumed) {
  // The URL stored in that block; its port is served by this test's server.
  const std::wstring url = L"http://127.0.0.1:39875/resume-fixture.bin";
  class FixedPortClient : public test::FakeClient {
   public:
    FixedPortClient(test::FakeSource& source, uint16_t port, const CClientContext& context)
        : FakeClient(source, context), m_source(source), m_port(port) {}
    bool Open(const std::wstring& text) override {
      FakeClient::Open(text);
      m_url.SetPort(m_port);
      return true;
    }
    std::unique_ptr<CInternetClient> Clone(const CClientContext& context) const override {
      return std::make_unique<FixedPortClient>(m_source, m_port, context);
    }

   private:
    test::FakeSource& m_source;
    uint16_t m_port;
  };
  m_source.content = test::PatternBytes(0, 10000);
  m_settings.SetMaxThreads(2);  // the block's four parts are kept
  std::filesystem::create_directories(Target().parent_path());
  std::filesystem::copy_file(test::SourceDir() / "tests" / "download" / "data" / "old-build.bin.fr",
                             Temporary());
  CFileTransfer transfer(&m_settings);
  const uint16_t port = Server().Port();
  transfer.SetClientFactory([this, port](Scheme, const CClientContext& context) {
    return std::make_unique<FixedPortClient>(m_source, port, context);
  });
  ASSERT_TRUE(transfer.Start(url, TargetText()));
  transfer.Wait();
  ExpectComplete(transfer);
  EXPECT_EQ(transfer.Master().Parts(), 4);
  std::vector<uint64_t> offsets = Server().Offsets();
  std::sort(offsets.begin(), offsets.end());
  EXPECT_EQ(offsets, (std::vector<uint64_t>{1250, 3750, 6250, 8750}));
  EXPECT_EQ(Server().BytesSent(), 5000);
  EXPECT_FALSE(HasNotice(transfer));
}

// After a stop the temporary file keeps each part's progress; a new start asks each
// unfinished part only for its missing bytes.
TEST_F(FileTransferTest, StopThenStartFetchesOnlyTheMissingBytes) {
  m_source.content = test::PatternBytes(0, 4 << 20);
  m_source.paceBytes = 16384;
  m_source.paceMs = 5;
  m_settings.SetMaxThreads(4);
  auto first = MakeTransfer();
  ASSERT_TRUE(first->Start(Server().Url(), TargetText()));
  ASSERT_TRUE(WaitUntil([&] { return first->Master().Done() > (1u << 20); }));
  first->Stop();
  EXPECT_EQ(first->Master().Status(), DownloadStatus::kFailed);
  EXPECT_EQ(first->Master().Error(), kCancelled);
  ASSERT_TRUE(std::filesystem::exists(Temporary()));
  uint64_t done = DoneInBlock();
  EXPECT_EQ(done, first->Master().Done());
  ASSERT_LT(done, m_source.content.size());

  ASSERT_TRUE(WaitUntil([&] { return Server().Idle(); }));
  const std::vector<test::FakeServer::Span> missing = MissingInBlock();
  const size_t servedBefore = Server().Served().size();
  size_t requestsBefore = Server().Offsets().size();
  Server().Configure([](test::FakeSource& source) { source.paceMs = 0; });
  m_settings.SetMaxThreads(16);  // a resumed download keeps its four parts
  auto second = Run();
  ExpectComplete(*second);
  // Four parts, and more only where an idle one took over the back of another's range.
  EXPECT_GE(second->Master().Parts(), 4);
  EXPECT_LT(second->Master().Parts(), 16);
  std::vector<test::FakeServer::Span> served = Server().Served();
  served.erase(served.begin(), served.begin() + static_cast<std::ptrdiff_t>(servedBefore));
  EXPECT_TRUE(Within(served, missing));
  std::vector<uint64_t> offsets = Server().Offsets();
  for (size_t i = requestsBefore; i < offsets.size(); ++i) {
    uint64_t partStart = offsets[i] / (1u << 20) * (1u << 20);
    EXPECT_GT(offsets[i], partStart) << "part " << partStart << " started again from zero";
  }
}

TEST_F(FileTransferTest, ChangedSizeOrDateReplacesTheOldTemporaryFile) {
  for (bool changeDate : {false, true}) {
    SCOPED_TRACE(changeDate);
    m_server.reset();
    m_source.content = test::PatternBytes(0, 1 << 20);
    m_source.paceBytes = 8192;
    m_source.paceMs = 5;
    m_settings.SetMaxThreads(2);
    auto first = MakeTransfer();
    ASSERT_TRUE(first->Start(Server().Url(), TargetText()));
    ASSERT_TRUE(WaitUntil([&] { return first->Master().Done() > 100000; }));
    first->Stop();
    ASSERT_GT(DoneInBlock(), 0u);

    ASSERT_TRUE(WaitUntil([&] { return Server().Idle(); }));
    Server().Configure([changeDate](test::FakeSource& source) {
      if (changeDate) {
        source.date += 1;
      } else {
        source.content = test::PatternBytes(7, (1 << 20) + 5);
      }
      source.paceMs = 0;
    });
    const size_t servedBefore = Server().Served().size();
    auto second = Run();
    ExpectComplete(*second);
    // The whole new file was fetched: nothing of the old one was kept.
    std::vector<test::FakeServer::Span> served = Server().Served();
    served.erase(served.begin(), served.begin() + static_cast<std::ptrdiff_t>(servedBefore));
    EXPECT_TRUE(Within({{0, m_source.content.size()}}, served));
    std::filesystem::remove(Target());
  }
}

TEST_F(FileTransferTest, ResetPartsRetryFromTheirOwnProgress) {
  m_source.content = test::PatternBytes(0, 40000);
  m_source.resetAfter = 3000;
  m_source.resetCount = 4;
  m_settings.SetMaxThreads(2);
  m_settings.SetRetryAttempts(5);
  auto transfer = Run();
  ExpectComplete(*transfer);
  // Four bodies were cut after 3000 bytes; each part went on where it was cut, so every
  // request lies 3000 bytes after another one of its part and nothing was sent twice.
  std::vector<uint64_t> offsets = Server().Offsets();
  ASSERT_EQ(offsets.size(), 6u);
  for (uint64_t offset : offsets) {
    uint64_t partStart = offset < 20000 ? 0 : 20000;
    EXPECT_EQ((offset - partStart) % 3000, 0u) << offset;
  }
  EXPECT_EQ(Server().BytesSent(), 40000);
}

TEST_F(FileTransferTest, RetryAttemptsCountEveryAttempt) {
  m_source.content = test::PatternBytes(0, 40000);
  m_source.resetAfter = 1000;
  m_settings.SetRetryAttempts(3);
  auto transfer = Run();
  EXPECT_EQ(transfer->Master().Status(), DownloadStatus::kFailed);
  EXPECT_EQ(transfer->Master().Error(), kCut);
  EXPECT_EQ(Server().DataRequests(), 3);
  EXPECT_EQ(Server().Offsets(), (std::vector<uint64_t>{0, 1000, 2000}));
  // The temporary file stays for a later start.
  EXPECT_EQ(DoneInBlock(), 3000u);
}

TEST_F(FileTransferTest, StatusErrorsAreNotRetried) {
  m_source.content = test::PatternBytes(0, 1000);
  m_settings.SetRetryAttempts(5);
  m_source.dataStatus = 404;
  auto transfer = Run();
  EXPECT_EQ(transfer->Master().Status(), DownloadStatus::kFailed);
  EXPECT_EQ(transfer->Master().Error(), MakeError(kCategoryHttp, 404));
  EXPECT_EQ(Server().DataRequests(), 1);

  ASSERT_TRUE(WaitUntil([&] { return Server().Idle(); }));
  Server().Configure([](test::FakeSource& source) {
    source.dataStatus = 0;
    source.queryStatus = 404;
  });
  transfer = Run();
  EXPECT_EQ(transfer->Master().Error(), MakeError(kCategoryHttp, 404));
  EXPECT_EQ(transfer->Master().Attempts(), 1);
}

TEST_F(FileTransferTest, LoginFailureWaitsForTheUser) {
  m_source.content = test::PatternBytes(0, 5000);
  m_source.requireLogin = true;
  m_settings.SetRetryAttempts(1);
  for (uint32_t answer : {0u, 1u}) {
    SCOPED_TRACE(answer);
    auto transfer = MakeTransfer();
    ASSERT_TRUE(transfer->Start(Server().Url(), TargetText()));
    ASSERT_TRUE(
        WaitUntil([&] { return transfer->Master().Status() == DownloadStatus::kLoginRequired; }));
    std::vector<uint32_t> events = TakeEvents(*transfer);
    EXPECT_NE(std::find(events.begin(), events.end(), 2u), events.end());
    EXPECT_TRUE(transfer->IsRunning());
    m_source.authorized = answer == 1;
    transfer->Resume(answer);
    transfer->Wait();
    if (answer == 0) {
      EXPECT_EQ(transfer->Master().Status(), DownloadStatus::kFailed);
      EXPECT_EQ(transfer->Master().Error(), MakeError(kCategoryHttp, 401));
    } else {
      ExpectComplete(*transfer);
    }
  }
}

TEST_F(FileTransferTest, StopDuringLoginWaitEndsCancelled) {
  m_source.content = test::PatternBytes(0, 5000);
  m_source.requireLogin = true;
  auto transfer = MakeTransfer();
  ASSERT_TRUE(transfer->Start(Server().Url(), TargetText()));
  ASSERT_TRUE(
      WaitUntil([&] { return transfer->Master().Status() == DownloadStatus::kLoginRequired; }));
  transfer->Stop();
  EXPECT_EQ(transfer->Master().Error(), kCancelled);
  EXPECT_EQ(transfer->Master().Status(), DownloadStatus::kFailed);
}

TEST_F(FileTransferTest, StopDuringRetryDelayEndsAtOnce) {
  m_source.content = test::PatternBytes(0, 5000);
  m_source.resetAfter = 100;
  m_settings.SetRetryAttempts(10);
  m_settings.SetRetryDelay(3600);
  auto transfer = MakeTransfer();
  ASSERT_TRUE(transfer->Start(Server().Url(), TargetText()));
  ASSERT_TRUE(WaitUntil([&] { return transfer->Part(0).Status() == DownloadStatus::kRetrying; }));
  transfer->Stop();
  EXPECT_EQ(transfer->Master().Error(), kCancelled);
  EXPECT_EQ(transfer->Part(0).Error(), kCancelled);
  EXPECT_EQ(Server().DataRequests(), 1);
}

TEST_F(FileTransferTest, StopDuringTheLimitersPauseEndsAtOnce) {
  m_source.content = test::PatternBytes(0, 1 << 20);
  m_settings.SetSpeedLimit(1);  // 1 KiB/s: the first block fills the quota, then a pause
  auto transfer = MakeTransfer();
  ASSERT_TRUE(transfer->Start(Server().Url(), TargetText()));
  ASSERT_TRUE(WaitUntil([&] { return transfer->Master().Done() > 0; }));
  transfer->Stop();
  EXPECT_EQ(transfer->Master().Error(), kCancelled);
  EXPECT_LE(transfer->Master().Done(), 2048u);
}

TEST_F(FileTransferTest, StopReturnsWithSixtyFourPartsBlockedInReceives) {
  m_source.content = test::PatternBytes(0, 64 * 1000);
  m_source.stallBody = true;
  m_settings.SetMaxThreads(64);
  auto transfer = MakeTransfer();
  ASSERT_TRUE(transfer->Start(Server().Url(), TargetText()));
  ASSERT_TRUE(WaitUntil([&] { return Server().DataRequests() == 64; }));
  transfer->Stop();
  EXPECT_EQ(transfer->Master().Status(), DownloadStatus::kFailed);
  EXPECT_EQ(transfer->Master().Error(), kCancelled);
  for (int i = 0; i < 64; ++i) EXPECT_EQ(transfer->Part(i).Error(), kCancelled) << i;
  EXPECT_TRUE(std::filesystem::exists(Temporary()));
}

// A server that answers every offset with the whole file from byte 0 never gets that body
// written at the offset: the download goes on as one part from the start.
TEST_F(FileTransferTest, ServerIgnoringRangesStillGivesAnIdenticalFile) {
  m_source.content = test::PatternBytes(0, 300000);
  m_source.ignoreRange = true;
  m_settings.SetMaxThreads(4);
  auto transfer = Run();
  ExpectComplete(*transfer);
}

// Checks the block after every change while a test runs (the hook runs on the part threads).
std::atomic<int> g_blockUpdates{0};
std::atomic<int> g_blockFaults{0};
void CheckBlock(const CResumeBlock& block) {
  ++g_blockUpdates;
  if (!block.IsValid()) ++g_blockFaults;
}

// Half the connections are slow: the fast parts take the back of the slow ranges over, the file
// ends byte-identical, and the block covers the file after every single update.
TEST_F(FileTransferTest, IdleConnectionsTakeOverTheRestOfSlowParts) {
  m_source.content = test::PatternBytes(3, 6 << 20);
  m_source.paceBytes = 16384;
  m_source.paceMs = 10;
  m_source.paceOddConnectionsOnly = true;
  m_settings.SetMaxThreads(4);
  g_blockUpdates = 0;
  g_blockFaults = 0;
  CResumeBlock::SetUpdateHook(CheckBlock);
  auto transfer = Run();
  CResumeBlock::SetUpdateHook(nullptr);
  ExpectComplete(*transfer);
  EXPECT_GT(transfer->Master().Parts(), 4);
  EXPECT_GT(g_blockUpdates.load(), 100);
  EXPECT_EQ(g_blockFaults.load(), 0);
  // What the slow connections were sent past their new ends stays within what a socket holds
  // (the fast ones end exactly at theirs; a slow part that ran on to its old end would waste
  // about 750 KiB): ranges move, bytes are not fetched twice. The server counts what it wrote,
  // and a busy machine lets more of it wait in the kernel before the part sees its new end.
  uint64_t served = 0;
  for (const auto& [from, to] : Server().Served()) served += to - from;
  const uint64_t splits = static_cast<uint64_t>(transfer->Master().Parts() - 4);
  EXPECT_LE(served, m_source.content.size() + splits * (256 << 10));
}

// The same server met on a resume: the old progress is not trusted past byte 0.
TEST_F(FileTransferTest, ServerIgnoringRangesOnResumeStartsFromZero) {
  m_source.content = test::PatternBytes(0, 1 << 20);
  m_source.paceBytes = 8192;
  m_source.paceMs = 5;
  m_settings.SetMaxThreads(2);
  auto first = MakeTransfer();
  ASSERT_TRUE(first->Start(Server().Url(), TargetText()));
  ASSERT_TRUE(WaitUntil([&] { return first->Master().Done() > 100000; }));
  first->Stop();
  ASSERT_TRUE(WaitUntil([&] { return Server().Idle(); }));
  Server().Configure([](test::FakeSource& source) {
    source.paceMs = 0;
    source.ignoreRange = true;
  });
  auto second = Run();
  ExpectComplete(*second);
}

// A server that cannot continue at an offset gets one part, started again from zero after a
// reset.
TEST_F(FileTransferTest, NotResumableServerUsesOnePartFromZero) {
  m_source.content = test::PatternBytes(0, 50000);
  m_source.notResumable = true;
  m_source.resetAfter = 20000;
  m_source.resetCount = 1;
  m_settings.SetMaxThreads(8);
  m_settings.SetRetryAttempts(2);
  auto transfer = Run();
  ExpectComplete(*transfer);
  EXPECT_EQ(transfer->Master().Parts(), 1);
  EXPECT_EQ(Server().Offsets(), (std::vector<uint64_t>{0, 0}));
}

// Without a length nothing can be split or resumed: the download is refused before any file
// is touched, and an existing temporary file stays as it was.
TEST_F(FileTransferTest, UnknownSizeIsRefusedWithoutTouchingFiles) {
  m_source.content = test::PatternBytes(0, 1000);
  m_source.unknownSize = true;
  std::filesystem::create_directories(Temporary().parent_path());
  test::WriteFileBytes(Temporary(), "old");
  auto transfer = Run();
  EXPECT_EQ(transfer->Master().Status(), DownloadStatus::kFailed);
  EXPECT_EQ(transfer->Master().Error(), MakeError(kCategorySystem, SystemCode::kNotSupported));
  EXPECT_EQ(test::ReadFileBytes(Temporary()), "old");
  EXPECT_FALSE(std::filesystem::exists(Target()));
  EXPECT_EQ(Server().DataRequests(), 0);
}

TEST_F(FileTransferTest, FolderThatCannotBeMadeFailsWithPathNotFound) {
  m_source.content = test::PatternBytes(0, 1000);
  std::filesystem::create_directories(DownloadDir());
  test::WriteFileBytes(DownloadDir() / "sub", "a file where a folder should be");
  auto transfer = Run();
  EXPECT_EQ(transfer->Master().Error(), MakeError(kCategorySystem, SystemCode::kPathNotFound));
  EXPECT_EQ(transfer->Master().Status(), DownloadStatus::kFailed);
}

// When the rename fails the data stays in the temporary file, the failure is recorded with the
// system's code, and a later start finishes without fetching anything again.
TEST_F(FileTransferTest, FailedFinishKeepsTheDataAndReportsTheSystemError) {
  m_source.content = test::PatternBytes(0, 100000);
  m_settings.SetMaxThreads(3);
  std::filesystem::create_directories(Target() / "occupied");
  auto transfer = Run();
  EXPECT_EQ(transfer->Master().Status(), DownloadStatus::kFailed);
  ErrorValue error = transfer->Master().Error();
  EXPECT_EQ(ErrorCategoryOf(error), kCategorySystem);
  EXPECT_NE(ErrorCodeOf(error), 0);
  EXPECT_EQ(DoneInBlock(), 100000u);
  std::vector<uint32_t> events = TakeEvents(*transfer);
  EXPECT_EQ(events.back(), 1u);

  std::filesystem::remove_all(Target());
  int64_t sentBefore = Server().BytesSent();
  auto second = Run();
  ExpectComplete(*second);
  EXPECT_EQ(Server().BytesSent(), sentBefore);
}

// A kill between the final rename and the cut leaves the target with the block after its data
// and no temporary file. The next start, whatever it does about existing files, knows it by the
// block and only cuts; a target whose block is not this download's stays as it is.
TEST_F(FileTransferTest, AFinishKilledBeforeItsCutIsCompletedByTheNextStart) {
  m_source.content = test::PatternBytes(0, 100000);
  m_settings.SetMaxThreads(3);
  auto leaveUncut = [this] {
    std::filesystem::create_directories(Target() / "occupied");
    auto failed = Run();
    ASSERT_EQ(DoneInBlock(), 100000u);
    std::filesystem::remove_all(Target());
    std::filesystem::rename(Temporary(), Target());
  };
  for (ExistingFile existing : {ExistingFile::kReplace, ExistingFile::kKeep}) {
    leaveUncut();
    const int64_t sentBefore = Server().BytesSent();
    auto transfer = MakeTransfer();
    TransferOptions options;
    options.existing = existing;
    transfer->SetOptions(options);
    ASSERT_TRUE(transfer->Start(Server().Url(), TargetText()));
    transfer->Wait();
    ExpectComplete(*transfer);
    EXPECT_EQ(Server().BytesSent(), sentBefore);
    std::filesystem::remove(Target());
  }
  // Once the file on the server has changed, the block is not this download's: "keep" leaves
  // the target alone.
  leaveUncut();
  const uintmax_t uncut = std::filesystem::file_size(Target());
  Server().Configure(
      [](test::FakeSource& source) { source.content = test::PatternBytes(1, 100001); });
  auto other = MakeTransfer();
  TransferOptions keep;
  keep.existing = ExistingFile::kKeep;
  other->SetOptions(keep);
  ASSERT_TRUE(other->Start(Server().Url(), TargetText()));
  other->Wait();
  EXPECT_EQ(std::filesystem::file_size(Target()), uncut);
}

// Progress is queued by every receiving connection, at most once per second of wall-clock
// time each.
TEST_F(FileTransferTest, ProgressEventsAtMostOncePerSecondPerConnection) {
  m_source.content = test::PatternBytes(0, 600000);
  m_source.paceBytes = 4096;
  m_source.paceMs = 20;  // about 1.5 seconds per part
  m_settings.SetMaxThreads(2);
  auto begin = std::chrono::steady_clock::now();
  auto transfer = Run();
  auto seconds =
      std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - begin)
          .count();
  ExpectComplete(*transfer);
  std::vector<uint32_t> events = TakeEvents(*transfer);
  auto progress = std::count(events.begin(), events.end(), 4u);
  EXPECT_GE(progress, 1);
  EXPECT_LE(progress, 2 * (seconds + 1));
}

// A transfer killed with SIGKILL mid-way leaves a temporary file whose block tells what was
// written; a second process fetches only the rest.
TEST_F(FileTransferTest, KilledProcessResumesWithTheMissingBytesOnly) {
  m_source.content = test::PatternBytes(0, 3 << 20);
  m_source.paceBytes = 16384;
  m_source.paceMs = 10;
  std::string url = WideToUtf8(Server().Url());
  std::string target = Target().string();
  std::string size = std::to_string(m_source.content.size());
  auto spawn = [&](pid_t& pid) {
    std::vector<std::string> args = {FERROW_TRANSFER_CHILD, url, target, size, "4"};
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    return posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) == 0;
  };
  pid_t child = 0;
  ASSERT_TRUE(spawn(child));
  ASSERT_TRUE(WaitUntil([&] { return Server().BytesSent() > (1 << 20); }));
  kill(child, SIGKILL);
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFSIGNALED(status));
  ASSERT_TRUE(WaitUntil([&] { return Server().Idle(); }));
  uint64_t done = DoneInBlock();
  ASSERT_GT(done, 0u);
  ASSERT_LT(done, m_source.content.size());
  const std::vector<test::FakeServer::Span> missing = MissingInBlock();

  const size_t servedBefore = Server().Served().size();
  Server().Configure([](test::FakeSource& source) { source.paceMs = 0; });
  ASSERT_TRUE(spawn(child));
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  // No byte that the block had recorded was asked for again (a part that loses the back of
  // its range to an idle one may still have been sent a little of it).
  std::vector<test::FakeServer::Span> served = Server().Served();
  served.erase(served.begin(), served.begin() + static_cast<std::ptrdiff_t>(servedBefore));
  EXPECT_TRUE(Within(served, missing));
  EXPECT_FALSE(std::filesystem::exists(Temporary()));
  EXPECT_TRUE(test::ReadFileBytes(Target()) == m_source.content);
}

// A full disk: category 0 code 112, not retried, the temporary file kept; once there is room
// again a new start goes on where the data stopped. Needs a small tmpfs, so root.
TEST_F(FileTransferTest, FullDiskFailsWithoutRetryAndResumesOnceThereIsRoom) {
  std::filesystem::path mountPoint = SandboxDir() / "small";
  std::filesystem::create_directories(mountPoint);
  if (mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, "size=512k") != 0) {
    FERROW_SKIP_OR_FAIL("cannot mount a tmpfs here (needs root)");
  }
  struct Unmount {
    std::string path;
    ~Unmount() { umount2(path.c_str(), MNT_DETACH); }
  } unmount{mountPoint.string()};

  m_source.content = test::PatternBytes(0, 2 << 20);
  m_settings.SetMaxThreads(2);
  m_settings.SetRetryAttempts(5);
  std::wstring target = Utf8ToWide((mountPoint / "file.bin").string());
  auto first = MakeTransfer();
  ASSERT_TRUE(first->Start(Server().Url(), target));
  first->Wait();
  EXPECT_EQ(first->Master().Status(), DownloadStatus::kFailed);
  EXPECT_EQ(first->Master().Error(), MakeError(kCategorySystem, SystemCode::kDiskFull));
  EXPECT_EQ(Server().DataRequests(), 2);  // one per part: a full disk is not retried
  ASSERT_TRUE(std::filesystem::exists(mountPoint / "file.bin.fr"));
  CResumeBlock block;
  ASSERT_EQ(block.OpenExisting(target + L".fr"), 0u);
  uint64_t done = 0;
  std::vector<test::FakeServer::Span> missing;
  for (int32_t i = 0; i < block.Parts(); ++i) {
    done += block.PartDone(i);
    missing.emplace_back(block.PartStart(i) + block.PartDone(i),
                         block.PartStart(i) + block.PartLength(i));
  }
  block.Close();
  EXPECT_GT(done, 0u);

  ASSERT_EQ(mount("tmpfs", mountPoint.c_str(), "tmpfs", MS_REMOUNT, "size=8m"), 0);
  ASSERT_TRUE(WaitUntil([&] { return Server().Idle(); }));
  const size_t servedBefore = Server().Served().size();
  auto second = MakeTransfer();
  ASSERT_TRUE(second->Start(Server().Url(), target));
  second->Wait();
  EXPECT_EQ(second->Master().Status(), DownloadStatus::kCompleted);
  std::vector<test::FakeServer::Span> served = Server().Served();
  served.erase(served.begin(), served.begin() + static_cast<std::ptrdiff_t>(servedBefore));
  EXPECT_TRUE(Within(served, missing));
  EXPECT_TRUE(test::ReadFileBytes(mountPoint / "file.bin") == m_source.content);
}

// Trust boundary: whatever is found at the temporary file's or the target's name. Nothing is
// written through a link, nothing outside the folder is touched, and the download finishes.
TEST_F(FileTransferTest, EntriesAtTheTemporaryOrTargetNameAreNeverWrittenThrough) {
  m_source.content = test::PatternBytes(0, 200000);
  m_settings.SetMaxThreads(3);
  std::filesystem::path outside = SandboxDir() / "outside.txt";
  std::filesystem::path missing = SandboxDir() / "never-created.txt";
  struct Case {
    const char* name;
    std::function<void(const std::filesystem::path&)> plant;
  } cases[] = {
      {"link to a file", [&](auto& at) { std::filesystem::create_symlink(outside, at); }},
      {"dangling link", [&](auto& at) { std::filesystem::create_symlink(missing, at); }},
      {"FIFO", [](auto& at) { ASSERT_EQ(mkfifo(at.c_str(), 0600), 0); }},
      {"empty folder", [](auto& at) { std::filesystem::create_directory(at); }},
  };
  for (bool atTarget : {false, true}) {
    for (const Case& c : cases) {
      // A folder at the target's name is the user's (the finish fails and keeps the data).
      if (atTarget && std::string(c.name) == "empty folder") continue;
      SCOPED_TRACE(std::string(c.name) + (atTarget ? " at the target" : " at the .fr"));
      test::WriteFileBytes(outside, "outside");
      std::filesystem::create_directories(Target().parent_path());
      c.plant(atTarget ? Target() : Temporary());
      auto transfer = Run();
      ExpectComplete(*transfer);
      EXPECT_FALSE(std::filesystem::is_symlink(Target()));
      EXPECT_EQ(test::ReadFileBytes(outside), "outside");
      EXPECT_FALSE(std::filesystem::exists(missing));
      std::filesystem::remove_all(Target());
    }
  }
}

// Trust boundary: a second process. The temporary file has one owner at a time; another
// transfer of the same target reports "busy" without touching it, and the owner finishes.
TEST_F(FileTransferTest, ASecondTransferOfTheSameTargetIsBusyAndChangesNothing) {
  m_source.content = test::PatternBytes(0, 2 << 20);
  m_source.paceBytes = 16384;
  m_source.paceMs = 10;
  pid_t child = 0;
  ASSERT_TRUE(SpawnChild(child, 4));
  ASSERT_TRUE(WaitUntil([&] { return Server().BytesSent() > 100000; }));
  uint64_t length = std::filesystem::file_size(Temporary());

  auto second = Run();
  EXPECT_EQ(second->Master().Error(), MakeError(kCategorySystem, SystemCode::kLockViolation));
  EXPECT_EQ(std::filesystem::file_size(Temporary()), length);
  EXPECT_GT(DoneInBlock(), 0u);

  Server().Configure([](test::FakeSource& source) { source.paceMs = 0; });
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_TRUE(test::ReadFileBytes(Target()) == m_source.content);
}

// Killed at any moment (also while the block is being laid out), the next run still ends with
// exactly the server's bytes.
TEST_F(FileTransferTest, KilledAtTwentyRandomMomentsStillEndsByteIdentical) {
  m_source.content = test::PatternBytes(0, 3 << 20);
  m_source.paceBytes = 32768;
  m_source.paceMs = 2;
  unsigned seed = std::random_device()();
  SCOPED_TRACE("seed " + std::to_string(seed));
  std::mt19937 random(seed);
  for (int round = 0; round < 20; ++round) {
    pid_t child = 0;
    ASSERT_TRUE(SpawnChild(child, 1 + static_cast<int>(random() % 8)));
    std::this_thread::sleep_for(std::chrono::milliseconds(random() % 60));
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
  }
  Server().Configure([](test::FakeSource& source) { source.paceMs = 0; });
  auto transfer = Run();
  ExpectComplete(*transfer);
}

// Killed at twenty moments while slow parts are being re-split (each after a random number of
// bytes more on the server's side): every run asks only for bytes the block has not recorded,
// and the last one ends byte-identical.
TEST_F(FileTransferTest, KilledDuringReSplitsFetchesNothingTwice) {
  m_source.content = test::PatternBytes(5, 8 << 20);
  m_source.paceBytes = 8192;
  m_source.paceMs = 5;
  m_source.paceOddConnectionsOnly = true;
  m_source.evenPaceMs = 2;
  unsigned seed = std::random_device()();
  SCOPED_TRACE("seed " + std::to_string(seed));
  std::mt19937 random(seed);
  int splitRounds = 0;
  int rounds = 0;
  // Which parts are slow depends on the order their connections reach the server, so on a
  // loaded machine twenty kills may all come before any part finished its range: then the test
  // goes on in smaller steps until one came after a re-split.
  for (int round = 0; round < 20 || (splitRounds == 0 && round < 80); ++round) {
    std::vector<test::FakeServer::Span> missing{{0, m_source.content.size()}};
    if (std::filesystem::exists(Temporary())) missing = MissingInBlock();
    uint64_t left = 0;
    for (const auto& [from, to] : missing) left += to - from;
    const size_t servedBefore = Server().Served().size();
    const int64_t sentBefore = Server().BytesSent();
    const uint64_t step = round < 20 ? left / 6 : left / 24;
    const int64_t more = 32768 + static_cast<int64_t>(random() % std::max<uint64_t>(step, 1));
    pid_t child = 0;
    ASSERT_TRUE(SpawnChild(child, 4));
    WaitUntil([&] {
      int status = 0;
      return Server().BytesSent() - sentBefore >= more || waitpid(child, &status, WNOHANG) != 0;
    });
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WaitUntil([&] { return Server().Idle(); }));
    std::vector<test::FakeServer::Span> served = Server().Served();
    served.erase(served.begin(), served.begin() + static_cast<std::ptrdiff_t>(servedBefore));
    EXPECT_TRUE(Within(served, missing)) << "round " << round;
    if (!std::filesystem::exists(Temporary())) break;  // it finished before the kill
    ++rounds;
    CResumeBlock block;
    ASSERT_EQ(block.OpenExisting(Utf8ToWide(Temporary().string())), 0u);
    if (block.Parts() > 4) ++splitRounds;
  }
  EXPECT_GT(splitRounds, 0);
  RecordProperty("killed_rounds", rounds);
  Server().Configure([](test::FakeSource& source) {
    source.paceMs = 0;
    source.evenPaceMs = 0;
  });
  if (std::filesystem::exists(Temporary())) {
    const std::vector<test::FakeServer::Span> missing = MissingInBlock();
    const size_t servedBefore = Server().Served().size();
    auto transfer = Run();
    ExpectComplete(*transfer);
    std::vector<test::FakeServer::Span> served = Server().Served();
    served.erase(served.begin(), served.begin() + static_cast<std::ptrdiff_t>(servedBefore));
    EXPECT_TRUE(Within(served, missing));
  } else {
    // Killed between the final rename and the cut: the next start only cuts.
    if (std::filesystem::file_size(Target()) != m_source.content.size()) {
      const int64_t sentBefore = Server().BytesSent();
      auto transfer = Run();
      EXPECT_EQ(Server().BytesSent(), sentBefore);
    }
    EXPECT_TRUE(test::ReadFileBytes(Target()) == m_source.content);
  }
}

// Trust boundary: the resume block on disk. Hand edits that would leave holes or claim bytes
// that were never written are found; the download starts again, says why, and ends right.
TEST_F(FileTransferTest, EditedResumeBlocksAreDiscardedAndTheFileEndsRight) {
  m_source.content = test::PatternBytes(0, 1 << 20);
  m_settings.SetMaxThreads(4);
  auto patch = [this](size_t offset, uint64_t value, int bytes) {
    uint64_t block = std::filesystem::file_size(Temporary()) - kResumeBlockSize;
    std::fstream file(Temporary(), std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(static_cast<std::streamoff>(block + offset));
    for (int i = 0; i < bytes; ++i) file.put(static_cast<char>(value >> (8 * i)));
  };
  const uint64_t quarter = (1 << 20) / 4;
  struct Edit {
    const char* name;
    size_t offset;
    uint64_t value;
    int bytes;
  } edits[] = {
      {"done counter raised", 9264 + 8, quarter - 1, 8},
      {"start moved", 8240 + 8, quarter + 100, 8},
      {"part shortened", 8752 + 16, quarter - 100, 8},
      {"part count lowered", 8232, 3, 4},
  };
  for (const Edit& edit : edits) {
    SCOPED_TRACE(edit.name);
    Server().Configure([](test::FakeSource& source) {
      source.paceBytes = 8192;
      source.paceMs = 5;
    });
    auto first = MakeTransfer();
    ASSERT_TRUE(first->Start(Server().Url(), TargetText()));
    ASSERT_TRUE(WaitUntil([&] { return first->Master().Done() > 50000; }));
    first->Stop();
    patch(edit.offset, edit.value, edit.bytes);
    Server().Configure([](test::FakeSource& source) { source.paceMs = 0; });
    auto second = Run();
    ExpectComplete(*second);
    EXPECT_TRUE(HasNotice(*second));
    std::filesystem::remove(Target());
  }
}

}  // namespace
}  // namespace ferrow
