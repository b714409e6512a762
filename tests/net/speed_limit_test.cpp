#include "net/speed_limit.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "net/proxy_socket.h"
#include "net/socket_list.h"
#include "net/transfer_info.h"
#include "tests/net/loopback.h"
#include "tests/support/fake_clock.h"

namespace ferrow {
namespace {

class SpeedLimitTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_socket.Create());
    ASSERT_TRUE(m_socket.Connect(L"127.0.0.1", m_listener.Port()));
    m_server = m_listener.Accept();
    ASSERT_NE(m_server, kInvalidSocket);
  }
  void TearDown() override { SocketClose(m_server); }

  // Sends n bytes and waits until they have all arrived.
  void Feed(int n) {
    ASSERT_TRUE(test::SendAll(m_server, std::string(static_cast<size_t>(n), 'z')));
    while (SocketReceive(m_socket.Handle(), m_scratch, sizeof(m_scratch), kReceivePeek) < n) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }

  test::FakeClock m_clock;
  test::LoopbackListener m_listener;
  CTransferInfo m_transfer;
  CSocketList m_sockets;
  CProxySocket m_socket{
      CClientContext(&m_transfer, nullptr, nullptr, nullptr, &m_sockets, nullptr, nullptr)};
  SocketHandle m_server = kInvalidSocket;
  char m_scratch[131072];
  char m_buffer[65536];
};

TEST_F(SpeedLimitTest, LimitIsSharedByLiveLimiters) {
  int before = CSpeedLimit::LiveCount();
  {
    CSpeedLimit first(&m_clock);
    EXPECT_EQ(CSpeedLimit::LiveCount(), before + 1);
    first.SetLimit(100 * 1024);
    EXPECT_EQ(first.Quota(), 102400u / static_cast<uint32_t>(before + 1));
    {
      CSpeedLimit second(&m_clock);
      first.SetLimit(100 * 1024);
      second.SetLimit(100 * 1024);
      if (before == 0) {
        EXPECT_EQ(first.Quota(), 51200u);
        EXPECT_EQ(second.Quota(), 51200u);
      }
      second.SetLimit(0);
      EXPECT_EQ(second.Quota(), 0u);
    }
    // The quota follows the live count at the next SetLimit.
    first.SetLimit(100 * 1024);
    EXPECT_EQ(first.Quota(), 102400u / static_cast<uint32_t>(before + 1));
  }
  EXPECT_EQ(CSpeedLimit::LiveCount(), before);
}

TEST_F(SpeedLimitTest, TinyLimitNeverBecomesUnlimited) {
  CSpeedLimit a(&m_clock), b(&m_clock), c(&m_clock);
  a.SetLimit(2);
  EXPECT_GE(a.Quota(), 1u);
}

TEST_F(SpeedLimitTest, UsedQuotaAsksForTheRestOfTheSecond) {
  ASSERT_EQ(CSpeedLimit::LiveCount(), 0) << "another limiter is alive";
  CSpeedLimit limit(&m_clock);
  CSpeedLimit other(&m_clock);
  limit.SetLimit(100 * 1024);
  ASSERT_EQ(limit.Quota(), 51200u);
  Feed(60000);

  int total = 0;
  while (limit.Used() < limit.Quota()) {
    int received = limit.Receive(m_socket, m_buffer, sizeof(m_buffer));
    ASSERT_GT(received, 0);
    total += received;
    if (limit.Used() < limit.Quota()) {
      EXPECT_EQ(limit.Delay(), 0u);
    }
  }
  EXPECT_EQ(total, 51200);  // never more than the quota within the second
  m_clock.AdvanceMilliseconds(300);
  EXPECT_EQ(limit.Delay(), 700u);
  EXPECT_EQ(limit.Used(), 0u);  // a new second begins with the next receive
  EXPECT_EQ(limit.Delay(), 0u);

  // The rest arrives in the next second; a second that is already over asks for no pause.
  EXPECT_EQ(limit.Receive(m_socket, m_buffer, sizeof(m_buffer)), 60000 - 51200);
  m_clock.AdvanceMilliseconds(1500);
  Feed(51200);
  while (limit.Used() < limit.Quota()) {
    ASSERT_GT(limit.Receive(m_socket, m_buffer, sizeof(m_buffer)), 0);
  }
  EXPECT_EQ(limit.Delay(), 0u);
}

TEST_F(SpeedLimitTest, WithoutQuotaReceivesFreelyAndNeverPauses) {
  CSpeedLimit limit(&m_clock);
  limit.SetLimit(0);
  Feed(1000);
  EXPECT_EQ(limit.Receive(m_socket, m_buffer, sizeof(m_buffer)), 1000);
  EXPECT_EQ(limit.Used(), 0u);
  EXPECT_EQ(limit.Delay(), 0u);
}

TEST_F(SpeedLimitTest, LoweredQuotaStillReadsAByteRatherThanNothing) {
  CSpeedLimit limit(&m_clock);
  limit.SetLimit(1000);
  Feed(1500);
  EXPECT_EQ(limit.Receive(m_socket, m_buffer, 900), 900);
  {
    // A second connection halves the quota below what this second used already.
    CSpeedLimit other(&m_clock);
    limit.SetLimit(1000);
    EXPECT_EQ(limit.Quota(), 500u);
    EXPECT_EQ(limit.Receive(m_socket, m_buffer, sizeof(m_buffer)), 1);
    EXPECT_GT(limit.Delay(), 0u);
  }
}

}  // namespace
}  // namespace ferrow
