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

// A receive asks for no more than the tree grants; what the socket did not have goes back.
TEST_F(SpeedLimitTest, ReceivesStayWithinTheGrantAndGiveBackTheRest) {
  CBandwidth root(&m_clock);
  CBandwidth download(&root);
  CSpeedLimit limit(download);
  limit.SetLimit(100 * 1024);  // a burst of 40 ms: 4096 bytes
  EXPECT_EQ(root.Limit(), 100u * 1024);
  Feed(5096);
  EXPECT_EQ(limit.Receive(m_socket, m_buffer, sizeof(m_buffer)), 4096);
  EXPECT_EQ(limit.Delay(), 40u);
  m_clock.AdvanceMilliseconds(20);
  EXPECT_EQ(limit.Delay(), 20u);
  m_clock.AdvanceMilliseconds(20);
  EXPECT_EQ(limit.Delay(), 0u);
  EXPECT_EQ(limit.Receive(m_socket, m_buffer, 1000), 1000);

  // A receive that finds less than it was granted leaves the rest for the next one.
  limit.SetLimit(10 << 20);
  m_clock.AdvanceMilliseconds(1000);
  Feed(1000);
  EXPECT_EQ(limit.Receive(m_socket, m_buffer, sizeof(m_buffer)), 1000);
  EXPECT_EQ(limit.Delay(), 0u);
  Feed(65536);
  EXPECT_EQ(limit.Receive(m_socket, m_buffer, sizeof(m_buffer)), 65536);

  limit.SetLimit(0);
  Feed(1000);
  EXPECT_EQ(limit.Receive(m_socket, m_buffer, sizeof(m_buffer)), 1000);
  EXPECT_EQ(limit.Delay(), 0u);
}

// A part's connections join its download's node, not a node of their own, and leave it when
// their receive loop ends.
TEST_F(SpeedLimitTest, APartsConnectionsJoinTheirDownload) {
  CTransferInfo master(&m_clock), part(&m_clock);
  part.SetMaster(&master);
  {
    CSpeedLimit first(part);
    CSpeedLimit second(master);
    EXPECT_EQ(master.Bandwidth().ActiveChildren(), 2);
    EXPECT_EQ(part.Bandwidth().ActiveChildren(), 0);
  }
  EXPECT_EQ(master.Bandwidth().ActiveChildren(), 0);
}

}  // namespace
}  // namespace ferrow
