#include "net/proxy_info.h"

#include <gtest/gtest.h>

#include "store/xml_node.h"
#include "tests/support/sandbox.h"

namespace ferrow {
namespace {

TEST(ProxyInfoTest, LeavesInOrderAndBooleanForms) {
  CProxyInfo proxy;
  proxy.m_enabled = true;
  proxy.m_server = L"10.0.0.1";
  proxy.m_port = 1080;
  proxy.m_user = L"u";
  proxy.m_password = L"p";
  CXmlNode node(L"SocksProxy");
  proxy.Exchange(true, node);
  std::string bytes;
  ASSERT_TRUE(node.Write(bytes, 1));
  EXPECT_EQ(
      bytes,
      "    <SocksProxy>\r\n        <Enabled>True</Enabled>\r\n        <Server>10.0.0.1</Server>\r\n"
      "        <Port>1080</Port>\r\n        <User>u</User>\r\n        <Password>p</Password>\r\n"
      "    </SocksProxy>\r\n");

  CProxyInfo loaded;
  loaded.Exchange(false, node);
  const auto dir = test::MakeTempDir("ferrow-proxy-");
  ASSERT_TRUE(proxy.Save(dir / "proxy.xml"));
  CProxyInfo fromFile;
  ASSERT_TRUE(fromFile.Load(dir / "proxy.xml"));
  std::filesystem::remove_all(dir);
  EXPECT_TRUE(fromFile.m_enabled);
  EXPECT_EQ(fromFile.m_port, 1080);
  EXPECT_EQ(fromFile.m_password, L"p");
  EXPECT_TRUE(loaded.m_enabled);
  EXPECT_EQ(loaded.m_server, L"10.0.0.1");
  EXPECT_EQ(loaded.m_port, 1080);
  EXPECT_EQ(loaded.m_user, L"u");
  EXPECT_EQ(loaded.m_password, L"p");

  for (const auto& [text, expected] :
       {std::pair{L"true", true}, {L"TRUE", true}, {L"1", false}, {L"yes", false}}) {
    CXmlNode other(L"P");
    other.AddChild(L"Enabled", text);
    CProxyInfo parsed;
    parsed.m_enabled = !expected;
    parsed.Exchange(false, other);
    EXPECT_EQ(parsed.m_enabled, expected) << text;
  }
  CXmlNode empty(L"P");
  CProxyInfo defaults;
  defaults.Exchange(false, empty);
  EXPECT_FALSE(defaults.m_enabled);
  EXPECT_EQ(defaults.m_port, 0);
}

}  // namespace
}  // namespace ferrow
