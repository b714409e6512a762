#include "download/download_list.h"

#include <gtest/gtest.h>

#include "tests/support/sandbox.h"

namespace ferrow {
namespace {

using test::ReadFileBytes;
using test::WriteFileBytes;

class DownloadListTest : public test::SandboxedTest {
 protected:
  std::filesystem::path File() const {
    return DataHome() / "Brennick" / "Ferrow" / CDownloadList::kFileName;
  }
};

TEST(DownloadInfoTest, NewRecordIsUnknownNeverStartedAndNotQueued) {
  const Guid folder = Guid::Create();
  CDownloadInfo info(L"http://example.com/a/b.zip", folder, L"/home/u/Downloads/b.zip");
  EXPECT_EQ(info.m_name, L"b.zip");
  EXPECT_EQ(info.m_folder, folder);
  EXPECT_EQ(info.m_size, kUnknownSize);
  EXPECT_EQ(info.m_date, kUnknownSize);
  EXPECT_EQ(info.m_left, -1);
  EXPECT_EQ(info.m_status, DownloadStatus::kNeverStarted);
  EXPECT_EQ(info.m_order, 0);
  EXPECT_EQ(CDownloadInfo::StatusStringId(info.m_status), 0);  // shown as "???"
  EXPECT_TRUE(CDownloadInfo().m_folder.IsNull());
  EXPECT_NE(CDownloadInfo().m_id, CDownloadInfo().m_id);
  // A copy is the same download.
  const CDownloadInfo copy = info;
  EXPECT_EQ(copy.m_id, info.m_id);
}

TEST(DownloadInfoTest, StatusTextsAndIconGroups) {
  EXPECT_EQ(CDownloadInfo::StatusStringId(DownloadStatus::kQueued), 2500);
  EXPECT_EQ(CDownloadInfo::StatusStringId(DownloadStatus::kCompleted), 2507);
  EXPECT_EQ(CDownloadInfo::StatusStringId(StatusFromNumber(8)), 0);
  const int icons[] = {0, 2, 2, 1, 1, 1, 1, 3};
  for (int status = 0; status < 8; ++status)
    EXPECT_EQ(CDownloadInfo::StatusIcon(StatusFromNumber(status)), icons[status]);
  EXPECT_EQ(CDownloadInfo::StatusIcon(DownloadStatus::kNeverStarted), -1);
}

TEST_F(DownloadListTest, EveryFieldRoundTripsInTheStoredOrder) {
  CDownloadList list;
  CDownloadInfo info(L"ftp://h/x y.iso", Guid::Create(), L"/d/x y.iso");
  info.m_comment = L"note \u00e9";
  info.m_done = 1234567890123ull;
  info.m_date = 99;
  info.m_progress = 42;
  info.m_elapsed = 3600;
  info.m_speed = 1000;
  info.m_status = DownloadStatus::kFailed;
  info.m_error = static_cast<int32_t>(0x00030194);  // HTTP 404
  info.m_order = 3;
  list.push_back(info);
  list.push_back(CDownloadInfo());
  ASSERT_TRUE(list.Save(File()));

  const std::string bytes = ReadFileBytes(File());
  const char* order[] = {"<Download ID=\"", "<Folder>",   "<Name>",    "<URL>",
                         "<File>",          "<Comment>",  "<Size>",    "<Date>",
                         "<Done>",          "<Progress>", "<Elapsed>", "<Left>",
                         "<Speed>",         "<Status>",   "<Error>",   "<Order>"};
  size_t at = 0;
  for (const char* tag : order) {
    const size_t found = bytes.find(tag, at);
    ASSERT_NE(found, std::string::npos) << tag;
    at = found;
  }
  EXPECT_NE(bytes.find("<Size>18446744073709551615</Size>"), std::string::npos);
  EXPECT_NE(bytes.find("<Comment></Comment>"), std::string::npos);

  CDownloadList loaded;
  ASSERT_TRUE(loaded.Load(File()));
  ASSERT_EQ(loaded.size(), 2u);
  const CDownloadInfo& back = loaded.front();
  EXPECT_EQ(back.m_id, info.m_id);
  EXPECT_EQ(back.m_folder, info.m_folder);
  EXPECT_EQ(back.m_name, L"x y.iso");
  EXPECT_EQ(back.m_url, info.m_url);
  EXPECT_EQ(back.m_file, info.m_file);
  EXPECT_EQ(back.m_comment, info.m_comment);
  EXPECT_EQ(back.m_size, kUnknownSize);
  EXPECT_EQ(back.m_date, 99u);
  EXPECT_EQ(back.m_done, info.m_done);
  EXPECT_EQ(back.m_progress, 42);
  EXPECT_EQ(back.m_elapsed, 3600);
  EXPECT_EQ(back.m_left, -1);
  EXPECT_EQ(back.m_speed, 1000);
  EXPECT_EQ(back.m_status, DownloadStatus::kFailed);
  EXPECT_EQ(back.m_error, info.m_error);
  EXPECT_EQ(back.m_order, 3);
  EXPECT_EQ(loaded.back().m_status, DownloadStatus::kNeverStarted);
}

TEST_F(DownloadListTest, PartialRecordsKeepConstructedValues) {
  std::filesystem::create_directories(File().parent_path());
  WriteFileBytes(File(),
                 "<Root>\r\n"
                 "    <Download ID=\"0F8FAD5B-D9CB-469F-A165-70867728950E\">\r\n"
                 "        <URL>http://a/b</URL>\r\n"
                 "        <Status>7 done</Status>\r\n"
                 "    </Download>\r\n"
                 "    <Item>\r\n"
                 "        <Size>10</Size>\r\n"
                 "    </Item>\r\n"
                 "</Root>\r\n");
  CDownloadList list;
  ASSERT_TRUE(list.Load(File()));
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list.front().m_id.ToString(), L"0f8fad5b-d9cb-469f-a165-70867728950e");
  EXPECT_EQ(list.front().m_status, DownloadStatus::kCompleted);
  EXPECT_EQ(list.front().m_size, kUnknownSize);
  EXPECT_EQ(list.front().m_left, -1);
  EXPECT_EQ(list.back().m_size, 10u);
  EXPECT_FALSE(list.back().m_id.IsNull());
}

TEST(DownloadListFindTest, UrlsCompareExactly) {
  CDownloadList list;
  list.push_back(CDownloadInfo(L"http://a/File.zip", Guid(), L"/d/File.zip"));
  list.push_back(CDownloadInfo(L"http://a/file.zip", Guid(), L"/d/file.zip"));
  list.push_back(CDownloadInfo(L"http://a/file.zip", Guid(), L"/d/file(2).zip"));
  ASSERT_NE(list.FindByUrl(L"http://a/file.zip"), nullptr);
  EXPECT_EQ(list.FindByUrl(L"http://a/file.zip")->m_file, L"/d/file.zip");
  EXPECT_EQ(list.FindByUrl(L"http://a/FILE.zip"), nullptr);
}

}  // namespace
}  // namespace ferrow
