#include "app/download_rows.h"

#include <gtest/gtest.h>

#include "download/download_list.h"

namespace ferrow {
namespace {

DownloadLive Plain(const CDownloadInfo&) {
  return DownloadLive();
}

// Views that asked at different revisions each learn exactly the rows that moved since theirs:
// added ones at the end, changed ones, removed ones; nothing moves, nothing is reported.
TEST(DownloadRowsTest, EachViewLearnsWhatChangedSinceItsRevision) {
  CDownloadList list;
  CDownloadRows rows;
  list.emplace_back(L"http://a/1", Guid(), L"/tmp/1");
  list.emplace_back(L"http://a/2", Guid(), L"/tmp/2");
  ASSERT_TRUE(rows.Refresh(list, Plain));
  const uint64_t first = rows.Revision();
  DownloadChanges all = rows.ChangesSince(0);
  ASSERT_EQ(all.added.size(), 2u);
  EXPECT_EQ(all.added[0], list.front().m_id);
  EXPECT_TRUE(all.changed.empty());

  EXPECT_FALSE(rows.Refresh(list, Plain));
  EXPECT_EQ(rows.Revision(), first);
  EXPECT_TRUE(rows.ChangesSince(first).IsEmpty());

  list.front().m_done = 500;
  const Guid removed = list.back().m_id;
  list.pop_back();
  list.emplace_back(L"http://a/3", Guid(), L"/tmp/3");
  ASSERT_TRUE(rows.Refresh(list, Plain));
  DownloadChanges since = rows.ChangesSince(first);
  EXPECT_EQ(since.changed, std::vector<Guid>{list.front().m_id});
  EXPECT_EQ(since.added, std::vector<Guid>{list.back().m_id});
  EXPECT_EQ(since.removed, std::vector<Guid>{removed});
  EXPECT_EQ(since.revision, rows.Revision());
  // A view that never looked sees the rows that exist, all as added.
  EXPECT_EQ(rows.ChangesSince(0).added.size(), 2u);
  EXPECT_TRUE(rows.ChangesSince(0).changed.empty());
}

// Rows are matched by position while the list keeps its order; a list that moves, shrinks at
// its end or loses a row after quiet refreshes still reports exactly what happened.
TEST(DownloadRowsTest, MovedAndRemovedRowsAfterQuietRefreshes) {
  CDownloadList list;
  CDownloadRows rows;
  for (int i = 0; i < 4; ++i) list.emplace_back(L"http://a/" + std::to_wstring(i), Guid(), L"/t");
  ASSERT_TRUE(rows.Refresh(list, Plain));
  EXPECT_FALSE(rows.Refresh(list, Plain));
  EXPECT_FALSE(rows.Refresh(list, Plain));
  uint64_t seen = rows.Revision();

  list.splice(list.begin(), list, std::prev(list.end()));  // the last row moves to the top
  EXPECT_FALSE(rows.Refresh(list, Plain));
  std::vector<Guid> order;
  for (const CDownloadInfo& record : list) order.push_back(record.m_id);
  EXPECT_EQ(rows.ChangesSince(0).added, order);

  const Guid last = list.back().m_id;
  list.pop_back();
  ASSERT_TRUE(rows.Refresh(list, Plain));
  EXPECT_EQ(rows.ChangesSince(seen).removed, std::vector<Guid>{last});
  seen = rows.Revision();

  const Guid second = std::next(list.begin())->m_id;
  list.erase(std::next(list.begin()));
  list.back().m_status = DownloadStatus::kCompleted;
  ASSERT_TRUE(rows.Refresh(list, Plain));
  const DownloadChanges changes = rows.ChangesSince(seen);
  EXPECT_EQ(changes.removed, std::vector<Guid>{second});
  EXPECT_EQ(changes.changed, std::vector<Guid>{list.back().m_id});
  EXPECT_TRUE(changes.added.empty());
  EXPECT_EQ(rows.ChangesSince(0).added.size(), 2u);
}

TEST(DownloadRowsTest, AViewOlderThanTheRememberedRemovalsReloads) {
  CDownloadList list;
  CDownloadRows rows;
  rows.Refresh(list, Plain);
  for (size_t i = 0; i < CDownloadRows::kRemovedKept + 2; ++i) {
    list.emplace_back(L"http://a/x", Guid(), L"/tmp/x");
    rows.Refresh(list, Plain);
    list.clear();
    rows.Refresh(list, Plain);
  }
  EXPECT_TRUE(rows.ChangesSince(1).reload);
  EXPECT_FALSE(rows.ChangesSince(rows.Revision() - 1).reload);
  EXPECT_EQ(rows.ChangesSince(rows.Revision() - 1).removed.size(), 1u);
}

}  // namespace
}  // namespace ferrow
