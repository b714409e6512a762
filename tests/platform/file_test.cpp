#include "platform/file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/file_mapping.h"
#include "tests/support/sandbox.h"

namespace ferrow {
namespace {

class FileTest : public test::SandboxedTest {
 protected:
  std::wstring PathOf(const std::string& name) { return (SandboxDir() / name).wstring(); }
};

TEST_F(FileTest, WriteReadAtOffsetsAndSetLength) {
  CFile file;
  ASSERT_EQ(file.Open(PathOf("a.fr"), CFile::Mode::kCreate), 0u);
  ASSERT_EQ(file.WriteAt(10, "world", 5), 0u);
  ASSERT_EQ(file.WriteAt(0, "hello", 5), 0u);
  uint64_t length = 0;
  ASSERT_EQ(file.GetLength(length), 0u);
  EXPECT_EQ(length, 15u);

  // A second handle shares the file without truncating it.
  CFile other;
  ASSERT_EQ(other.Open(PathOf("a.fr"), CFile::Mode::kReadWrite), 0u);
  char buffer[32];
  size_t read = 0;
  ASSERT_EQ(other.ReadAt(10, buffer, sizeof(buffer), read), 0u);
  EXPECT_EQ(std::string(buffer, read), "world");

  ASSERT_EQ(file.SetLength(7), 0u);
  ASSERT_EQ(other.ReadAt(0, buffer, sizeof(buffer), read), 0u);
  EXPECT_EQ(std::string(buffer, read), std::string("hello\0\0", 7));
}

TEST_F(FileTest, FailuresCarryWindowsNumbers) {
  CFile file;
  EXPECT_EQ(file.Open(PathOf("missing"), CFile::Mode::kRead),
            MakeError(kCategorySystem, SystemCode::kFileNotFound));
  EXPECT_FALSE(file.IsOpen());
  EXPECT_EQ(CreateDirectoryAt(PathOf("no/such/level")),
            MakeError(kCategorySystem, SystemCode::kPathNotFound));
  EXPECT_EQ(DeleteFileAt(PathOf("missing")), MakeError(kCategorySystem, SystemCode::kFileNotFound));
}

TEST_F(FileTest, DirectoriesRenameAndDelete) {
  EXPECT_EQ(CreateDirectoryAt(PathOf("one")), 0u);
  EXPECT_EQ(CreateDirectoryAt(PathOf("one")), 0u);  // already there
  EXPECT_TRUE(DirectoryExists(PathOf("one")));
  {
    CFile file;
    ASSERT_EQ(file.Open(PathOf("one/x.fr"), CFile::Mode::kCreate), 0u);
    ASSERT_EQ(file.WriteAt(0, "new", 3), 0u);
    CFile old;
    ASSERT_EQ(old.Open(PathOf("one/x"), CFile::Mode::kCreate), 0u);
  }
  EXPECT_EQ(RenameFile(PathOf("one/x.fr"), PathOf("one/x")), 0u);  // replaces the target
  EXPECT_FALSE(FileExists(PathOf("one/x.fr")));
  CFile file;
  ASSERT_EQ(file.Open(PathOf("one/x"), CFile::Mode::kRead), 0u);
  uint64_t length = 0;
  file.GetLength(length);
  EXPECT_EQ(length, 3u);
  EXPECT_EQ(DeleteFileAt(PathOf("one/x")), 0u);
  EXPECT_FALSE(FileExists(PathOf("one/x")));
}

TEST_F(FileTest, MappingAtAlignedOffsetWritesThroughToTheFile) {
  constexpr uint64_t kBlockOffset = 2 * kMappingGranularity;
  constexpr size_t kBlockSize = 9776;
  CFile file;
  ASSERT_EQ(file.Open(PathOf("m.fr"), CFile::Mode::kCreate), 0u);
  ASSERT_EQ(file.SetLength(kBlockOffset + kBlockSize), 0u);

  CFileMapping misaligned;
  EXPECT_EQ(misaligned.Map(file, 4096, 100),
            MakeError(kCategorySystem, SystemCode::kInvalidParameter));
  EXPECT_NE(misaligned.Map(file, kBlockOffset, kBlockSize + 1), 0u);  // past the end of file
  EXPECT_FALSE(misaligned.IsMapped());

  {
    CFileMapping block;
    ASSERT_EQ(block.Map(file, kBlockOffset, kBlockSize), 0u);
    std::memcpy(block.Data() + 4, "FRTD", 4);
    block.Data()[kBlockSize - 1] = 0x7F;
  }
  char buffer[4];
  size_t read = 0;
  ASSERT_EQ(file.ReadAt(kBlockOffset + 4, buffer, 4, read), 0u);
  EXPECT_EQ(std::string(buffer, read), "FRTD");
  ASSERT_EQ(file.ReadAt(kBlockOffset + kBlockSize - 1, buffer, 1, read), 0u);
  EXPECT_EQ(buffer[0], 0x7F);
}

}  // namespace
}  // namespace ferrow
