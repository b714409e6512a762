#include "net/proxy_socket.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <future>
#include <string>
#include <thread>

#include "net/event_list.h"
#include "net/log_list.h"
#include "net/resume_event.h"
#include "net/socket_list.h"
#include "net/stop_event.h"
#include "net/transfer_info.h"
#include "tests/net/loopback.h"

namespace ferrow {
namespace {

using test::kLoopback;
using test::LoopbackListener;
using test::SendAll;

constexpr auto kHangGuard = std::chrono::seconds(20);

class ProxySocketTest : public ::testing::Test {
 protected:
  CClientContext Context() {
    return CClientContext(&m_transfer, nullptr, &m_events, &m_log, &m_sockets, &m_stop, &m_resume);
  }

  // Connects a client socket to the listener and returns the server's end.
  SocketHandle ConnectPair(CProxySocket& socket, LoopbackListener& listener) {
    EXPECT_TRUE(socket.Create());
    EXPECT_TRUE(socket.Connect(L"127.0.0.1", listener.Port()));
    return listener.Accept();
  }

  // Waits until the socket holds at least n unread bytes.
  static void AwaitBytes(SocketHandle socket, int n) {
    char scratch[256];
    while (SocketReceive(socket, scratch, sizeof(scratch), kReceivePeek) < n) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }

  // Stops the transfer the way the user-interface thread does.
  void RequestStop() {
    m_stop.Set();
    m_sockets.CloseAll();
  }

