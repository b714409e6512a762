#include "net/internet_client.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>

#include "net/event_list.h"
#include "net/log_list.h"
#include "net/resume_event.h"
#include "net/socket_list.h"
#include "net/stop_event.h"
#include "net/transfer_info.h"
#include "tests/net/loopback.h"

namespace ferrow {
namespace {

class InternetClientTest : public ::testing::Test {
 protected:
  CClientContext Context() {
    return CClientContext(&m_master, nullptr, &m_events, &m_log, &m_sockets, &m_stop, &m_resume);
  }

  std::vector<uint32_t> TakeEvents() {
    std::vector<uint32_t> codes;
    uint32_t code;
    while (m_events.Take(code)) codes.push_back(code);
    return codes;
  }

  CTransferInfo m_master;
  CEventList m_events;
  CLogList m_log;
  CSocketList m_sockets;
  CStopEvent m_stop;
  CResumeEvent m_resume;
};

TEST_F(InternetClientTest, ConnectSetsConnectingAndReachesTheUrlsHost) {
  test::LoopbackListener listener;
  CInternetClient client(Context());
  ASSERT_TRUE(client.Open(L"http://127.0.0.1:" + std::to_wstring(listener.Port()) + L"/f.bin"));
  EXPECT_EQ(client.Url().FileName(), L"f.bin");
  ASSERT_TRUE(client.Connect());
  EXPECT_EQ(m_master.Status(), DownloadStatus::kConnecting);
  EXPECT_EQ(TakeEvents(), std::vector<uint32_t>{EventNumber(TransferEvent::kStatusChanged)});
  EXPECT_TRUE(client.Socket().IsConnected());
  SocketHandle server = listener.Accept();
  EXPECT_NE(server, kInvalidSocket);
  EXPECT_TRUE(client.Disconnect());
  EXPECT_FALSE(client.Socket().IsOpen());
  EXPECT_EQ(m_sockets.Count(), 0u);
  SocketClose(server);
}

TEST_F(InternetClientTest, ConnectFailuresRecordSocketErrors) {
  CInternetClient client(Context());
  client.Open(L"http://127.0.0.1:" + std::to_wstring(test::UnusedPort()) + L"/");
  EXPECT_FALSE(client.Connect());
  EXPECT_EQ(m_master.Error(), MakeError(kCategorySocket, 10061));
  EXPECT_EQ(m_master.Status(), DownloadStatus::kFailed);
  EXPECT_EQ(TakeEvents(), (std::vector<uint32_t>{3, 3}));

  // A port that does not fit 16 bits is refused rather than cut to another port.
  client.Open(L"http://127.0.0.1:65617/");
  EXPECT_FALSE(client.Connect());
  EXPECT_EQ(m_master.Error(), MakeError(kCategorySocket, 10049));
}

TEST_F(InternetClientTest, WaitForStopRecordsCancelled) {
  CInternetClient client(Context());
  EXPECT_FALSE(client.WaitForStop(0));
  EXPECT_EQ(m_master.Error(), 0u);

  // A long wait (a retry delay) ends as soon as the stop comes.
  auto waiting = std::async(std::launch::async, [&] { return client.WaitForStop(600000); });
  m_stop.Set();
  ASSERT_EQ(waiting.wait_for(std::chrono::seconds(20)), std::future_status::ready);
  EXPECT_TRUE(waiting.get());
  EXPECT_EQ(m_master.Error(), kCancelledError);
  EXPECT_EQ(m_master.Status(), DownloadStatus::kFailed);
  EXPECT_TRUE(m_events.IsEmpty());  // the stop's error queues nothing
}

TEST_F(InternetClientTest, WaitForResumeTakesTheAnswerOnce) {
  CInternetClient client(Context());
  EXPECT_EQ(client.WaitForResume(0), 0u);
  m_resume.Signal(5);
  EXPECT_EQ(client.WaitForResume(kWaitForever), 5u);
  EXPECT_EQ(client.WaitForResume(0), 0u);  // reset by the first wait

  auto waiting = std::async(std::launch::async, [&] { return client.WaitForResume(kWaitForever); });
  m_resume.Signal(1);
  ASSERT_EQ(waiting.wait_for(std::chrono::seconds(20)), std::future_status::ready);
  EXPECT_EQ(waiting.get(), 1u);
}

TEST_F(InternetClientTest, RetryableErrors) {
  CInternetClient client(Context());
  EXPECT_TRUE(client.IsRetryable(MakeError(kCategorySocket, 10054)));
  EXPECT_TRUE(client.IsRetryable(MakeError(kCategorySocket, 10060)));
  EXPECT_TRUE(client.IsRetryable(MakeError(kCategorySocket, 10061)));  // refused
  EXPECT_FALSE(client.IsRetryable(MakeError(kCategorySocket, 10049)));
  EXPECT_FALSE(client.IsRetryable(MakeError(kCategorySystem, 10054)));
  EXPECT_TRUE(client.IsRetryable(MakeError(kCategoryHttp, 503)));
  EXPECT_FALSE(client.IsRetryable(MakeError(kCategoryHttp, 404)));
  EXPECT_FALSE(client.IsLoginFailure(MakeError(kCategoryHttp, 401)));
  EXPECT_EQ(client.Clone(Context()), nullptr);
  EXPECT_EQ(client.OpenData(0), nullptr);
}

TEST_F(InternetClientTest, OnlyTheMasterQueuesStatusAndLogEvents) {
  CTransferInfo part;
  part.SetMaster(&m_master);
  CClientContext partContext = Context().WithTransfer(&part);
  EXPECT_EQ(partContext.Transfer(), &part);
  EXPECT_EQ(partContext.Sockets(), &m_sockets);

  partContext.ReportStatus(DownloadStatus::kDownloading);
  partContext.ReportError(MakeError(kCategorySocket, 10054));
  partContext.AddLogLine(LogKind::kSent, L"RETR x\r\n");
  partContext.QueueEvent(TransferEvent::kProgress);
  EXPECT_EQ(part.Error(), MakeError(kCategorySocket, 10054));
  EXPECT_EQ(m_master.Error(), 0u);
  EXPECT_EQ(TakeEvents(), std::vector<uint32_t>{EventNumber(TransferEvent::kProgress)});

  CClientContext masterContext = Context();
  masterContext.AddLogLine(LogKind::kReceived, L"150 Opening");
  masterContext.AddLogLine(static_cast<LogKind>(9), 1, L"arg", 2);
  EXPECT_EQ(TakeEvents(), (std::vector<uint32_t>{EventNumber(TransferEvent::kLog),
                                                 EventNumber(TransferEvent::kLog)}));
  EXPECT_EQ(m_log.Count(), 3u);
}

}  // namespace
}  // namespace ferrow
