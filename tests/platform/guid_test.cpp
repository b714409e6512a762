#include "platform/guid.h"

#include <gtest/gtest.h>

#include <set>

namespace ferrow {
namespace {

TEST(GuidTest, CreatedGuidsAreVersion4AndDistinct) {
  std::set<Guid> seen;
  for (int i = 0; i < 1000; ++i) {
    const Guid guid = Guid::Create();
    EXPECT_EQ(guid.bytes[6] >> 4, 4);
    EXPECT_EQ(guid.bytes[8] & 0xC0, 0x80);
    EXPECT_FALSE(guid.IsNull());
    seen.insert(guid);
  }
  EXPECT_EQ(seen.size(), 1000u);
  EXPECT_TRUE(Guid().IsNull());
}

TEST(GuidTest, TextIsLowerCaseHyphenatedAndParsesInEitherCase) {
  Guid guid;
  ASSERT_TRUE(Guid::Parse(L"0F8FAD5B-D9CB-469F-A165-70867728950E", guid));
  EXPECT_EQ(guid.bytes[0], 0x0F);
  EXPECT_EQ(guid.bytes[15], 0x0E);
  EXPECT_EQ(guid.ToString(), L"0f8fad5b-d9cb-469f-a165-70867728950e");
  Guid again;
  ASSERT_TRUE(Guid::Parse(guid.ToString(), again));
  EXPECT_EQ(again, guid);
  EXPECT_EQ(Guid().ToString(), L"00000000-0000-0000-0000-000000000000");
}

TEST(GuidTest, ParseRejectsOtherFormsAndLeavesTheValue) {
  const Guid before = Guid::Create();
  for (const wchar_t* bad :
       {L"", L"{0f8fad5b-d9cb-469f-a165-70867728950e}", L"0f8fad5bd9cb469fa16570867728950e",
        L"0f8fad5b-d9cb-469f-a165-70867728950", L"0f8fad5b-d9cb-469f-a165-70867728950g",
        L"0f8fad5b+d9cb-469f-a165-70867728950e", L"0f8fad5b-d9cb-469f-a165-70867728950e "}) {
    Guid guid = before;
    EXPECT_FALSE(Guid::Parse(bad, guid)) << bad;
    EXPECT_EQ(guid, before);
  }
}

}  // namespace
}  // namespace ferrow
