#include "download/download_manager.h"

#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "app/application_data.h"
#include "download/download_info.h"
#include "download/download_listener.h"
#include "download/file_transfer_factory.h"
#include "download/resume_block.h"
#include "net/event_list.h"
#include "platform/error_code.h"
#include "platform/text.h"
#include "tests/support/fake_clock.h"
#include "tests/support/fake_transfer.h"
#include "tests/support/nginx_server.h"
#include "tests/support/sandbox.h"
#include "tests/support/test_data.h"

namespace ferrow {
namespace {

using test::FakeClock;
using test::FakeTransfer;
using test::FakeTransferFactory;

// Records every download message with the record's status at that moment.
class RecordingListener : public IDownloadListener {
 public:
  struct Message {
    TransferEvent event;
    std::wstring name;
    DownloadStatus status;
    size_t historyCount;
  };
  explicit RecordingListener(const CApplicationData& data) : m_data(data) {}
  void OnDownloadMessage(TransferEvent event, CDownloadInfo& record) override {
    m_messages.push_back({event, record.m_name, record.m_status, m_data.m_history.size()});
    if (m_onMessage) m_onMessage(event, record);
  }
  std::vector<Message> m_messages;
  std::function<void(TransferEvent, CDownloadInfo&)> m_onMessage;

 private:
  const CApplicationData& m_data;
};

class DownloadManagerTest : public test::SandboxedTest {
 public:  // the queue rule table drives the fixture from outside
  void SetUp() override {
    SandboxedTest::SetUp();
    m_data.m_settings.SetDefaults();
    m_data.m_settings.m_startQueue = false;
    m_data.m_settings.m_maxDownloads = 2;
    MakeManager();
  }
  void TearDown() override {
    m_listener.m_onMessage = nullptr;
    m_manager.reset();
    SandboxedTest::TearDown();
  }

  void MakeManager() {
    m_manager.reset();
    m_manager = std::make_unique<CDownloadManager>(m_data.GetDownloadLists(), m_data.m_settings,
                                                   m_factory, m_clock);
    m_manager->SetDownloadSaver([this] { ++m_saves; });
    m_manager->AddListener(&m_listener);
    m_manager->Create();
  }

  // Adds a download the way the add dialog does: queue it, then a start that is not forced.
  CDownloadInfo& Add(const std::wstring& name) {
    CDownloadInfo record(L"http://127.0.0.1/" + name, Guid(), L"/tmp/dl/" + name);
    CDownloadInfo& stored = m_manager->AddAndQueue(record);
    m_manager->Start(stored, false);
    return stored;
  }
  std::vector<CDownloadInfo*> AddMany(int count) {
    std::vector<CDownloadInfo*> records;
    for (int i = 0; i < count; ++i) records.push_back(&Add(L"file" + std::to_wstring(i)));
    return records;
  }
  FakeTransfer* TransferOf(const CDownloadInfo& record) {
    return static_cast<FakeTransfer*>(m_manager->FindTransfer(record));
  }
  // One update pass: figures into records, events out.
  void Tick() { m_manager->OnTimer(CDownloadManager::kUpdateTimer); }
  void Sweep() { m_manager->OnTimer(CDownloadManager::kSweepTimer); }

  static std::vector<DownloadStatus> StatusesOf(const std::vector<CDownloadInfo*>& records) {
    std::vector<DownloadStatus> statuses;
    for (const CDownloadInfo* record : records) statuses.push_back(record->m_status);
    return statuses;
  }
  static std::vector<int32_t> OrdersOf(const std::vector<CDownloadInfo*>& records) {
    std::vector<int32_t> orders;
    for (const CDownloadInfo* record : records) orders.push_back(record->m_order);
    return orders;
  }

