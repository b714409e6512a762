// The HTTP client through a real HTTP proxy (tinyproxy): the request line carries the absolute
// address, the connection goes to the proxy, and the URL's credentials never reach it.
#include "tests/support/http_proxy.h"

#include <gtest/gtest.h>

#include <string>

#include "net/http_client.h"
#include "tests/net/client_fixture.h"
#include "tests/support/scripted_server.h"
#include "tests/support/test_data.h"

namespace ferrow {
namespace {

using test::HttpProxy;
using test::PatternBytes;
using test::ScriptedServer;

std::wstring Wide(const std::string& text) {
  return std::wstring(text.begin(), text.end());
}

class HttpProxyTest : public test::ClientTest {
 protected:
  void UseProxy(int port) {
    CProxyInfo proxy;
    proxy.m_enabled = true;
    proxy.m_server = L"127.0.0.1";
    proxy.m_port = port;
    proxy.m_user = L"proxyuser";  // not sent: nothing says how to authenticate to the proxy
    proxy.m_password = L"proxypass";
    m_settings.SetHttpProxy(proxy);
  }
};

TEST_F(HttpProxyTest, TinyproxyCarriesQueryAndRangedBodyWithoutCredentials) {
  ScriptedServer upstream("fault_http", {"--size", "20000"});
  FERROW_START_OR_SKIP(upstream);
  HttpProxy proxy;
  FERROW_START_OR_SKIP(proxy);
  UseProxy(proxy.Port());
  m_settings.SetSendReferrer(true);

  std::string target = "127.0.0.1:" + std::to_string(upstream.Port()) + "/dir/file.bin";
  CHttpClient client(Context());
  ASSERT_TRUE(client.Open(Wide("http://user:secret@" + target)));
  ASSERT_TRUE(client.Connect()) << Error();
  SocketAddress peer;
  ASSERT_TRUE(SocketPeerAddress(client.Socket().Handle(), peer));
  EXPECT_EQ(peer.port, proxy.Port());
  ASSERT_TRUE(client.QueryInformation()) << Error();
  EXPECT_EQ(m_transfer.Size(), 20000u);
  client.Disconnect();

  CHttpClient part(Context());
  ASSERT_TRUE(part.Open(Wide("http://user:secret@" + target)) && part.Connect());
  CProxySocket* body = part.OpenData(5000);
  ASSERT_NE(body, nullptr) << Error();
  EXPECT_TRUE(ReadBytes(*body, 15000) == PatternBytes(5000, 15000));

  auto lines = proxy.RequestLines();
  ASSERT_EQ(lines.size(), 2u) << proxy.Log();
  for (const std::string& line : lines) {
    EXPECT_EQ(line, "GET http://" + target + " HTTP/1.1");
  }
  std::string log = proxy.Log();
  EXPECT_EQ(log.find("secret"), std::string::npos);
  EXPECT_EQ(log.find("proxypass"), std::string::npos);
  // What the proxy passed on: no Authorization, no credentials in the referrer.
  for (const std::string& header : upstream.LogLines("HEADER ")) {
    EXPECT_EQ(header.find("Authorization"), std::string::npos) << header;
    EXPECT_EQ(header.find("secret"), std::string::npos) << header;
  }
  EXPECT_EQ(upstream.LogLines("HEADER ").size() > 0, true);
}

}  // namespace
}  // namespace ferrow
