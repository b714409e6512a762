#include "net/login_list.h"

#include <gtest/gtest.h>

#include "store/xml_node.h"
#include "tests/support/sandbox.h"

namespace ferrow {
namespace {

TEST(LoginListTest, ServersCompareExactlyAndSetLoginReplacesInPlace) {
  CLoginList list;
  list.SetLogin(L"Host", L"u1", L"p1", true);
  list.SetLogin(L"host", L"u2", L"p2", true);
  list.SetLogin(L"other", L"u3", L"p3", true);
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list.Find(L"HOST"), nullptr);
  ASSERT_NE(list.Find(L"host"), nullptr);
  EXPECT_EQ(list.Find(L"host")->m_user, L"u2");

  list.SetLogin(L"Host", L"new", L"pw", false);
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[0].m_user, L"new");
  EXPECT_EQ(list[0].m_password, L"pw");
  EXPECT_FALSE(list[0].m_keep);
}

class LoginFileTest : public test::SandboxedTest {};

TEST_F(LoginFileTest, KeptLoginsRoundTripThroughAFile) {
  CLoginList list;
  list.SetLogin(L"ftp.example.org", L"anna", L"sécret", true);
  list.SetLogin(L"session.only", L"x", L"y", false);
  const auto path = SandboxDir() / "logins.xml";
  ASSERT_TRUE(list.Save(path));
  CLoginList loaded;
  ASSERT_TRUE(loaded.Load(path));
  ASSERT_EQ(loaded.size(), 1u);
  EXPECT_EQ(loaded[0].m_server, L"ftp.example.org");
  EXPECT_EQ(loaded[0].m_user, L"anna");
  EXPECT_EQ(loaded[0].m_password, L"sécret");
  EXPECT_TRUE(loaded[0].m_keep);
}

TEST(LoginListTest, OnlyKeptLoginsAreStoredAndLoadedOnesAreKept) {
  CLoginList list;
  list.SetLogin(L"a", L"ua", L"pa", true);
  list.SetLogin(L"b", L"ub", L"pb", false);
  list.SetLogin(L"c", L"uc", L"", true);
  CXmlNode node(L"SiteLogins");
  list.Exchange(true, node);
  ASSERT_EQ(node.GetChildCount(), 2u);
  EXPECT_EQ(node.GetChildren().front().GetName(), L"Login");
  EXPECT_EQ(node.GetChildren().front().GetChildCount(), 3u);

  std::string bytes;
  ASSERT_TRUE(node.Write(bytes, 1));
  // An empty password is an empty leaf and loads as the constructed (empty) value.
  EXPECT_NE(bytes.find("<Password></Password>"), std::string::npos);

  node.AddChild(L"Unexpected").AddChild(L"Server", L"d");
  CLoginList loaded;
  loaded.SetLogin(L"stale", L"x", L"y", false);
  loaded.Exchange(false, node);
  ASSERT_EQ(loaded.size(), 3u);
  EXPECT_EQ(loaded[0].m_server, L"a");
  EXPECT_EQ(loaded[0].m_password, L"pa");
  EXPECT_EQ(loaded[1].m_server, L"c");
  EXPECT_EQ(loaded[2].m_server, L"d");
  for (const CLoginInfo& login : loaded) EXPECT_TRUE(login.m_keep);

  const CLoginList copy = loaded;
  EXPECT_EQ(copy.size(), 3u);
  EXPECT_EQ(copy.Find(L"d")->m_server, L"d");
}

}  // namespace
}  // namespace ferrow
