#include "platform/browser_handover.h"

#include "tests/support/sandbox.h"

namespace ferrow {
namespace {

class BrowserHandoverTest : public test::SandboxedTest {};

TEST_F(BrowserHandoverTest, NewestNoteForTheExactUrlWithinItsLifetime) {
  const int64_t day = 24 * 60 * 60, now = 1800000000;
  ASSERT_TRUE(WriteBrowserHandoverNote({now - 8 * day, "http://a/old.zip", "", "x=1"}));
  ASSERT_TRUE(WriteBrowserHandoverNote({now - day, "http://a/f.zip", "http://a/", "s=1"}));
  ASSERT_TRUE(WriteBrowserHandoverNote({now, "http://a/f.zip", "http://a/p", "s=2"}));
  BrowserHandoverNote note;
  ASSERT_TRUE(FindBrowserHandoverNote("http://a/f.zip", now, note));
  EXPECT_EQ(note.cookies, "s=2");
  EXPECT_EQ(note.referrer, "http://a/p");
  EXPECT_FALSE(FindBrowserHandoverNote("http://a/F.zip", now, note));    // exact text only
  EXPECT_FALSE(FindBrowserHandoverNote("http://a/old.zip", now, note));  // expired
  EXPECT_FALSE(FindBrowserHandoverNote("http://a/f.zip", now + 7 * day, note));
  // One note per URL is kept; expired ones are dropped when the file is written.
  std::string text = test::ReadFileBytes(BrowserHandoverPath());
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1);
}

TEST_F(BrowserHandoverTest, FieldsThatCouldBreakTheFileAreRefusedAndTheCountIsBounded) {
  const int64_t now = 1800000000;
  EXPECT_FALSE(WriteBrowserHandoverNote({now, "http://a/x\tb", "", ""}));
  EXPECT_FALSE(WriteBrowserHandoverNote({now, "http://a/x", "", "a=1\nhttp://b\t\t"}));
  EXPECT_FALSE(WriteBrowserHandoverNote({now, "", "", "a=1"}));
  EXPECT_FALSE(WriteBrowserHandoverNote({now, "http://a/x", "", std::string(20000, 'c')}));
  EXPECT_FALSE(std::filesystem::exists(BrowserHandoverPath()));
  for (size_t i = 0; i < kBrowserHandoverNotes + 5; ++i)
    ASSERT_TRUE(WriteBrowserHandoverNote({now, "http://a/" + std::to_string(i), "", "c=1"}));
  BrowserHandoverNote note;
  EXPECT_FALSE(FindBrowserHandoverNote("http://a/4", now, note));  // the oldest went
  EXPECT_TRUE(FindBrowserHandoverNote("http://a/5", now, note));
  // Lines of another shape (a hand edit) are skipped, not fatal.
  test::WriteFileBytes(BrowserHandoverPath(), "garbage\n1800000000\thttp://a/z\t\tk=v\n");
  EXPECT_TRUE(FindBrowserHandoverNote("http://a/z", now, note));
  EXPECT_EQ(note.cookies, "k=v");
}

}  // namespace
}  // namespace ferrow
