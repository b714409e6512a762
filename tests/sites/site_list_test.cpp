#include "sites/site_list.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <vector>

#include "tests/support/sandbox.h"

namespace ferrow {
namespace {

std::vector<std::wstring> Names(const CSiteList& list) {
  std::vector<std::wstring> names;
  for (const CSiteInfo& site : list) names.push_back(site.m_name);
  return names;
}

TEST(SiteListTest, AddKeepsCodeUnitOrderWithEqualNamesAfterExisting) {
  CSiteList list;
  list.Add(CSiteInfo(L"b"));
  list.Add(CSiteInfo(L"A"));
  list.Add(CSiteInfo(L"a"));
  const CSiteInfo& first = list.Add(CSiteInfo(L"b"));
  CSiteInfo second(L"b");
  second.m_server = L"second";
  list.Add(second);
  EXPECT_EQ(Names(list), (std::vector<std::wstring>{L"A", L"a", L"b", L"b", L"b"}));
  EXPECT_EQ(list.back().m_server, L"second");
  EXPECT_NE(&list.back(), &first);
}

TEST(SiteListTest, FindRemoveAndRenameById) {
  CSiteList list;
  const Guid a = list.Add(CSiteInfo(L"a")).m_id;
  const Guid c = list.Add(CSiteInfo(L"c")).m_id;
  list.Add(CSiteInfo(L"e"));
  ASSERT_TRUE(list.Rename(a, L"d"));
  EXPECT_EQ(Names(list), (std::vector<std::wstring>{L"c", L"d", L"e"}));
  ASSERT_TRUE(list.Rename(a, L"c"));  // equal name: after the existing one
  EXPECT_EQ(list.Find(a), &*std::next(list.begin()));
  EXPECT_TRUE(list.Remove(c));
  EXPECT_FALSE(list.Remove(c));
  EXPECT_EQ(list.Find(c), nullptr);
  EXPECT_FALSE(list.Rename(c, L"x"));
  EXPECT_EQ(Names(list), (std::vector<std::wstring>{L"c", L"e"}));
}

class SiteFileTest : public test::SandboxedTest {};

TEST_F(SiteFileTest, SitesRoundTripPrivatelyAndMissingFieldsKeepDefaults) {
  CSiteList list;
  CSiteInfo site(L"Mirror");
  site.m_server = L"ftp.example.org";
  site.m_port = 2121;
  site.m_protocol = 1;
  site.m_user = L"me";
  site.m_password = L"p\u00e4ss word";
  list.Add(site);
  const auto path = DataHome() / "Brennick" / "Ferrow" / CSiteList::kFileName;
  ASSERT_TRUE(list.Save(path));
  struct stat info {};
  ASSERT_EQ(stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);

  CSiteList loaded;
  ASSERT_TRUE(loaded.Load(path));
  ASSERT_EQ(loaded.size(), 1u);
  const CSiteInfo& back = loaded.front();
  EXPECT_EQ(back.m_id, site.m_id);
  EXPECT_EQ(back.m_name, L"Mirror");
  EXPECT_EQ(back.m_server, site.m_server);
  EXPECT_EQ(back.m_port, 2121);
  EXPECT_EQ(back.m_protocol, 1);
  EXPECT_EQ(back.m_user, L"me");
  EXPECT_EQ(back.m_password, site.m_password);

  test::WriteFileBytes(path, "<Root>\n<Site>\n<Name>x</Name>\n</Site>\n</Root>\n");
  ASSERT_TRUE(loaded.Load(path));
  ASSERT_EQ(loaded.size(), 1u);
  EXPECT_EQ(loaded.front().m_port, 21);
  EXPECT_EQ(loaded.front().m_protocol, 0);
  EXPECT_FALSE(loaded.front().m_id.IsNull());
}

}  // namespace
}  // namespace ferrow
