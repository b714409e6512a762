#include "download/folder_info.h"

#include <gtest/gtest.h>

#include <vector>

#include "download/download_info.h"
#include "platform/text.h"
#include "tests/support/sandbox.h"

namespace ferrow {
namespace {

std::vector<std::wstring> Names(const CFolderList& list) {
  std::vector<std::wstring> names;
  for (const CFolderInfo& folder : list) names.push_back(folder.m_name);
  return names;
}

CFileInfo File(uint64_t size) {
  CFileInfo file;
  file.m_size = size;
  return file;
}

TEST(FolderInfoTest, PathsJoinWithExactlyOneSeparator) {
  EXPECT_EQ(CFolderInfo::JoinPath(L"/home/u/Downloads/", L"Music"), L"/home/u/Downloads/Music/");
  EXPECT_EQ(CFolderInfo::JoinPath(L"/home/u/Downloads//", L"/Music//"),
            L"/home/u/Downloads/Music/");
  EXPECT_EQ(CFolderInfo::JoinPath(L"/", L"x"), L"/x/");
  EXPECT_EQ(CFolderInfo::JoinPath(L"/d/", L""), L"/d/");
  CFolderInfo root;
  root.m_path = L"/d/";
  EXPECT_EQ(root.AddFolder(L"Video").m_path, L"/d/Video/");
}

TEST(FolderInfoTest, SubFoldersAreOrderedByCodeUnits) {
  CFolderInfo root;
  root.m_path = L"/d/";
  root.AddFolder(L"beta");
  root.AddFolder(L"alpha");
  root.AddFolder(L"Alpha");
  root.AddFolder(L"\u00c4rger");
  root.AddFolder(L"alpha");
  EXPECT_EQ(Names(root.m_folders),
            (std::vector<std::wstring>{L"Alpha", L"alpha", L"alpha", L"beta", L"\u00c4rger"}));
}

TEST(FolderInfoTest, FindIsDepthFirstAndAddFileFallsBackToTheRoot) {
  CFolderInfo root;
  CFolderInfo& a = root.AddFolder(L"a");
  CFolderInfo& a1 = a.AddFolder(L"a1");
  CFolderInfo& a11 = a1.AddFolder(L"a11");
  CFolderInfo& b = root.AddFolder(L"b");
  EXPECT_EQ(root.FindFolder(a11.m_id), &a11);
  EXPECT_EQ(root.FindFolder(b.m_id), &b);
  EXPECT_EQ(root.FindFolder(root.m_id), nullptr);  // the folder itself is not searched
  EXPECT_EQ(a.FindFolder(b.m_id), nullptr);
  // A duplicated ID (hand-edited file): the one met first depth-first wins.
  b.AddFolder(L"b1").m_id = a11.m_id;
  EXPECT_EQ(root.FindFolder(a11.m_id), &a11);

  root.AddFile(a11.m_id, File(5));
  root.AddFile(Guid::Create(), File(7));
  ASSERT_EQ(a11.m_files.size(), 1u);
  ASSERT_EQ(root.m_files.size(), 1u);
  EXPECT_EQ(root.m_files.front().m_size, 7u);
}

TEST(FolderInfoTest, TotalsAndCountsCoverEveryLevel) {
  CFolderInfo root;
  root.m_files.push_back(File(1));
  CFolderInfo& a = root.AddFolder(L"a");
  a.m_files.push_back(File(10));
  CFolderInfo& deep = a.AddFolder(L"x").AddFolder(L"y");
  deep.m_files.push_back(File(100));
  deep.m_files.push_back(File(1000));
  root.AddFolder(L"b");
  EXPECT_EQ(root.GetTotalSize(), 1111u);
  EXPECT_EQ(root.GetFolderCount(), 4u);
  EXPECT_EQ(root.GetFileCount(), 4u);
  EXPECT_EQ(a.GetTotalSize(), 1110u);
  EXPECT_EQ(a.GetFolderCount(), 2u);
  deep.m_files.push_back(File(kUnknownSize));
  EXPECT_EQ(root.GetTotalSize(), UINT64_MAX);  // saturates instead of wrapping
}

TEST(FolderInfoTest, RenameMovesWithinTheParentAndKeepsPathAndContents) {
  CFolderInfo root;
  root.m_path = L"/d/";
  CFolderInfo& a = root.AddFolder(L"a");
  root.AddFolder(L"m");
  CFolderInfo& sub = a.AddFolder(L"q");
  a.AddFolder(L"r");
  sub.m_files.push_back(File(3));
  const Guid subId = sub.m_id;
  const Guid aId = a.m_id;
  ASSERT_TRUE(root.RenameFolder(aId, L"z"));
  EXPECT_EQ(Names(root.m_folders), (std::vector<std::wstring>{L"m", L"z"}));
  const CFolderInfo* renamed = root.FindFolder(aId);
  ASSERT_NE(renamed, nullptr);
  EXPECT_EQ(renamed->m_path, L"/d/a/");
  EXPECT_EQ(renamed->GetFileCount(), 1u);
  ASSERT_TRUE(root.RenameFolder(subId, L"s"));
  EXPECT_EQ(Names(renamed->m_folders), (std::vector<std::wstring>{L"r", L"s"}));
  EXPECT_FALSE(root.RenameFolder(Guid::Create(), L"x"));
  ASSERT_TRUE(root.RemoveFolder(subId));
  EXPECT_EQ(root.GetFolderCount(), 3u);
}

TEST(FolderInfoTest, DefaultsComeFromTheLanguageStrings) {
  CFolderInfo root;
  root.m_name = L"old";
  root.AddFolder(L"old");
  root.m_files.push_back(File(1));
  root.SetDefaults(L"/home/u/Downloads", [](int id) { return L"S" + std::to_wstring(id); });
  EXPECT_EQ(root.m_name, L"");
  EXPECT_EQ(root.m_path, L"/home/u/Downloads/");
  EXPECT_TRUE(root.m_files.empty());
  ASSERT_EQ(Names(root.m_folders),
            (std::vector<std::wstring>{L"S1101", L"S1102", L"S1103", L"S1104"}));
  EXPECT_EQ(root.m_folders.back().m_path, L"/home/u/Downloads/S1104/");
}

TEST(FileInfoTest, MadeFromACompletedDownload) {
  CDownloadInfo download(L"http://h/f.bin", Guid(), L"/d/f.bin");
  download.m_comment = L"c";
  download.m_size = 77;
  const CFileInfo file(download, 1700000000);
  EXPECT_EQ(file.m_name, L"f.bin");
  EXPECT_EQ(file.m_url, download.m_url);
  EXPECT_EQ(file.m_file, download.m_file);
  EXPECT_EQ(file.m_comment, L"c");
  EXPECT_EQ(file.m_size, 77u);
  EXPECT_EQ(file.m_date, 1700000000u);
}

class FolderFileTest : public test::SandboxedTest {};

TEST_F(FolderFileTest, TheWholeTreeRoundTripsThroughItsFile) {
  CFolderInfo root;
  root.SetDefaults(DownloadDir().wstring(), [](int id) { return std::to_wstring(id); });
  CFolderInfo& music = root.AddFolder(L"Music");
  CFolderInfo& jazz = music.AddFolder(L"Jazz");
  CDownloadInfo download(L"http://h/a.mp3", jazz.m_id, jazz.m_path + L"a.mp3");
  download.m_size = UINT64_MAX - 1;
  root.AddFile(jazz.m_id, CFileInfo(download, 1234));
  root.AddFile(Guid(), CFileInfo(download, 5));
  const auto path = DataHome() / "Brennick" / "Ferrow" / CFolderInfo::kFileName;
  ASSERT_TRUE(root.Save(path));
  const std::string bytes = test::ReadFileBytes(path);
  // The root folder's fields stand directly in the file's root element, its ID as its attribute.
  const std::string head =
      "<Root ID=\"" + WideToUtf8(root.m_id.ToString()) + "\">\r\n    <Name></Name>\r\n    <Path>";
  EXPECT_EQ(bytes.rfind(head, 0), 0u) << bytes.substr(0, 80);

  CFolderInfo loaded;
  ASSERT_TRUE(loaded.Load(path));
  EXPECT_EQ(loaded.m_id, root.m_id);
  EXPECT_EQ(loaded.m_path, root.m_path);
  EXPECT_EQ(loaded.GetFolderCount(), 6u);
  EXPECT_EQ(loaded.GetFileCount(), 2u);
  const CFolderInfo* back = loaded.FindFolder(jazz.m_id);
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->m_path, jazz.m_path);
  ASSERT_EQ(back->m_files.size(), 1u);
  EXPECT_EQ(back->m_files.front().m_size, UINT64_MAX - 1);
  EXPECT_EQ(back->m_files.front().m_date, 1234u);
  EXPECT_EQ(Names(loaded.m_folders), Names(root.m_folders));

  // Reloading over a tree with content: lists that are empty in the file come back empty.
  CFolderInfo empty;
  ASSERT_TRUE(empty.Save(path));
  ASSERT_TRUE(loaded.Load(path));
  EXPECT_EQ(loaded.GetFolderCount(), 0u);
  EXPECT_EQ(loaded.GetFileCount(), 0u);
  EXPECT_EQ(loaded.m_id, empty.m_id);
}

}  // namespace
}  // namespace ferrow
