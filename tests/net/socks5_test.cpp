// SOCKS 5 set-up: the bytes a proxy receives, the error values of refusing proxies, and real
// proxies (microsocks, Dante) carrying HTTP and FTP for the protocol clients.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "net/ftp_client.h"
#include "net/http_client.h"
#include "net/proxy_info.h"
#include "net/proxy_socket.h"
#include "net/socks5_negotiation.h"
#include "tests/net/client_fixture.h"
#include "tests/net/loopback.h"
#include "tests/support/ftp_server.h"
#include "tests/support/scripted_server.h"
#include "tests/support/socks_proxy.h"
#include "tests/support/test_data.h"

namespace ferrow {
namespace {

using namespace std::chrono_literals;
using test::FtpServer;
using test::LoopbackListener;
using test::PatternBytes;
using test::ScriptedServer;
using test::SocksProxy;

std::wstring Wide(const std::string& text) {
  return std::wstring(text.begin(), text.end());
}

CProxyInfo Proxy(int port, const std::string& user = "", const std::string& password = "") {
  CProxyInfo proxy;
  proxy.m_enabled = true;
  proxy.m_server = L"127.0.0.1";
  proxy.m_port = port;
  proxy.m_user = Wide(user);
  proxy.m_password = Wide(password);
  return proxy;
}

std::string Receive(SocketHandle socket, size_t count) {
  std::string out;
  char buffer[512];
  while (out.size() < count) {
    int n = SocketReceive(socket, buffer,
                          static_cast<int>(std::min(sizeof buffer, count - out.size())), 0);
    if (n <= 0) break;
    out.append(buffer, static_cast<size_t>(n));
  }
  return out;
}

class Socks5Test : public test::ClientTest {
 protected:
  // A socket connected to the proxy, negotiated for the target.
  bool Negotiate(CProxySocket& socket, const CProxyInfo& proxy, const std::wstring& host,
                 uint16_t port) {
    CProxyInfo enabled = proxy;
    enabled.m_enabled = true;
    m_settings.SetSocksProxy(enabled);
    return socket.Create() && socket.Connect(host, port);
  }
};

TEST_F(Socks5Test, ProxyReceivesExactlyTheGreetingAndTheRequest) {
  LoopbackListener proxy;
  std::string greeting, request;
  std::thread peer([&] {
    SocketHandle connection = proxy.Accept();
    greeting = Receive(connection, 3);
    test::SendAll(connection, std::string("\x05\x00", 2));
    request = Receive(connection, 10);
    // The reply and the target's first bytes arrive in one piece; the bytes must stay.
    test::SendAll(connection,
                  std::string("\x05\x00\x00\x01\x7F\x00\x00\x01\x10\x00", 10) + "220 ready\r\n");
    Receive(connection, 1);  // until the client closes
    SocketClose(connection);
  });
  CProxySocket socket(Context());
  bool negotiated = Negotiate(socket, Proxy(proxy.Port()), L"127.0.0.1", 0x1234);
  char buffer[32] = {};
  int n = negotiated ? socket.Receive(buffer, sizeof buffer - 1) : -1;
  socket.Close();
  peer.join();
  ASSERT_TRUE(negotiated) << Error();
  EXPECT_EQ(greeting, std::string("\x05\x01\x00", 3));
  EXPECT_EQ(request, std::string("\x05\x01\x00\x01\x7F\x00\x00\x01\x12\x34", 10));
  EXPECT_EQ(std::string(buffer, n > 0 ? static_cast<size_t>(n) : 0), "220 ready\r\n");
}

TEST_F(Socks5Test, RefusingProxiesGiveTheirErrorValues) {
  struct Case {
    std::vector<std::string> switches;
    const char* user;
    ErrorValue error;
  } cases[] = {
      {{"--no-method"}, "", MakeError(kCategorySocks, 699)},
      {{"--connect-reply", "5"}, "", MakeError(kCategorySocks, 705)},
      {{"--connect-reply", "2"}, "", MakeError(kCategorySocks, 702)},
      {{"--auth-fail"}, "u", MakeError(kCategorySocks, 701)},
      {{"--user", "u", "--password", "p"}, "", MakeError(kCategorySocks, 699)},
      {{"--close"}, "", MakeError(kCategorySocket, SocketCode::kConnectionReset)},
  };
  for (const Case& c : cases) {
    ScriptedServer proxy("fault_socks", c.switches);
    FERROW_START_OR_SKIP(proxy);
    CProxySocket socket(Context());
    m_transfer.ClearError();
    EXPECT_FALSE(Negotiate(socket, Proxy(proxy.Port(), c.user, "p"), L"127.0.0.1", 80))
        << c.switches[0];
    EXPECT_EQ(Error(), c.error) << c.switches[0];
    EXPECT_EQ(m_transfer.Status(), DownloadStatus::kFailed);
    EXPECT_FALSE(socket.IsOpen());
  }
}

TEST_F(Socks5Test, LoginTooLongIsRefusedBeforeAnythingIsSent) {
  ScriptedServer proxy("fault_socks", {"--user", "u", "--password", "p"});
  FERROW_START_OR_SKIP(proxy);
  for (auto [user, password] : {std::pair{std::string(256, 'u'), std::string("p")},
                                std::pair{std::string("u"), std::string(300, 'p')}}) {
    CProxySocket socket(Context());
    m_transfer.ClearError();
    EXPECT_FALSE(Negotiate(socket, Proxy(proxy.Port(), user, password), L"127.0.0.1", 80));
    EXPECT_EQ(Error(), MakeError(kCategorySystem, SystemCode::kInvalidParameter));
  }
  EXPECT_TRUE(proxy.LogLines("GREETING ").empty());
  // 255 bytes still fit.
  CProxySocket socket(Context());
  m_transfer.ClearError();
  EXPECT_FALSE(
      Negotiate(socket, Proxy(proxy.Port(), std::string(255, 'u'), "p"), L"127.0.0.1", 80));
  EXPECT_EQ(Error(), MakeError(kCategorySocks, 701));  // a wrong login, but sent whole
}

TEST_F(Socks5Test, UnresolvableTargetFailsBeforeTheRequest) {
  ScriptedServer proxy("fault_socks");
  FERROW_START_OR_SKIP(proxy);
  CProxySocket socket(Context());
  EXPECT_FALSE(Negotiate(socket, Proxy(proxy.Port()), L"no-such-host.invalid", 80));
  EXPECT_EQ(Error(), MakeError(kCategorySocket, SocketCode::kHostNotFound));
  EXPECT_TRUE(proxy.LogLines("REQUEST ").empty());
}

TEST_F(Socks5Test, StopEndsANegotiationAtOnce) {
  for (const char* stall : {"--stall", "--stall-after-method"}) {
    ScriptedServer proxy("fault_socks", {stall});
    FERROW_START_OR_SKIP(proxy);
    m_stop.Reset();
    m_transfer.ClearError();
    CProxySocket socket(Context());
    std::chrono::milliseconds afterStop{};
    EXPECT_FALSE(
        RunAndStop([&] { return Negotiate(socket, Proxy(proxy.Port()), L"127.0.0.1", 80); }, 200ms,
                   afterStop));
    EXPECT_EQ(Error(), kCancelledError) << stall;
    EXPECT_LT(afterStop, 2s);
  }
}

TEST_F(Socks5Test, MicrosocksWithAndWithoutLoginCarriesAConnection) {
  ScriptedServer http("fault_http", {"--size", "1000"});
  FERROW_START_OR_SKIP(http);
  for (bool login : {false, true}) {
    SocksProxy socks(login ? test::SocksOptions{.user = "u", .password = "p"}
                           : test::SocksOptions{});
    FERROW_START_OR_SKIP(socks);
    CProxySocket socket(Context());
    ASSERT_TRUE(Negotiate(socket, Proxy(socks.Port(), login ? "u" : "", login ? "p" : ""),
                          L"127.0.0.1", static_cast<uint16_t>(http.Port())))
        << Error();
    std::string request = "GET /f HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n";
    ASSERT_EQ(socket.Send(request.data(), static_cast<int>(request.size())),
              static_cast<int>(request.size()));
    char buffer[16] = {};
    ASSERT_GT(socket.Receive(buffer, 12), 0);
    EXPECT_EQ(std::string(buffer, 9), "HTTP/1.1 ");
  }
}

// --- Through the protocol clients -------------------------------------------------------------

class SocksClientTest : public Socks5Test {
 protected:
  void UseSocks(const CProxyInfo& proxy) { m_settings.SetSocksProxy(proxy); }
};

TEST_F(SocksClientTest, HttpThroughMicrosocksWithAndWithoutLogin) {
  ScriptedServer http("fault_http", {"--size", "30000"});
  FERROW_START_OR_SKIP(http);
  for (bool login : {false, true}) {
    SocksProxy socks(login ? test::SocksOptions{.user = "u", .password = "p"}
                           : test::SocksOptions{});
    FERROW_START_OR_SKIP(socks);
    UseSocks(Proxy(socks.Port(), login ? "u" : "", login ? "p" : ""));
    CHttpClient client(Context());
    ASSERT_TRUE(client.Open(Wide(http.Url("/f.bin"))) && client.Connect()) << Error();
    ASSERT_TRUE(client.QueryInformation()) << Error();
    EXPECT_EQ(m_transfer.Size(), 30000u);
    client.Disconnect();
    CHttpClient part(Context());
    ASSERT_TRUE(part.Open(Wide(http.Url("/f.bin"))) && part.Connect());
    CProxySocket* body = part.OpenData(1000);
    ASSERT_NE(body, nullptr) << Error();
    EXPECT_TRUE(ReadBytes(*body, 29000) == PatternBytes(1000, 29000));
  }
}

TEST_F(SocksClientTest, FtpControlAndDataThroughSocksProxies) {
  FtpServer ftp({.user = "alice", .password = "pw"});
  FERROW_START_OR_SKIP(ftp);
  test::WritePatternFile(ftp.Root() / "s.bin", 25000);
  struct Setup {
    test::SocksOptions options;
    const char* user;
  } setups[] = {{{}, ""}, {{.user = "u", .password = "p"}, "u"}, {{.dante = true}, ""}};
  for (const Setup& setup : setups) {
    SocksProxy socks(setup.options);
    FERROW_START_OR_SKIP(socks);
    UseSocks(Proxy(socks.Port(), setup.user, "p"));
    m_transfer.SetResumeMode(ResumeMode::kResumable);
    CFtpClient client(Context());
    ASSERT_TRUE(client.Open(Wide(ftp.Url("/s.bin", "alice", "pw"))) && client.Connect() &&
                client.Login())
        << socks.Name() << " " << Error();
    ASSERT_TRUE(client.QueryInformation()) << Error();
    EXPECT_EQ(m_transfer.Size(), 25000u);
    CProxySocket* data = client.OpenData(2000);
    ASSERT_NE(data, nullptr) << socks.Name() << " " << Error();
    EXPECT_TRUE(ReadBytes(*data, 23000) == PatternBytes(2000, 23000)) << socks.Name();
  }
}

TEST_F(SocksClientTest, ProxyThatClosesAtOnceOrRefuses) {
  struct Case {
    const char* fault;
    ErrorValue error;
  } cases[] = {{"--close", MakeError(kCategorySocket, SocketCode::kConnectionReset)},
               {"--no-method", MakeError(kCategorySocks, 699)}};
  for (const Case& c : cases) {
    ScriptedServer socks("fault_socks", {c.fault});
    FERROW_START_OR_SKIP(socks);
    UseSocks(Proxy(socks.Port()));
    m_transfer.ClearError();
    CHttpClient client(Context());
    ASSERT_TRUE(client.Open(L"http://127.0.0.1:1/x"));
    EXPECT_FALSE(client.Connect()) << c.fault;
    EXPECT_EQ(Error(), c.error) << c.fault;
    EXPECT_FALSE(client.Socket().IsConnected());
  }
}

TEST_F(SocksClientTest, LongLoginNeverReachesTheProxy) {
  ScriptedServer socks("fault_socks", {"--user", "u", "--password", "p"});
  FERROW_START_OR_SKIP(socks);
  UseSocks(Proxy(socks.Port(), std::string(256, 'u'), "p"));
  CFtpClient client(Context());
  ASSERT_TRUE(client.Open(L"ftp://127.0.0.1:21/x"));
  EXPECT_FALSE(client.Connect());
  EXPECT_EQ(Error(), MakeError(kCategorySystem, SystemCode::kInvalidParameter));
  std::this_thread::sleep_for(100ms);
  EXPECT_TRUE(socks.LogLines("CONNECT ").empty());
}

TEST_F(SocksClientTest, StopEndsAClientInANegotiation) {
  ScriptedServer socks("fault_socks", {"--stall-after-method"});
  FERROW_START_OR_SKIP(socks);
  UseSocks(Proxy(socks.Port()));
  CHttpClient client(Context());
  ASSERT_TRUE(client.Open(L"http://127.0.0.1:1/x"));
  std::chrono::milliseconds afterStop{};
  EXPECT_FALSE(RunAndStop([&] { return client.Connect(); }, 200ms, afterStop));
  EXPECT_EQ(Error(), kCancelledError);
  EXPECT_LT(afterStop, 2s);
}

}  // namespace
}  // namespace ferrow
