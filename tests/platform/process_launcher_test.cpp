#include "platform/process_launcher.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "platform/text.h"
#include "tests/support/sandbox.h"
#include "tests/support/wait_until.h"

namespace ferrow {
namespace {

namespace fs = std::filesystem;
using test::MakeTempDir;
using test::ReadFileBytes;
using test::WaitUntil;
using test::WriteFileBytes;

class ProcessLauncherTest : public ::testing::Test {
 protected:
  void SetUp() override { m_dir = MakeTempDir("ferrow-launch-"); }
  void TearDown() override { fs::remove_all(m_dir); }

  // A program that writes each of its arguments on a line of its own, then renames the file
  // into place so that the test never reads it half written.
  fs::path WriteRecorder() {
    const fs::path script = m_dir / "record args";
    WriteFileBytes(script, "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"" +
                               (m_dir / "args.tmp").string() + "\"\nmv \"" +
                               (m_dir / "args.tmp").string() + "\" \"" + (m_dir / "args").string() +
                               "\"\n");
    fs::permissions(script, fs::perms::owner_all);
    return script;
  }

  fs::path m_dir;
};

TEST_F(ProcessLauncherTest, ArgumentsArriveWhole_AndNothingIsInterpreted) {
  const fs::path script = WriteRecorder();
  const std::string trap = "$(touch " + (m_dir / "x").string() + ").zip";
  const LaunchResult result =
      CProcessLauncher::Start({LocalToWide(script.string()), L"--scan", L"my file.zip", L"a;b.zip",
                               LocalToWide(trap), L"`id`", L"*"});
  ASSERT_TRUE(result.Started());
  ASSERT_TRUE(WaitUntil([&] { return fs::exists(m_dir / "args"); }));
  EXPECT_EQ(ReadFileBytes(m_dir / "args"), "--scan\nmy file.zip\na;b.zip\n" + trap + "\n`id`\n*\n");
  EXPECT_FALSE(fs::exists(m_dir / "x"));
}

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
