#include "download/history_list.h"

#include <gtest/gtest.h>

#include "download/download_info.h"
#include "tests/support/sandbox.h"

namespace ferrow {
namespace {

class HistoryListTest : public test::SandboxedTest {};

TEST_F(HistoryListTest, EntriesAppendAndRoundTripWithoutAnId) {
  CDownloadInfo download(L"http://h/a.zip", Guid(), L"/d/a.zip");
  download.m_comment = L"kept";
  download.m_size = 4096;
  CHistoryList history;
  history.Add(CHistoryInfo(download, 1700000000));
  // Times past 2038 are cut to 32 bits, as stored.
  history.Add(CHistoryInfo(download, int64_t{1} << 32 | 5));
  EXPECT_EQ(history.back().m_date, 5);

  const auto path = DataHome() / "Brennick" / "Ferrow" / CHistoryList::kFileName;
  ASSERT_TRUE(history.Save(path));
  const std::string bytes = test::ReadFileBytes(path);
  EXPECT_NE(
      bytes.find(
          "    <History>\r\n        <Name>a.zip</Name>\r\n        <URL>http://h/a.zip</URL>\r\n"
          "        <File>/d/a.zip</File>\r\n        <Comment>kept</Comment>\r\n"
          "        <Size>4096</Size>\r\n        <Date>1700000000</Date>\r\n    </History>\r\n"),
      std::string::npos)
      << bytes;
  EXPECT_EQ(bytes.find("ID="), std::string::npos);

  CHistoryList loaded;
  ASSERT_TRUE(loaded.Load(path));
  ASSERT_EQ(loaded.size(), 2u);
  EXPECT_EQ(loaded.front().m_name, L"a.zip");
  EXPECT_EQ(loaded.front().m_comment, L"kept");
  EXPECT_EQ(loaded.front().m_size, 4096u);
  EXPECT_EQ(loaded.front().m_date, 1700000000);
  EXPECT_EQ(loaded.back().m_date, 5);
}

}  // namespace
}  // namespace ferrow