  FakeClock m_clock;
  FakeTransferFactory m_factory;
  CApplicationData m_data;
  RecordingListener m_listener{m_data};
  std::unique_ptr<CDownloadManager> m_manager;
  int m_saves = 0;
};

constexpr DownloadStatus Q = DownloadStatus::kQueued;
constexpr DownloadStatus S = DownloadStatus::kStopped;
constexpr DownloadStatus F = DownloadStatus::kFailed;
constexpr DownloadStatus C = DownloadStatus::kConnecting;
constexpr DownloadStatus D = DownloadStatus::kDownloading;
constexpr DownloadStatus OK = DownloadStatus::kCompleted;

// One queue rule: five downloads added under "MaxDownloads" 2, one action, and then the status
// and Order of each of the five (in the order they were added).
struct QueueRule {
  const char* name;
  std::function<void(DownloadManagerTest&, std::vector<CDownloadInfo*>&)> action;
  std::vector<DownloadStatus> statuses;
  std::vector<int32_t> orders;
};

class QueueRuleTest : public DownloadManagerTest,
                      public ::testing::WithParamInterface<QueueRule> {};

TEST_P(QueueRuleTest, Holds) {
  const QueueRule& rule = GetParam();
  std::vector<CDownloadInfo*> records = AddMany(5);
  rule.action(*this, records);
  EXPECT_EQ(StatusesOf(records), rule.statuses) << rule.name;
  EXPECT_EQ(OrdersOf(records), rule.orders) << rule.name;
}

void Finish(DownloadManagerTest& t, CDownloadInfo* record, DownloadStatus status) {
  t.TransferOf(*record)->Finish(status, status == F ? MakeError(kCategoryHttp, 404) : 0);
  t.Tick();
}

const QueueRule kQueueRules[] = {
    {"limit 2, five added: two run, the others wait with Orders 1 to 3",
     [](DownloadManagerTest&, std::vector<CDownloadInfo*>&) {},
     {C, C, Q, Q, Q},
     {0, 0, 1, 2, 3}},
    {"limit 2, one completes: the first waiting starts, the others move up to 1 and 2",
     [](DownloadManagerTest& t, std::vector<CDownloadInfo*>& r) { Finish(t, r[0], OK); },
     {OK, C, C, Q, Q},
     {0, 0, 0, 1, 2}},
    {"limit 2, one fails: the next starts just as after a completion",
     [](DownloadManagerTest& t, std::vector<CDownloadInfo*>& r) { Finish(t, r[1], F); },
     {C, F, C, Q, Q},
     {0, 0, 0, 1, 2}},
    {"limit 2, the user stops one: nothing else starts",
     [](DownloadManagerTest& t, std::vector<CDownloadInfo*>& r) {
       t.m_manager->Stop(*r[0]);
       t.Tick();
     },
     {S, C, Q, Q, Q},
     {0, 0, 1, 2, 3}},
    {"limit 2, both finish in one pass: two more start",
     [](DownloadManagerTest& t, std::vector<CDownloadInfo*>& r) {
       t.TransferOf(*r[0])->Finish(OK);
       t.TransferOf(*r[1])->Finish(F, MakeError(kCategorySocket, 10061));
       t.Tick();
     },
     {OK, F, C, C, Q},
     {0, 0, 0, 0, 1}},
    {"a waiting download deleted from the middle closes the gap behind it",
     [](DownloadManagerTest& t, std::vector<CDownloadInfo*>& r) {
       t.m_manager->Delete(*r[3]);
       r.erase(r.begin() + 3);
       r.push_back(r.back());  // keeps five columns; the last one is shown twice
     },
     {C, C, Q, Q, Q},
     {0, 0, 1, 2, 2}},
    {"requeue of a running download: it goes to the end and nothing else starts",
     [](DownloadManagerTest& t, std::vector<CDownloadInfo*>& r) {
       t.m_manager->Requeue(*r[0]);
       t.Tick();
     },
     {Q, C, Q, Q, Q},
     {4, 0, 1, 2, 3}},
    {"a forced start ignores the limit and takes the record out of the queue",
     [](DownloadManagerTest& t, std::vector<CDownloadInfo*>& r) {
       t.m_manager->Start(*r[4], true);
     },
     {C, C, Q, Q, C},
     {0, 0, 1, 2, 0}},
    {"a start that is not forced waits while the limit is reached",
     [](DownloadManagerTest& t, std::vector<CDownloadInfo*>& r) {
       t.m_manager->Start(*r[4], false);
     },
     {C, C, Q, Q, Q},
     {0, 0, 1, 2, 3}},
    {"stopping a waiting download takes it out of the queue",
     [](DownloadManagerTest& t, std::vector<CDownloadInfo*>& r) { t.m_manager->Stop(*r[2]); },
     {C, C, S, Q, Q},
     {0, 0, 0, 1, 2}},
    {"a download that ends stopped by its worker starts nothing",
     [](DownloadManagerTest& t, std::vector<CDownloadInfo*>& r) { Finish(t, r[0], S); },
     {S, C, Q, Q, Q},
     {0, 0, 1, 2, 3}},
};

INSTANTIATE_TEST_SUITE_P(Rules, QueueRuleTest, ::testing::ValuesIn(kQueueRules),
                         [](const ::testing::TestParamInfo<QueueRule>& info) {
                           std::string name;
                           for (const char* c = info.param.name; *c; ++c)
                             name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
                           return std::to_string(info.index) + "_" + name.substr(0, 40);
                         });

TEST_F(DownloadManagerTest, CompletionFilesHistoryAndFolderEntryBeforeListenersHear) {
  m_clock.SetSeconds(1700000000);
  CDownloadInfo& record = Add(L"a.bin");
  record.m_comment = L"note";
  FakeTransfer* transfer = TransferOf(record);
  transfer->SetStatus(DownloadStatus::kDownloading);
  transfer->SetProgress(500, 1000);
  Tick();
  EXPECT_EQ(record.m_status, D);
  EXPECT_EQ(record.m_done, 500u);
  EXPECT_EQ(record.m_progress, 50);

  transfer->SetProgress(1000, 1000);
  transfer->Finish(OK);
  Tick();
  ASSERT_EQ(m_data.m_history.size(), 1u);
  EXPECT_EQ(m_data.m_history.back().m_name, L"a.bin");
  EXPECT_EQ(m_data.m_history.back().m_size, 1000u);
  EXPECT_EQ(m_data.m_history.back().m_date, 1700000000);
  ASSERT_EQ(m_data.m_folders.m_files.size(), 1u);
  EXPECT_EQ(m_data.m_folders.m_files.back().m_comment, L"note");
  EXPECT_EQ(m_data.m_folders.m_files.back().m_date, 1700000000u);

  // Started, then finished; the finish handling ran before the listener heard of it.
  ASSERT_EQ(m_listener.m_messages.size(), 2u);
  EXPECT_EQ(m_listener.m_messages[0].event, TransferEvent::kStarted);
  EXPECT_EQ(m_listener.m_messages[1].event, TransferEvent::kFinished);
  EXPECT_EQ(m_listener.m_messages[1].status, OK);
  EXPECT_EQ(m_listener.m_messages[1].historyCount, 1u);

  // The sweep removes the finished transfer once its events are gone.
  EXPECT_NE(m_manager->FindTransfer(record), nullptr);
  Sweep();
  EXPECT_EQ(m_manager->FindTransfer(record), nullptr);
  EXPECT_EQ(m_factory.At(0), nullptr);
}

// The finish wakes the loop: the next queued download starts on the wake, with the clock
// standing still (no update step due); the wake is cleared, so the loop sleeps again.
TEST_F(DownloadManagerTest, AFinishedTransferStartsTheNextQueuedOneOnTheWake) {
  std::vector<CDownloadInfo*> records = AddMany(3);
  EXPECT_EQ(StatusesOf(records), (std::vector<DownloadStatus>{C, C, Q}));
  EXPECT_FALSE(m_manager->GetWake().Wait(0));
  EXPECT_FALSE(m_manager->HandleWake());
  TransferOf(*records[1])->Finish(OK);
  EXPECT_TRUE(m_manager->GetWake().Wait(0));
  EXPECT_EQ(m_manager->GetTimerHost().MillisecondsToNext(), 100);
  EXPECT_TRUE(m_manager->HandleWake());
  EXPECT_EQ(StatusesOf(records), (std::vector<DownloadStatus>{C, OK, C}));
  EXPECT_FALSE(m_manager->GetWake().Wait(0));
  // Other events wait for the step.
  TransferOf(*records[0])->AddEvent(TransferEvent::kProgress);
  EXPECT_FALSE(m_manager->HandleWake());
}

TEST_F(DownloadManagerTest, FailureAddsNothingToHistoryAndKeepsTheError) {
  CDownloadInfo& record = Add(L"missing.bin");
  TransferOf(record)->Finish(F, MakeError(kCategoryHttp, 404));
  Tick();
  EXPECT_EQ(record.m_status, F);
  EXPECT_EQ(static_cast<uint32_t>(record.m_error), MakeError(kCategoryHttp, 404));
  EXPECT_TRUE(m_data.m_history.empty());
  EXPECT_TRUE(m_data.m_folders.m_files.empty());
}

TEST_F(DownloadManagerTest, EventsReachListenersInTheOrderTheTransferQueuedThem) {
  CDownloadInfo& record = Add(L"a.bin");
  FakeTransfer* transfer = TransferOf(record);
  transfer->AddEvent(TransferEvent::kStatusChanged);
  transfer->AddEvent(TransferEvent::kProgress);
  transfer->AddEvent(TransferEvent::kLog);
  Tick();
  std::vector<uint32_t> events;
  for (const auto& message : m_listener.m_messages) events.push_back(EventNumber(message.event));
  EXPECT_EQ(events, (std::vector<uint32_t>{0, 3, 4, 5}));
  // Nothing is sent twice.
  Tick();
  EXPECT_EQ(m_listener.m_messages.size(), 4u);
}

TEST_F(DownloadManagerTest, StopAllPutsRunningFirstAndTheNextRunResumesThem) {
  std::vector<CDownloadInfo*> records = AddMany(3);
  TransferOf(*records[0])->SetStatus(DownloadStatus::kDownloading);
  TransferOf(*records[0])->SetProgress(300, 1000);
  TransferOf(*records[1])->SetStatus(DownloadStatus::kDownloading);
  Tick();
  m_manager->StopAll();
  // Both running ones are queued again ahead of the one that waited; nothing new started.
  EXPECT_EQ(StatusesOf(records), (std::vector<DownloadStatus>{Q, Q, Q}));
  EXPECT_EQ(records[0]->m_done, 300u);
  EXPECT_EQ(m_manager->GetActiveCount(), 0u);
  EXPECT_EQ(m_factory.GetCreatedCount(), 2u);
  EXPECT_EQ(m_manager->GetQueue().GetRecords().back(), records[2]);
  EXPECT_EQ(records[2]->m_order, 3);
  EXPECT_EQ(records[0]->m_order + records[1]->m_order, 3);

  // The next run: a new manager on the stored list, with "StartQueue".
  m_data.m_settings.m_startQueue = true;
  MakeManager();
  EXPECT_EQ(m_factory.GetCreatedCount(), 4u);
  for (CDownloadInfo* record : {records[0], records[1]}) {
    FakeTransfer* transfer = TransferOf(*record);
    ASSERT_NE(transfer, nullptr);
    // Same URL and target: the transfer finds its temporary file there.
    EXPECT_EQ(transfer->Url(), record->m_url);
    EXPECT_EQ(transfer->File(), record->m_file);
    EXPECT_EQ(record->m_status, C);
  }
  EXPECT_EQ(records[2]->m_order, 1);
  EXPECT_EQ(records[2]->m_status, Q);
}

TEST_F(DownloadManagerTest, DestroyingTheManagerStopsEveryTransfer) {
  std::vector<CDownloadInfo*> records = AddMany(2);
  FakeTransfer* first = TransferOf(*records[0]);
  ASSERT_TRUE(first->IsRunning());
  m_manager.reset();
  EXPECT_EQ(m_factory.At(0), nullptr);
  EXPECT_EQ(m_factory.At(1), nullptr);
  EXPECT_EQ(StatusesOf(records), (std::vector<DownloadStatus>{Q, Q}));
}

TEST_F(DownloadManagerTest, RebuildPlacesStoredOrdersAndKeepsThem) {
  m_manager.reset();
  const std::vector<std::pair<std::wstring, int32_t>> stored = {
      {L"c", 3}, {L"none", 0}, {L"a", 1}, {L"d", 5}, {L"b", 2}};
  for (const auto& [name, order] : stored) {
    CDownloadInfo record(L"http://h/" + name, Guid(), L"/tmp/" + name);
    record.m_order = order;
    record.m_status = order ? Q : S;
    m_data.m_downloads.push_back(record);
  }
  MakeManager();
  std::vector<std::wstring> names;
  std::vector<int32_t> orders;
  for (const CDownloadInfo* record : m_manager->GetQueue().GetRecords()) {
    names.push_back(record->m_name);
    orders.push_back(record->m_order);
  }
  EXPECT_EQ(names, (std::vector<std::wstring>{L"a", L"b", L"c", L"d"}));
  EXPECT_EQ(orders, (std::vector<int32_t>{1, 2, 3, 5}));
  EXPECT_EQ(m_factory.GetCreatedCount(), 0u);  // "StartQueue" is off
}

TEST_F(DownloadManagerTest, OnlyQueuedRecordsMove) {
  m_data.m_settings.m_maxDownloads = 0;
  std::vector<CDownloadInfo*> r = AddMany(3);
  EXPECT_FALSE(m_manager->CanMoveUp(*r[0]));
  EXPECT_TRUE(m_manager->CanMoveDown(*r[0]));
  EXPECT_TRUE(m_manager->CanMoveUp(*r[2]));
  EXPECT_FALSE(m_manager->CanMoveDown(*r[2]));
  m_manager->MoveDown(*r[0]);
  EXPECT_EQ(OrdersOf(r), (std::vector<int32_t>{2, 1, 3}));
  m_manager->MoveUp(*r[2]);
  EXPECT_EQ(OrdersOf(r), (std::vector<int32_t>{3, 1, 2}));

  // A record with an Order but another Status (a hand-edited file) stays where it is.
  r[1]->m_status = F;
  EXPECT_FALSE(m_manager->CanMoveUp(*r[1]));
  EXPECT_FALSE(m_manager->CanMoveDown(*r[1]));
  m_manager->MoveDown(*r[1]);
  EXPECT_EQ(OrdersOf(r), (std::vector<int32_t>{3, 1, 2}));
  // A record outside the queue cannot move either.
  CDownloadInfo outside;
  outside.m_status = Q;
  EXPECT_FALSE(m_manager->CanMoveUp(outside));
  EXPECT_FALSE(m_manager->CanMoveDown(outside));
}

TEST_F(DownloadManagerTest, DeleteRemovesRecordAndTemporaryFile) {
  const std::filesystem::path folder = SandboxDir() / "dl";
  std::filesystem::create_directories(folder);
  const std::wstring target = (folder / "big.iso").wstring();
  test::WriteFileBytes(folder / "big.iso.fr", "partial");
  CDownloadInfo& record =
      m_manager->AddAndQueue(CDownloadInfo(L"http://h/big.iso", Guid(), target));
  m_manager->Start(record, false);
  FakeTransfer* transfer = TransferOf(record);
  ASSERT_NE(transfer, nullptr);
  m_manager->Delete(record);
  EXPECT_TRUE(m_data.m_downloads.empty());
  EXPECT_EQ(m_factory.At(0), nullptr);
  EXPECT_FALSE(std::filesystem::exists(folder / "big.iso.fr"));
  EXPECT_EQ(m_manager->GetQueueCount(), 0u);
}

TEST_F(DownloadManagerTest, ListenerMayDeleteTheDownloadItHearsAbout) {
  std::vector<CDownloadInfo*> r = AddMany(3);
  m_listener.m_onMessage = [this](TransferEvent event, CDownloadInfo& record) {
    if (event == TransferEvent::kFinished) m_manager->Delete(record);
  };
  TransferOf(*r[0])->Finish(F, MakeError(kCategoryHttp, 500));
  Tick();
  EXPECT_EQ(m_data.m_downloads.size(), 2u);
  // The failure still freed its slot before the listener acted.
  EXPECT_EQ(r[2]->m_status, C);
  Sweep();
}

TEST_F(DownloadManagerTest, WorkerThatEndsWithoutEventsIsMarkedFailedBySweep) {
  std::vector<CDownloadInfo*> r = AddMany(3);
  TransferOf(*r[0])->EndSilently();
  Tick();
  EXPECT_EQ(r[0]->m_status, C);
  Sweep();
  EXPECT_EQ(r[0]->m_status, F);
  EXPECT_NE(r[0]->m_error, 0);
  EXPECT_EQ(r[2]->m_status, C);
  EXPECT_EQ(m_listener.m_messages.back().event, TransferEvent::kFinished);
}

TEST_F(DownloadManagerTest, ThreadThatCannotStartFailsAtOnceAndTheQueueMovesOn) {
  m_data.m_settings.m_maxDownloads = 1;
  m_factory.FailNextStart();
  std::vector<CDownloadInfo*> r = AddMany(2);
  EXPECT_EQ(r[0]->m_status, F);
  EXPECT_NE(r[0]->m_error, 0);
  EXPECT_EQ(r[0]->m_order, 0);
  EXPECT_EQ(r[1]->m_status, C);
  Sweep();
  EXPECT_EQ(m_manager->FindTransfer(*r[0]), nullptr);
  EXPECT_EQ(m_factory.GetCreatedCount(), 2u);
}

TEST_F(DownloadManagerTest, StopAfterTheFileWasFinishedKeepsItCompleted) {
  CDownloadInfo& record = Add(L"done.bin");
  TransferOf(record)->Finish(OK);  // not yet seen by an update
  m_manager->Stop(record);
  EXPECT_EQ(record.m_status, OK);
  EXPECT_EQ(m_data.m_history.size(), 1u);
}

TEST_F(DownloadManagerTest, AnswerLoginReachesTheTransfer) {
  CDownloadInfo& record = Add(L"private.bin");
  m_manager->AnswerLogin(record, 1);
  m_manager->AnswerLogin(record, 0);
  EXPECT_EQ(TransferOf(record)->GetResumeValues(), (std::vector<uint32_t>{1, 0}));
  CDownloadInfo other;
  m_manager->AnswerLogin(other, 1);  // no transfer: nothing happens

  // Refused at once, the worker ends before the step takes its next event: the record still
  // ends failed (it stayed "login needed" and the console waited for ever).
  CDownloadInfo& refused = Add(L"refused.bin");
  FakeTransfer* transfer = TransferOf(refused);
  transfer->SetStatus(DownloadStatus::kLoginRequired);
  transfer->AddEvent(TransferEvent::kLoginRequired);
  m_listener.m_onMessage = [&](TransferEvent event, CDownloadInfo& heard) {
    if (event != TransferEvent::kLoginRequired) return;
    m_manager->AnswerLogin(heard, 0);
    transfer->Finish(F, MakeError(kCategoryHttp, 401));
  };
  Tick();
  EXPECT_EQ(refused.m_status, F);
  EXPECT_EQ(m_listener.m_messages.back().status, F);
}

TEST_F(DownloadManagerTest, EachStartCopiesTheCurrentSettings) {
  m_data.m_settings.m_maxThreads = 3;
  Add(L"a");
  m_data.m_settings.m_maxThreads = 9;
  Add(L"b");
  EXPECT_EQ(m_factory.GetMaxThreadsSeen(), (std::vector<int32_t>{3, 9}));
}

TEST_F(DownloadManagerTest, TimersRunFromTheHostOnTheInjectedClock) {
  CTimerHost& host = m_manager->GetTimerHost();
  EXPECT_EQ(host.GetTimerCount(), 3u);
  EXPECT_EQ(host.MillisecondsToNext(), 100);
  m_clock.AdvanceMilliseconds(60000);
  // Late timers fire once each, not once per missed period.
  EXPECT_EQ(host.Poll(), 3u);
  EXPECT_EQ(m_saves, 1);
  EXPECT_EQ(host.Poll(), 0u);
  m_clock.AdvanceMilliseconds(100);
  EXPECT_EQ(host.Poll(), 1u);
  EXPECT_EQ(m_saves, 1);
}

TEST(CommandPredicatesTest, FollowTheStatus) {
  struct Row {
    int32_t status;  // the stored number
    bool start, stop, queue, open;
  };
  const Row rows[] = {{-1, false, false, false, false}, {0, true, false, false, false},
                      {1, true, false, true, false},    {2, true, false, true, false},
                      {3, false, true, true, false},    {4, false, true, true, false},
                      {5, false, true, true, false},    {6, false, true, true, false},
                      {7, false, false, false, true}};
  for (const Row& row : rows) {
    const DownloadStatus status = StatusFromNumber(row.status);
    EXPECT_EQ(CDownloadManager::CanStartStatus(status), row.start) << row.status;
    EXPECT_EQ(CDownloadManager::CanStopStatus(status), row.stop) << row.status;
    EXPECT_EQ(CDownloadManager::CanQueueStatus(status), row.queue) << row.status;
    EXPECT_EQ(CDownloadManager::CanOpenStatus(status), row.open) << row.status;
  }
}

}  // namespace
}  // namespace ferrow

