// The layers of a connection stacked on real proxies: a CONNECT tunnel through tinyproxy (the
// way an encrypted layer will go through an HTTP proxy), a tunnel the proxy refuses, and the
// HTTP client's forwarded requests carried by a SOCKS proxy to the HTTP proxy.
#include "net/http_proxy_stream.h"

#include <gtest/gtest.h>

#include <string>

#include "net/http_client.h"
#include "net/proxy_socket.h"
#include "tests/net/client_fixture.h"
#include "tests/net/loopback.h"
#include "tests/support/http_proxy.h"
#include "tests/support/scripted_server.h"
#include "tests/support/socks_proxy.h"
#include "tests/support/test_data.h"

namespace ferrow {
namespace {

CProxyInfo Proxy(int port) {
  CProxyInfo proxy;
  proxy.m_enabled = true;
  proxy.m_server = L"127.0.0.1";
  proxy.m_port = port;
  return proxy;
}

class HttpProxyStreamTest : public test::ClientTest {};

TEST_F(HttpProxyStreamTest, TunnelCarriesTheBytesUnreadAndARefusalIsTheProxysStatus) {
  test::ScriptedServer upstream("fault_http", {"--size", "3000"});
  FERROW_START_OR_SKIP(upstream);
  test::HttpProxy proxy;
  FERROW_START_OR_SKIP(proxy);

  CProxySocket socket(Context());
  socket.SetHttpProxy(Proxy(proxy.Port()), true);
  EXPECT_FALSE(socket.ForwardsRequests());
  ASSERT_TRUE(socket.Connect(L"127.0.0.1", static_cast<uint16_t>(upstream.Port()))) << Error();
  EXPECT_EQ(socket.PeerHost(), L"127.0.0.1");
  // What goes through is the upstream's own conversation, the proxy reads none of it.
  ASSERT_GT(socket.Send("GET /x HTTP/1.1\r\nHost: a\r\nConnection: close\r\n\r\n"), 0);
  char line[256];
  ASSERT_GT(socket.ReadLine(line, sizeof line, "\n"), 0);
  EXPECT_EQ(std::string(line), "HTTP/1.1 200 OK\r\n");
  ASSERT_EQ(upstream.LogLines("REQUEST ").size(), 1u);
  EXPECT_NE(upstream.LogLines("REQUEST ")[0].find("GET /x HTTP/1.1"), std::string::npos);
  ASSERT_EQ(proxy.RequestLines().size(), 1u) << proxy.Log();
  EXPECT_EQ(proxy.RequestLines()[0],
            "CONNECT 127.0.0.1:" + std::to_string(upstream.Port()) + " HTTP/1.1");
  socket.Close();

  // A target nobody listens on: the proxy answers with an error status, which is the failure.
  CProxySocket refused(Context());
  refused.SetHttpProxy(Proxy(proxy.Port()), true);
  EXPECT_FALSE(refused.Connect(L"127.0.0.1", static_cast<uint16_t>(test::UnusedPort())));
  EXPECT_EQ(ErrorCategoryOf(Error()), kCategoryHttp);
  EXPECT_GE(ErrorCodeOf(Error()), 400);
  EXPECT_FALSE(refused.IsOpen());
}

TEST_F(HttpProxyStreamTest, SocksCarriesTheConnectionToTheHttpProxy) {
  test::ScriptedServer upstream("fault_http", {"--size", "20000"});
  FERROW_START_OR_SKIP(upstream);
  test::HttpProxy http;
  FERROW_START_OR_SKIP(http);
  test::SocksProxy socks;
  FERROW_START_OR_SKIP(socks);
  m_settings.SetHttpProxy(Proxy(http.Port()));
  m_settings.SetSocksProxy(Proxy(socks.Port()));

  const std::string url = "http://127.0.0.1:" + std::to_string(upstream.Port()) + "/f.bin";
  CHttpClient client(Context());
  ASSERT_TRUE(client.Open(std::wstring(url.begin(), url.end())));
  ASSERT_TRUE(client.Connect()) << Error();
  // Through SOCKS, the other end is the HTTP proxy the SOCKS proxy was asked for.
  EXPECT_EQ(client.Socket().PeerHost(), L"127.0.0.1");
  CProxySocket* body = client.OpenData(1000);
  ASSERT_NE(body, nullptr) << Error();
  EXPECT_TRUE(ReadBytes(*body, 19000) == test::PatternBytes(1000, 19000));
  ASSERT_EQ(http.RequestLines().size(), 1u);
  EXPECT_EQ(http.RequestLines()[0], "GET " + url + " HTTP/1.1");
}

}  // namespace
}  // namespace ferrow
