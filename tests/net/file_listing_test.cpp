#include "net/file_listing.h"

#include <gtest/gtest.h>

namespace ferrow {
namespace {

TEST(FileListingTest, KeepsServerOrderAndCopiesByReplacing) {
  CFileListing listing;
  listing.Add(CEntryInfo(L"..", CEntryInfo::kTypeDirectory));
  listing.Add(CEntryInfo(L"b", CEntryInfo::kTypeFile));
  listing.Add(CEntryInfo(L"a", CEntryInfo::kTypeFile));
  CFileListing copy;
  copy.Add(CEntryInfo(L"stale", CEntryInfo::kTypeFile));
  copy.Copy(listing);
  ASSERT_EQ(copy.GetCount(), 3u);
  EXPECT_EQ(copy.GetAt(0).GetName(), L"..");
  EXPECT_EQ(copy.GetAt(1).GetName(), L"b");
  EXPECT_EQ(copy.GetAt(2).GetName(), L"a");
  copy.Copy(copy);
  EXPECT_EQ(copy.GetCount(), 3u);
  copy.Clear();
  EXPECT_TRUE(copy.IsEmpty());
  EXPECT_EQ(listing.GetCount(), 3u);
}

}  // namespace
}  // namespace ferrow