namespace ferrow {
namespace {

// The real transfers: downloads stopped at exit are resumed from their temporary files by the
// next run's manager.
class DownloadManagerResumeTest : public test::SandboxedTest {};

TEST_F(DownloadManagerResumeTest, StopAllAndANewManagerWithStartQueueResumeBoth) {
  constexpr uint64_t kSize = 6u << 20;
  test::NginxServer nginx({.limitRate = 1 << 20});
  FERROW_START_OR_SKIP(nginx);
  test::WritePatternFile(nginx.Root() / "a.bin", kSize);
  test::WritePatternFile(nginx.Root() / "b.bin", kSize);

  CApplicationData data;
  data.m_settings.SetDefaults();
  data.m_settings.m_maxDownloads = 2;
  data.m_settings.m_maxThreads = 2;
  data.m_settings.m_startQueue = true;
  CFileTransferFactory factory;
  const std::filesystem::path folder = SandboxDir() / "downloads";
  // Runs the manager's timers until both records rest or the time is up.
  auto runUntil = [](CDownloadManager& manager, const std::function<bool()>& done,
                     std::chrono::seconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done() && std::chrono::steady_clock::now() < end) {
      manager.GetTimerHost().Poll();
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  };

  {
    CDownloadManager manager(data.GetDownloadLists(), data.m_settings, factory);
    manager.SetDownloadSaver([] {});
    manager.Create();
    for (const char* name : {"a.bin", "b.bin"}) {
      CDownloadInfo record(LocalToWide(nginx.Url(std::string("/") + name)), Guid(),
                           (folder / name).wstring());
      manager.Start(manager.AddAndQueue(record), false);
    }
    runUntil(
        manager,
        [&] {
          for (const CDownloadInfo& record : data.m_downloads)
            if (record.m_done < kSize / 8) return false;
          return true;
        },
        std::chrono::seconds(30));
    // Leaving the manager is the program's exit: Stop all.
  }
  // Where each file's unfinished parts go on, by address path.
  std::map<std::string, std::set<uint64_t>> resumeAt;
  for (const CDownloadInfo& record : data.m_downloads) {
    EXPECT_EQ(record.m_status, DownloadStatus::kQueued);
    EXPECT_GT(record.m_done, 0u);
    EXPECT_LT(record.m_done, kSize);
    CResumeBlock block;
    ASSERT_EQ(block.OpenExisting(record.m_file + L".fr"), 0u);
    const std::string path = "/" + std::filesystem::path(record.m_file).filename().string();
    for (int32_t i = 0; i < block.Parts(); ++i) {
      if (block.PartDone(i) > 0 && block.PartDone(i) < block.PartLength(i))
        resumeAt[path].insert(block.PartStart(i) + block.PartDone(i));
    }
    EXPECT_FALSE(resumeAt[path].empty()) << path;
  }
  // nginx logs a broken request only when it notices the close, which may come after the
  // next run has begun: the runs are told apart by their connections' serials instead.
  const long long mark = nginx.MarkConnection();
  ASSERT_GE(mark, 0);

  CDownloadManager manager(data.GetDownloadLists(), data.m_settings, factory);
  manager.SetDownloadSaver([] {});
  manager.Create();  // "StartQueue": both start again
  EXPECT_EQ(manager.GetQueueCount(), 0u);
  runUntil(
      manager,
      [&] {
        for (const CDownloadInfo& record : data.m_downloads)
          if (record.m_status != DownloadStatus::kCompleted) return false;
        return true;
      },
      std::chrono::seconds(60));
  for (const CDownloadInfo& record : data.m_downloads) {
    EXPECT_EQ(record.m_status, DownloadStatus::kCompleted);
    EXPECT_EQ(test::ReadFileBytes(record.m_file), test::PatternBytes(0, kSize));
  }
  EXPECT_EQ(data.m_history.size(), 2u);
  // Every part that had bytes on disk is asked for from where it stopped. (Bytes served would
  // not tell: on loopback the query, which asks from byte 0, and a part whose range is
  // shortened leave megabytes in the socket buffers that count as sent.)
  for (const test::AccessLogEntry& entry : nginx.AccessLog()) {
    if (entry.connection <= mark || entry.range.rfind("bytes=", 0) != 0) continue;
    resumeAt[entry.uri].erase(std::stoull(entry.range.substr(6)));
  }
  for (const auto& [path, offsets] : resumeAt) EXPECT_TRUE(offsets.empty()) << path;
}

}  // namespace
}  // namespace ferrow