  CTransferInfo m_transfer;
  CEventList m_events;
  CLogList m_log;
  CSocketList m_sockets;
  CStopEvent m_stop;
  CResumeEvent m_resume;
};

TEST_F(ProxySocketTest, ConnectSendReceiveAndClose) {
  LoopbackListener listener;
  CProxySocket socket(Context());
  SocketHandle server = ConnectPair(socket, listener);
  ASSERT_NE(server, kInvalidSocket);
  EXPECT_TRUE(socket.IsConnected());
  EXPECT_EQ(socket.TargetHost(), L"127.0.0.1");
  EXPECT_EQ(socket.TargetPort(), listener.Port());
  EXPECT_TRUE(m_sockets.Contains(socket.Handle()));

  EXPECT_EQ(socket.Send("USER x\r\n"), 8);
  char buffer[16] = {};
  AwaitBytes(server, 8);
  EXPECT_EQ(SocketReceive(server, buffer, sizeof(buffer), 0), 8);
  EXPECT_STREQ(buffer, "USER x\r\n");

  ASSERT_TRUE(SendAll(server, "hello"));
  EXPECT_EQ(socket.Receive(buffer, sizeof(buffer)), 5);
  EXPECT_EQ(std::string(buffer, 5), "hello");

  socket.Close();
  EXPECT_FALSE(socket.IsOpen());
  EXPECT_FALSE(socket.IsConnected());
  EXPECT_EQ(m_sockets.Count(), 0u);
  EXPECT_EQ(m_transfer.Error(), 0u);
  SocketClose(server);
}

TEST_F(ProxySocketTest, PeerCloseIsDisconnected) {
  LoopbackListener listener;
  CProxySocket socket(Context());
  SocketHandle server = ConnectPair(socket, listener);
  SocketClose(server);

  char buffer[16];
  EXPECT_EQ(socket.Receive(buffer, sizeof(buffer)), -1);
  EXPECT_EQ(m_transfer.Error(), MakeError(kCategorySocket, 10101));
  EXPECT_EQ(m_transfer.Status(), DownloadStatus::kFailed);
  EXPECT_FALSE(socket.IsOpen());
  EXPECT_EQ(m_sockets.Count(), 0u);
  uint32_t event = 99;
  ASSERT_TRUE(m_events.Take(event));
  EXPECT_EQ(event, EventNumber(TransferEvent::kStatusChanged));
}

TEST_F(ProxySocketTest, UnknownHostAndRefusedConnection) {
  CProxySocket socket(Context());
  EXPECT_FALSE(socket.Connect(L"nonexistent.invalid", 80));
  EXPECT_EQ(m_transfer.Error(), MakeError(kCategorySocket, 11001));
  EXPECT_FALSE(socket.IsOpen());

  EXPECT_FALSE(socket.Connect(L"127.0.0.1", test::UnusedPort()));
  EXPECT_EQ(m_transfer.Error(), MakeError(kCategorySocket, 10061));
  EXPECT_FALSE(socket.IsConnected());
}

TEST_F(ProxySocketTest, StopBreaksBlockingReceive) {
  LoopbackListener listener;
  CProxySocket socket(Context());
  SocketHandle server = ConnectPair(socket, listener);
  auto receiving = std::async(std::launch::async, [&] {
    char buffer[16];
    return socket.Receive(buffer, sizeof(buffer));
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(100));  // let it block
  RequestStop();
  ASSERT_EQ(receiving.wait_for(kHangGuard), std::future_status::ready);
  EXPECT_EQ(receiving.get(), -1);
  EXPECT_EQ(m_transfer.Error(), kCancelledError);
  EXPECT_FALSE(socket.IsOpen());
  SocketClose(server);
}

TEST_F(ProxySocketTest, StopBreaksBlockedConnect) {
  // A listener with a full accept queue drops further connection requests, so a connect to it
  // waits until something breaks it.
  LoopbackListener listener(0);
  SocketHandle filler = SocketCreate();
  ASSERT_TRUE(SocketConnect(filler, kLoopback, listener.Port()));

  CProxySocket socket(Context());
  auto connecting = std::async(std::launch::async, [&] {
    return socket.Create() && socket.Connect(L"127.0.0.1", listener.Port());
  });
  // It is really waiting (not refused) until the stop.
  ASSERT_EQ(connecting.wait_for(std::chrono::milliseconds(300)), std::future_status::timeout);
  RequestStop();
  ASSERT_EQ(connecting.wait_for(kHangGuard), std::future_status::ready);
  EXPECT_FALSE(connecting.get());
  EXPECT_EQ(m_transfer.Error(), kCancelledError);
  SocketClose(filler);
}

TEST_F(ProxySocketTest, StopAlreadyRequestedKeepsCancelled) {
  m_stop.Set();
  CProxySocket socket(Context());
  EXPECT_FALSE(socket.Create());
  EXPECT_FALSE(socket.Connect(L"127.0.0.1", test::UnusedPort()));
  EXPECT_EQ(m_transfer.Error(), kCancelledError);
  // The stop's error queues no status event.
  EXPECT_TRUE(m_events.IsEmpty());
}

TEST_F(ProxySocketTest, ReadLineLeavesLaterBytesForTheNextRead) {
  LoopbackListener listener;
  CProxySocket socket(Context());
  SocketHandle server = ConnectPair(socket, listener);
  const std::string sent = "220 hello\r\n230 next\r\nDATA";
  ASSERT_TRUE(SendAll(server, sent));
  AwaitBytes(socket.Handle(), static_cast<int>(sent.size()));

  char line[64];
  EXPECT_EQ(socket.ReadLine(line, sizeof(line), "\r\n"), 11);
  EXPECT_STREQ(line, "220 hello\r\n");
  EXPECT_EQ(socket.Pending(), 14);
  EXPECT_EQ(socket.ReadLine(line, sizeof(line), "\r\n"), 10);
  EXPECT_STREQ(line, "230 next\r\n");
  EXPECT_EQ(socket.Pending(), 4);

  // Drain takes the pending bytes only, not what arrived since.
  ASSERT_TRUE(SendAll(server, "XYZ"));
  AwaitBytes(socket.Handle(), 7);
  char drained[64];
  EXPECT_EQ(socket.Drain(drained, sizeof(drained)), 4);
  EXPECT_EQ(std::string(drained, 4), "DATA");
  EXPECT_EQ(socket.Drain(drained, sizeof(drained)), 0);
  EXPECT_EQ(socket.Receive(drained, sizeof(drained)), 3);
  SocketClose(server);
}

TEST_F(ProxySocketTest, ReadLineFindsTerminatorSplitAcrossArrivals) {
  LoopbackListener listener;
  CProxySocket socket(Context());
  SocketHandle server = ConnectPair(socket, listener);
  ASSERT_TRUE(SendAll(server, "abc\r"));
  std::thread later([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    SendAll(server, "\ndef");
  });
  char line[64];
  EXPECT_EQ(socket.ReadLine(line, sizeof(line), "\r\n"), 5);
  EXPECT_STREQ(line, "abc\r\n");
  later.join();
  AwaitBytes(socket.Handle(), 3);
  char rest[8];
  EXPECT_EQ(socket.Receive(rest, sizeof(rest)), 3);
  SocketClose(server);
}

// A header block ends at its empty line, in CRLF or bare LF, even where the end arrives in
// pieces; the body after it stays unread. One that fills the buffer is not complete.
TEST_F(ProxySocketTest, ReadHeaderBlockStopsAtTheEmptyLineAcrossArrivals) {
  LoopbackListener listener;
  CProxySocket socket(Context());
  SocketHandle server = ConnectPair(socket, listener);
  ASSERT_TRUE(SendAll(server, "HTTP/1.1 200 OK\r\nA: b\r\n\r"));
  std::thread later([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    SendAll(server, "\nBODYHTTP/1.0 200 OK\nC: d\n\nMORE0123456789");
  });
  char block[64];
  bool complete = false;
  EXPECT_EQ(socket.ReadHeaderBlock(block, sizeof(block), complete), 25);
  EXPECT_TRUE(complete);
  EXPECT_STREQ(block, "HTTP/1.1 200 OK\r\nA: b\r\n\r\n");
  later.join();
  AwaitBytes(socket.Handle(), 40);
  char body[4];
  EXPECT_EQ(socket.Receive(body, sizeof(body)), 4);
  EXPECT_EQ(std::string(body, 4), "BODY");
  EXPECT_EQ(socket.ReadHeaderBlock(block, sizeof(block), complete), 22);
  EXPECT_TRUE(complete);
  EXPECT_STREQ(block, "HTTP/1.0 200 OK\nC: d\n\n");
  char small[8];
  EXPECT_EQ(socket.ReadHeaderBlock(small, sizeof(small), complete), 7);
  EXPECT_FALSE(complete);
  SocketClose(server);
}

TEST_F(ProxySocketTest, ReadLineStopsAtFullBuffer) {
  LoopbackListener listener;
  CProxySocket socket(Context());
  SocketHandle server = ConnectPair(socket, listener);
  ASSERT_TRUE(SendAll(server, "0123456789\r\n"));
  AwaitBytes(socket.Handle(), 12);
  char line[8];
  EXPECT_EQ(socket.ReadLine(line, sizeof(line), "\r\n"), 7);
  EXPECT_STREQ(line, "0123456");
  EXPECT_EQ(socket.Pending(), 0);
  EXPECT_EQ(socket.ReadLine(line, sizeof(line), "\r\n"), 5);
  EXPECT_STREQ(line, "789\r\n");
  SocketClose(server);
}

TEST_F(ProxySocketTest, ReadLineFailsWhenPeerClosesMidLine) {
  LoopbackListener listener;
  CProxySocket socket(Context());
  SocketHandle server = ConnectPair(socket, listener);
  ASSERT_TRUE(SendAll(server, "partial"));
  SocketClose(server);
  char line[64];
  EXPECT_EQ(socket.ReadLine(line, sizeof(line), "\r\n"), -1);
  EXPECT_EQ(m_transfer.Error(), MakeError(kCategorySocket, 10101));
}

TEST_F(ProxySocketTest, ActiveModeListenAcceptAndPortText) {
  LoopbackListener listener;
  CProxySocket control(Context());
  SocketHandle server = ConnectPair(control, listener);

  CProxySocket waiting(Context());
  ASSERT_TRUE(waiting.ListenLike(control));
  std::wstring text = waiting.PortText();
  unsigned a, b, c, d, high, low;
  ASSERT_EQ(swscanf(text.c_str(), L"%u,%u,%u,%u,%u,%u", &a, &b, &c, &d, &high, &low), 6) << text;
  EXPECT_EQ(IpAddress::Ipv4((a << 24) | (b << 16) | (c << 8) | d), kLoopback);
  uint16_t port = static_cast<uint16_t>(high * 256 + low);

  SocketHandle peer = SocketCreate();
  ASSERT_TRUE(SocketConnect(peer, kLoopback, port));
  CProxySocket data(CClientContext{});
  ASSERT_TRUE(waiting.Accept(data));
  EXPECT_TRUE(data.IsConnected());
  EXPECT_EQ(data.Sockets(), &m_sockets);  // took the listener's context
  EXPECT_TRUE(m_sockets.Contains(data.Handle()));
  ASSERT_TRUE(SendAll(peer, "x"));
  char byte;
  EXPECT_EQ(data.Receive(&byte, 1), 1);
  EXPECT_EQ(byte, 'x');
  SocketClose(peer);
  SocketClose(server);
}

}  // namespace
}  // namespace ferrow
