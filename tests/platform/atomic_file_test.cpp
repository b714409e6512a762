#include "platform/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "tests/support/sandbox.h"

namespace ferrow {
namespace {

using test::ReadFileBytes;
using test::WriteFileBytes;

class AtomicFileTest : public test::SandboxedTest {
 protected:
  size_t EntriesIn(const std::filesystem::path& folder) {
    size_t count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      (void)entry;
      ++count;
    }
    return count;
  }
  mode_t ModeOf(const std::filesystem::path& path) {
    struct stat info {};
    EXPECT_EQ(stat(path.c_str(), &info), 0);
    return info.st_mode & 0777;
  }
};

TEST_F(AtomicFileTest, WritesCreatesFoldersAndReplacesWithoutLeftovers) {
  const auto path = SandboxDir() / "x" / "y" / "file.txt";
  ASSERT_TRUE(WriteFileAtomically(path, "first"));
  ASSERT_TRUE(WriteFileAtomically(path, "second"));
  EXPECT_EQ(ReadFileBytes(path), "second");
  EXPECT_EQ(EntriesIn(path.parent_path()), 1u);

  std::string out;
  EXPECT_EQ(ReadWholeFile(path, out, 100), ReadFileResult::kRead);
  EXPECT_EQ(out, "second");
  EXPECT_EQ(ReadWholeFile(path, out, 3), ReadFileResult::kFailed);
  EXPECT_EQ(ReadWholeFile(SandboxDir() / "none", out, 100), ReadFileResult::kNotFound);
  EXPECT_EQ(ReadWholeFile(SandboxDir(), out, 100), ReadFileResult::kFailed);
}

TEST_F(AtomicFileTest, ALinkedFileStaysALinkAndAFifoIsNotWaitedFor) {
  const auto real = SandboxDir() / "elsewhere" / "real.xml";
  std::filesystem::create_directories(real.parent_path());
  WriteFileBytes(real, "old");
  const auto link = SandboxDir() / "link.xml";
  std::filesystem::create_symlink(real, link);
  ASSERT_TRUE(WriteFileAtomically(link, "new"));
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(ReadFileBytes(real), "new");

  const auto fifo = SandboxDir() / "fifo.xml";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  std::string out;
  EXPECT_EQ(ReadWholeFile(fifo, out, 100), ReadFileResult::kFailed);
}

TEST_F(AtomicFileTest, OwnerOnlyFilesAndKeptPermissions) {
  const auto secret = SandboxDir() / "secret.xml";
  ASSERT_TRUE(WriteFileAtomically(secret, "pw", FileAccess::kOwnerOnly));
  EXPECT_EQ(ModeOf(secret), 0600u);
  // A file that was readable by others becomes private on the next save.
  ASSERT_EQ(chmod(secret.c_str(), 0644), 0);
  ASSERT_TRUE(WriteFileAtomically(secret, "pw2", FileAccess::kOwnerOnly));
  EXPECT_EQ(ModeOf(secret), 0600u);

  const auto shared = SandboxDir() / "shared.xml";
  WriteFileBytes(shared, "old");
  ASSERT_EQ(chmod(shared.c_str(), 0640), 0);
  ASSERT_TRUE(WriteFileAtomically(shared, "new"));
  EXPECT_EQ(ModeOf(shared), 0640u);
}

TEST_F(AtomicFileTest, FailuresReturnFalseAndKeepTheOldFile) {
  // The folder cannot be created: a file stands where it should be.
  const auto blocker = SandboxDir() / "blocker";
  WriteFileBytes(blocker, "keep");
  ErrorValue error = 0;
  EXPECT_FALSE(WriteFileAtomically(blocker / "file.xml", "data", FileAccess::kShared, &error));
  EXPECT_NE(error, 0u);
  EXPECT_EQ(ReadFileBytes(blocker), "keep");

  // The rename fails (a non-empty folder is in the way): the temporary file is removed again.
  const auto target = SandboxDir() / "d" / "file.xml";
  std::filesystem::create_directories(target / "inner");
  EXPECT_FALSE(WriteFileAtomically(target, "data"));
  EXPECT_TRUE(std::filesystem::is_directory(target));
  EXPECT_EQ(EntriesIn(target.parent_path()), 1u);
}

}  // namespace
}  // namespace ferrow
