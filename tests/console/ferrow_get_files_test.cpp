// ferrow-get and the files already at its targets: a finished file is never fetched again nor
// overwritten unasked, a different file of the same name gets a free name, and -c continues a
// partial file that another program left.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "download/existing_target.h"
#include "tests/console/program_run.h"
#include "tests/support/nginx_server.h"
#include "tests/support/scripted_server.h"
#include "tests/support/test_data.h"

namespace ferrow {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::FerrowGetTest;

TEST(ExistingTargetTest, NumberedNamesGoBeforeTheLastExtension) {
  EXPECT_EQ(CExistingTarget::NumberedName(L"/d/f.tar.gz", 1), L"/d/f.tar.1.gz");
  EXPECT_EQ(CExistingTarget::NumberedName(L"/d.x/file", 2), L"/d.x/file.2");
  EXPECT_EQ(CExistingTarget::NumberedName(L"/d/.profile", 3), L"/d/.profile.3");
}

TEST_F(FerrowGetTest, AFinishedFileIsNeverFetchedAgainNorOverwrittenUnasked) {
  test::NginxServer nginx;
  FERROW_START_OR_SKIP(nginx);
  test::WritePatternFile(nginx.Root() / "f.bin", 1'000'000);
  ASSERT_EQ(Run({"-q", nginx.Url("/f.bin")}), 0) << m_output;
  ASSERT_TRUE(nginx.WaitForRequests(1, 10s));
  const auto requestsSince = [&](size_t from) {
    const auto log = nginx.AccessLog();
    return std::vector<test::AccessLogEntry>(log.begin() + static_cast<long>(from), log.end());
  };
  const auto written = fs::last_write_time(m_folder / "f.bin");

  // The same command again: one question about the file, none of its bytes.
  size_t before = nginx.AccessLog().size();
  ASSERT_EQ(Run({nginx.Url("/f.bin")}), 0) << m_output;
  EXPECT_NE(m_output.find("nothing was downloaded"), std::string::npos) << m_output;
  ASSERT_TRUE(nginx.WaitForRequests(before + 1, 10s));
  for (const test::AccessLogEntry& entry : requestsSince(before)) {
    EXPECT_EQ(entry.method, "HEAD");
    EXPECT_EQ(entry.bodyBytesSent, 0);
  }
  EXPECT_EQ(fs::last_write_time(m_folder / "f.bin"), written);

  // Another file under the same name lands beside it.
  test::WritePatternFile(nginx.Root() / "f.bin", 700'000);
  ASSERT_EQ(Run({nginx.Url("/f.bin")}), 0) << m_output;
  EXPECT_NE(m_output.find("saving as f.1.bin"), std::string::npos) << m_output;
  EXPECT_TRUE(SameAsPattern(m_folder / "f.bin", 1'000'000));
  EXPECT_TRUE(SameAsPattern(m_folder / "f.1.bin", 700'000));

  // --no-clobber fetches nothing whatever the size; --overwrite replaces.
  test::WritePatternFile(nginx.Root() / "f.bin", 500'000);
  before = nginx.AccessLog().size();
  ASSERT_EQ(Run({"--no-clobber", nginx.Url("/f.bin")}), 0) << m_output;
  EXPECT_NE(m_output.find("left alone"), std::string::npos) << m_output;
  EXPECT_FALSE(fs::exists(m_folder / "f.2.bin"));
  nginx.WaitForRequests(before + 1, 10s);
  for (const test::AccessLogEntry& entry : requestsSince(before)) EXPECT_EQ(entry.method, "HEAD");
  ASSERT_EQ(Run({"--overwrite", nginx.Url("/f.bin")}), 0) << m_output;
  EXPECT_TRUE(SameAsPattern(m_folder / "f.bin", 500'000));
  EXPECT_FALSE(fs::exists(m_folder / "f.2.bin"));
  EXPECT_EQ(Run({"--overwrite", "--no-clobber", nginx.Url("/f.bin")}), 2);
}

TEST_F(FerrowGetTest, ContinueTakesOverAPartialFileThatAnotherProgramLeft) {
  constexpr uint64_t kSize = 20u << 20;
  constexpr uint64_t kPrefix = 10u << 20;
  test::NginxServer nginx;
  FERROW_START_OR_SKIP(nginx);
  test::WritePatternFile(nginx.Root() / "big.bin", kSize);
  // What "head -c 10M" of the file leaves.
  test::WriteFileBytes(m_folder / "big.bin", test::PatternBytes(0, kPrefix));

  ASSERT_EQ(Run({"-c", "-n", "3", nginx.Url("/big.bin")}), 0) << m_output;
  EXPECT_TRUE(SameAsPattern(m_folder / "big.bin", kSize));
  EXPECT_FALSE(fs::exists(m_folder / "big.bin.fr"));
  ASSERT_TRUE(nginx.WaitForRequests(4, 10s));
  // A question without the body, then only ranges after the prefix (the server may push more
  // of an open range into the sockets than the part takes, so its byte count says little).
  for (const test::AccessLogEntry& entry : nginx.AccessLog()) {
    if (entry.method == "HEAD") continue;
    ASSERT_NE(entry.range, "-");
    EXPECT_GE(std::stoull(entry.range.substr(entry.range.find('=') + 1)), kPrefix) << entry.range;
  }

  // A local file longer than the server's is not the server's beginning.
  test::WriteFileBytes(m_folder / "short.bin", test::PatternBytes(0, 5000));
  test::WritePatternFile(nginx.Root() / "short.bin", 4000);
  EXPECT_EQ(Run({"-c", nginx.Url("/short.bin")}), 1) << m_output;
  EXPECT_NE(m_output.find("longer"), std::string::npos) << m_output;
  EXPECT_EQ(fs::file_size(m_folder / "short.bin"), 5000u);
}

TEST_F(FerrowGetTest, ContinueNeedsAServerThatCanContinue) {
  test::ScriptedServer ftp("fault_ftp", {"--size", "300000", "--rest-refused"});
  FERROW_START_OR_SKIP(ftp);
  test::WriteFileBytes(m_folder / "f.bin", test::PatternBytes(0, 1000));
  EXPECT_EQ(
      Run({"-c", "--retries", "1", "ftp://127.0.0.1:" + std::to_string(ftp.Port()) + "/f.bin"}), 1)
      << m_output;
  EXPECT_NE(m_output.find("cannot continue at an offset"), std::string::npos) << m_output;
  EXPECT_EQ(test::ReadFileBytes(m_folder / "f.bin"), test::PatternBytes(0, 1000));
}

}  // namespace
}  // namespace ferrow
