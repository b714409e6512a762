// Starting programs; that arguments arrive whole and uninterpreted is shown by the virus
// scanner's test (tests/shell/after_download_test.cpp).
#include "platform/process_launcher.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "platform/text.h"
#include "tests/support/sandbox.h"

namespace ferrow {
namespace {

namespace fs = std::filesystem;
using test::MakeTempDir;
using test::WriteFileBytes;

class ProcessLauncherTest : public ::testing::Test {
 protected:
  void SetUp() override { m_dir = MakeTempDir("ferrow-launch-"); }
  void TearDown() override { fs::remove_all(m_dir); }

  fs::path m_dir;
};

TEST_F(ProcessLauncherTest, FailuresAreReportedByTheParent) {
  LaunchResult missing = CProcessLauncher::Start({LocalToWide((m_dir / "absent").string())});
  EXPECT_EQ(missing.failure, LaunchFailure::kNotFound);
  EXPECT_EQ(missing.error, MakeError(kCategorySystem, SystemCode::kFileNotFound));

  EXPECT_EQ(CProcessLauncher::Start({L"ferrow-no-such-program-anywhere"}).failure,
            LaunchFailure::kNotFound);

  const fs::path data = m_dir / "notes.txt";
  WriteFileBytes(data, "not a program\n");
  LaunchResult notProgram = CProcessLauncher::Start({LocalToWide(data.string())});
  EXPECT_EQ(notProgram.failure, LaunchFailure::kNotAProgram);
  EXPECT_EQ(notProgram.error, MakeError(kCategorySystem, SystemCode::kAccessDenied));

  EXPECT_FALSE(CProcessLauncher::Start({}).Started());
}

TEST_F(ProcessLauncherTest, BareNamesAreFoundInPath) {
  EXPECT_TRUE(CProcessLauncher::Start({L"true"}).Started());
}

}  // namespace
}  // namespace ferrow
