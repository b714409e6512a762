#include "download/resume_block.h"
#include "download/segment_plan.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/text.h"
#include "tests/support/sandbox.h"

namespace ferrow {
namespace {

uint64_t Le64(const std::string& bytes, size_t offset) {
  uint64_t value = 0;
  for (int i = 7; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(bytes[offset + i]);
  return value;
}

uint32_t Le32(const std::string& bytes, size_t offset) {
  return static_cast<uint32_t>(Le64(bytes.substr(offset, 4) + std::string(4, '\0'), 0));
}

class ResumeBlockTest : public test::SandboxedTest {
 protected:
  std::wstring Path() const { return Utf8ToWide((SandboxDir() / "file.bin.fr").string()); }
};

TEST(ResumeBlockSplitTest, IntegerDivisionLastPartTakesTheRemainder) {
  uint64_t starts[kMaxParts];
  uint64_t lengths[kMaxParts];
  CSegmentPlan::SplitParts(10, 3, starts, lengths);
  EXPECT_EQ(starts[0], 0u);
  EXPECT_EQ(starts[1], 3u);
  EXPECT_EQ(starts[2], 6u);
  EXPECT_EQ(lengths[0], 3u);
  EXPECT_EQ(lengths[1], 3u);
  EXPECT_EQ(lengths[2], 4u);

  CSegmentPlan::SplitParts(1, 64, starts, lengths);
  for (int i = 0; i < 63; ++i) EXPECT_EQ(lengths[i], 0u) << i;
  EXPECT_EQ(starts[63], 0u);
  EXPECT_EQ(lengths[63], 1u);

  EXPECT_EQ(CResumeBlock::FileLength(0), kResumeBlockSize);
  EXPECT_EQ(CResumeBlock::FileLength(1), 65536u + kResumeBlockSize);
  EXPECT_EQ(CResumeBlock::FileLength(65536), 65536u + kResumeBlockSize);
  EXPECT_EQ(CResumeBlock::FileLength(65537), 131072u + kResumeBlockSize);
}

// The bytes on disk are the portable format: offsets, little-endian numbers, UTF-16LE URL.
TEST_F(ResumeBlockTest, WritesTheExactLayout) {
  std::wstring url = L"http://example.org/\u00e9t\u00e9/\U0001F600.bin";
  {
    CResumeBlock block;
    ASSERT_EQ(block.Create(Path(), url, 100000, 0x0102030405060708ull, 3), 0u);
    block.SetPartDone(1, 77);
  }
  std::string file = test::ReadFileBytes(SandboxDir() / "file.bin.fr");
  ASSERT_EQ(file.size(), 131072u + kResumeBlockSize);
  std::string b = file.substr(131072);
  EXPECT_EQ(Le32(b, 0), 0u);
  EXPECT_EQ(b.substr(4, 10), std::string("F\0R\0T\0D\0\0\0", 10));
  EXPECT_EQ(Le32(b, 16), 2u);
  std::string utf16 = WideToUtf16Le(url);
  EXPECT_EQ(b.substr(20, utf16.size()), utf16);
  EXPECT_EQ(b.substr(20 + utf16.size(), 2), std::string("\0\0", 2));
  EXPECT_EQ(Le64(b, 8216), 100000u);
  EXPECT_EQ(Le64(b, 8224), 0x0102030405060708ull);
  EXPECT_EQ(Le32(b, 8232), 3u);
  EXPECT_EQ(Le64(b, 8240 + 16), 66666u);
  EXPECT_EQ(Le64(b, 8752 + 16), 33334u);
  EXPECT_EQ(Le64(b, 9264 + 8), 77u);
  // Unused entries and padding stay zero.
  EXPECT_EQ(Le64(b, 8240 + 24), 0u);
  EXPECT_EQ(Le32(b, 8212), 0u);
  EXPECT_NE(Le32(b, 8236), 0u);  // the checksum
}

// A block written elsewhere, byte by byte, reads back and is accepted.
TEST_F(ResumeBlockTest, ReadsABlockBuiltByHand) {
  std::string file(65536 + kResumeBlockSize, '\0');
  auto put = [&file](size_t offset, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) file[65536 + offset + i] = static_cast<char>(value >> (8 * i));
  };
  file.replace(65536 + 4, 10, std::string("F\0R\0T\0D\0\0\0", 10));
  put(16, 1, 4);
  std::string url = WideToUtf16Le(L"ftp://h/f");
  file.replace(65536 + 20, url.size(), url);
  put(8216, 10, 8);
  put(8224, 42, 8);
  put(8232, 2, 4);
  put(8240 + 8, 5, 8);
  put(8752, 5, 8);
  put(8752 + 8, 5, 8);
  put(9264 + 8, 4, 8);
  test::WriteFileBytes(SandboxDir() / "file.bin.fr", file);

  CResumeBlock block;
  ASSERT_EQ(block.OpenExisting(Path()), 0u);
  EXPECT_TRUE(block.Matches(L"ftp://h/f", 10, 42));
  EXPECT_EQ(block.Url(), L"ftp://h/f");
  EXPECT_EQ(block.Parts(), 2);
  EXPECT_EQ(block.PartStart(1), 5u);
  EXPECT_EQ(block.PartDone(1), 4u);
  EXPECT_FALSE(block.Matches(L"ftp://h/f2", 10, 42));
  EXPECT_FALSE(block.Matches(L"ftp://h/", 10, 42));
  EXPECT_FALSE(block.Matches(L"ftp://h/f", 11, 42));
  EXPECT_FALSE(block.Matches(L"ftp://h/f", 10, 43));
}

TEST_F(ResumeBlockTest, RejectsDamagedOrMisplacedBlocks) {
  {
    CResumeBlock block;
    ASSERT_EQ(block.Create(Path(), L"u", 1000, 1, 4, L"\"tag\""), 0u);
    block.SetPartDone(2, 251);  // more than the part's 250 bytes
    EXPECT_FALSE(block.IsValid());
    EXPECT_FALSE(block.Matches(L"u", 1000, 1));
    block.SetPartDone(2, 250);
    EXPECT_TRUE(block.Matches(L"u", 1000, 1));
    EXPECT_EQ(block.Compare(L"u", 1000, 1, L"\"other\""), CResumeBlock::Fit::kChanged);
    EXPECT_EQ(block.Compare(L"u", 999, 1), CResumeBlock::Fit::kChanged);
    EXPECT_EQ(block.Compare(L"v", 1000, 1), CResumeBlock::Fit::kForeign);
  }
  // Edits that leave every counter within its part: the checksum finds them in a version 2
  // block, the coverage check (parts end to end over the Size) in any block.
  for (uint32_t version : {1u, 2u}) {
    struct Edit {
      size_t offset;
      uint64_t value;
      bool found;                         // also without a checksum
    } edits[] = {{9264 + 8, 200, false},  // a done counter raised
                 {8240 + 8, 260, true},   // a start moved
                 {8752 + 16, 240, true},  // a part shortened
                 {8232, 3, true}};        // the part count lowered
    for (const Edit& edit : edits) {
      SCOPED_TRACE(std::to_string(version) + " at " + std::to_string(edit.offset));
      {
        CResumeBlock fresh;
        ASSERT_EQ(fresh.Create(Path(), L"u", 1000, 1, 4), 0u);
      }
      std::string file = test::ReadFileBytes(SandboxDir() / "file.bin.fr");
      size_t base = file.size() - kResumeBlockSize;
      auto put = [&](size_t offset, uint64_t value, int bytes) {
        for (int i = 0; i < bytes; ++i)
          file[base + offset + i] = static_cast<char>(value >> (8 * i));
      };
      put(16, version, 4);
      put(edit.offset, edit.value, edit.offset == 8232 ? 4 : 8);
      test::WriteFileBytes(SandboxDir() / "file.bin.fr", file);
      CResumeBlock block;
      ASSERT_EQ(block.OpenExisting(Path()), 0u);
      EXPECT_EQ(block.IsValid(), version == 1 && !edit.found);
      if (version == 2) {
        EXPECT_EQ(block.Compare(L"u", 1000, 1), CResumeBlock::Fit::kDamaged);
      }
    }
  }
  // A size no file can have fails before anything is written.
  CResumeBlock huge;
  EXPECT_EQ(huge.Create(Path(), L"u", 0x7FFFFFFFFFFFFFFFull, 1, 1),
            MakeError(kCategorySystem, SystemCode::kFileTooLarge));
  // A file whose length does not end in a block at an aligned offset.
  test::WriteFileBytes(SandboxDir() / "file.bin.fr", std::string(5000, 'x'));
  CResumeBlock block;
  EXPECT_NE(block.OpenExisting(Path()), 0u);
  EXPECT_NE(block.OpenExisting(Path() + L".missing"), 0u);
}

TEST_F(ResumeBlockTest, LongUrlsAreCutAndStillMatch) {
  std::wstring url = L"http://h/" + std::wstring(5000, L'a');
  CResumeBlock block;
  ASSERT_EQ(block.Create(Path(), url, 1, 1, 1), 0u);
  EXPECT_EQ(block.Url().size(), kResumeBlockUrlLength);
  EXPECT_TRUE(block.Matches(url, 1, 1));
  EXPECT_FALSE(block.Matches(url.substr(0, 4000), 1, 1));
}

}  // namespace
}  // namespace ferrow
