// IPv6: servers on ::1 (nginx, and pyftpdlib with every data connection) reached by literal and
// by name, a name whose IPv6 address is dead falls back to its IPv4 one, and SOCKS 5 carries
// IPv6 addresses and names for the proxy to resolve.
// Names come from a hosts text the test gives the resolver, never from the machine's files.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "download/file_transfer.h"
#include "net/ftp_reply.h"
#include "net/internet_url.h"
#include "platform/socket.h"
#include "tests/download/real_transfer_fixture.h"
#include "tests/support/ftp_server.h"
#include "tests/support/nginx_server.h"
#include "tests/support/scripted_server.h"
#include "tests/support/test_data.h"

namespace ferrow {
namespace {

class Ipv6Test : public test::RealTransferTest {
 protected:
  void TearDown() override {
    SetLookupOverride("");
    test::RealTransferTest::TearDown();
  }
};

TEST(Ipv6AddressTest, BracketedLiteralsAndExtendedPassiveReplies) {
  CInternetURL url(L"http://user:pw@[::1]:8080/x/file.bin?q=1");
  EXPECT_EQ(url.Host(), L"::1");
  EXPECT_EQ(url.Port(), 8080);
  EXPECT_EQ(url.User(), L"user");
  EXPECT_EQ(url.Password(), L"pw");
  EXPECT_EQ(url.FileName(), L"file.bin");
  EXPECT_EQ(CInternetURL(L"ftp://[fe80::1]/").Port(), 21);
  url.SetUser(L"");
  url.SetPath(L"/");
  EXPECT_EQ(url.Format(), L"http://[::1]:8080/file.bin");
  // Only an address goes into brackets: another host with a colon prints as it is and reads
  // back the same (found by the fuzzer).
  // A host that only looks like an address is bracketed when printed; the user name read
  // before it, colon and all, reads back the same.
  for (const wchar_t* text :
       {L"ftp://anon@hanon@hosf:+x/", L"http://[:o1]:8080/x", L"ftp://:p.host:8e@:0."}) {
    CInternetURL odd(text);
    odd.SetFileName(L"");
    const CInternetURL again(odd.Format());
    EXPECT_EQ(again.Host(), odd.Host()) << text;
    EXPECT_EQ(again.User(), odd.User()) << text;
    EXPECT_EQ(again.Password(), odd.Password()) << text;
  }
  IpAddress address;
  ASSERT_TRUE(ParseNumericAddress("[::1]", address));
  EXPECT_FALSE(address.IsIpv4());
  EXPECT_EQ(address.Text(), "::1");

  uint16_t port = 0;
  EXPECT_TRUE(ParseExtendedPassiveReply("Entering Extended Passive Mode (|||6446|)", port));
  EXPECT_EQ(port, 6446);
  for (const char* bad :
       {"(|||0|)", "(|||65536|)", "(||6446|)", "(11164461)", "no brackets", "(|||6446"})
    EXPECT_FALSE(ParseExtendedPassiveReply(bad, port)) << bad;
}

TEST_F(Ipv6Test, ServerOnLoopbackSixByLiteralAndByName) {
  test::NginxServer nginx({.ipv6Only = true});
  FERROW_START_OR_SKIP(nginx);
  const std::string content = test::PatternBytes(0, 1'000'001);
  test::WriteFileBytes(nginx.Root() / "file.bin", content);
  m_settings.SetMaxThreads(3);
  ExpectFile(*Run(nginx.Url("/file.bin")), content);  // http://[::1]:port/
  std::filesystem::remove(Target());
  SetLookupOverride("::1 six.test\n");
  ExpectFile(*Run("http://six.test:" + std::to_string(nginx.Port()) + "/file.bin"), content);
}

// A real FTP server on ::1: the control connection and every part's data connection over
// IPv6, so extended passive mode, which names no address.
TEST_F(Ipv6Test, FtpServerOnLoopbackSixInParts) {
  test::FtpServer ftp({.ipv6 = true});
  FERROW_START_OR_SKIP(ftp);
  const std::string content = test::PatternBytes(0, 2'000'003);
  test::WriteFileBytes(ftp.Root() / "file.bin", content);
  m_settings.SetMaxThreads(3);
  ExpectFile(*Run(ftp.Url("/file.bin")), content);
  const std::vector<std::string> commands = ftp.Commands();
  EXPECT_GE(std::count(commands.begin(), commands.end(), "EPSV"), 3);
  EXPECT_EQ(std::count(commands.begin(), commands.end(), "PASV"), 0);
}

TEST_F(Ipv6Test, ADeadIpv6AddressFallsBackToTheLiveIpv4One) {
  test::NginxServer nginx;
  FERROW_START_OR_SKIP(nginx);
  const std::string content = test::PatternBytes(0, 300000);
  test::WriteFileBytes(nginx.Root() / "file.bin", content);
  m_settings.SetMaxThreads(2);
  // 100::1 is in the discard-only prefix (RFC 6666): nothing ever answers there.
  SetLookupOverride("100::1 both.test\n::1 both.test\n127.0.0.1 both.test\n");
  ExpectFile(*Run("http://both.test:" + std::to_string(nginx.Port()) + "/file.bin"), content);
}

TEST_F(Ipv6Test, SocksCarriesIpv6AddressesAndNamesForTheProxy) {
  test::NginxServer nginx({.ipv6Only = true});
  FERROW_START_OR_SKIP(nginx);
  test::ScriptedServer socks("fault_socks");
  FERROW_START_OR_SKIP(socks);
  const std::string content = test::PatternBytes(0, 200000);
  test::WriteFileBytes(nginx.Root() / "file.bin", content);
  CProxyInfo proxy;
  proxy.m_enabled = true;
  proxy.m_server = L"127.0.0.1";
  proxy.m_port = socks.Port();
  m_settings.SetSocksProxy(proxy);
  ExpectFile(*Run(nginx.Url("/file.bin")), content);
  std::filesystem::remove(Target());
  // The proxy resolves "localhost" itself: Ferrow's resolver is never asked (the override
  // would send it elsewhere).
  SetLookupOverride("192.0.2.1 localhost\n");
  proxy.m_remoteNames = true;
  m_settings.SetSocksProxy(proxy);
  test::NginxServer four;
  FERROW_START_OR_SKIP(four);
  test::WriteFileBytes(four.Root() / "file.bin", content);
  ExpectFile(*Run("http://localhost:" + std::to_string(four.Port()) + "/file.bin"), content);
  const std::string port = std::to_string(nginx.Port());
  const std::vector<std::string> requests = socks.LogLines("REQUEST");
  ASSERT_FALSE(requests.empty());
  EXPECT_NE(requests.front().find("::1:" + port), std::string::npos) << requests.front();
  EXPECT_NE(requests.back().find("localhost:" + std::to_string(four.Port())), std::string::npos)
      << requests.back();
}

}  // namespace
}  // namespace ferrow
