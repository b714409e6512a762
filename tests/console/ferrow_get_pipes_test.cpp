// ferrow-get in pipes: one URL to standard output in order, URL lists from standard input.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/console/program_run.h"
#include "tests/support/nginx_server.h"
#include "tests/support/scripted_server.h"
#include "tests/support/test_data.h"

namespace ferrow {
namespace {

namespace fs = std::filesystem;
using test::FerrowGetTest;

// Parts start far beyond the window of bytes held ahead, so they wait, let their connections go
// and come back; the stream is still the file, in order, and no file is written.
TEST_F(FerrowGetTest, OutputToStandardOutputIsTheFileInOrder) {
  constexpr uint64_t kSize = 30u << 20;
  test::NginxServer nginx;
  FERROW_START_OR_SKIP(nginx);
  test::WritePatternFile(nginx.Root() / "big.bin", kSize);
  ASSERT_EQ(Run({"-n", "4", "-o", "-", nginx.Url("/big.bin")}, test::RunSetup::Stdout()), 0)
      << m_output;
  EXPECT_TRUE(m_stdout == test::PatternBytes(0, kSize)) << m_stdout.size();
  EXPECT_FALSE(fs::exists(m_folder / "big.bin"));
  EXPECT_FALSE(fs::exists(m_folder / "big.bin.fr"));
  EXPECT_FALSE(fs::exists(m_folder / "-"));
}

// Connections cut mid-body: parts start again from what went out or was held, and nothing is
// sent twice.
TEST_F(FerrowGetTest, OutputToStandardOutputSurvivesCutConnections) {
  constexpr uint64_t kSize = 3'000'000;
  test::ScriptedServer http("fault_http", {"--size", std::to_string(kSize), "--reset-after",
                                           "400000", "--reset-count", "3"});
  FERROW_START_OR_SKIP(http);
  ASSERT_EQ(Run({"-n", "3", "--retry-delay", "0", "-o", "-", http.Url("/f.bin")},
                test::RunSetup::Stdout()),
            0)
      << m_output;
  EXPECT_TRUE(m_stdout == test::PatternBytes(0, kSize)) << m_stdout.size();
}

TEST_F(FerrowGetTest, ListsFromStandardInputSkipCommentsAndCountBadLines) {
  test::NginxServer nginx;
  FERROW_START_OR_SKIP(nginx);
  test::WritePatternFile(nginx.Root() / "a.bin", 1000);
  test::WritePatternFile(nginx.Root() / "b.bin", 2000);
  const std::string list =
      nginx.Url("/a.bin") + "\n# a comment\n\n   \n" + nginx.Url("/b.bin");  // no final newline
  ASSERT_EQ(Run({"-i", "-"}, test::RunSetup::Input(list)), 0) << m_output;
  EXPECT_TRUE(SameAsPattern(m_folder / "a.bin", 1000));
  EXPECT_TRUE(SameAsPattern(m_folder / "b.bin", 2000));
  EXPECT_EQ(m_output.find("skipped"), std::string::npos) << m_output;

  // One line that is no URL: the others are fetched, and the run has failed.
  fs::remove(m_folder / "a.bin");
  EXPECT_EQ(Run({"-i", "-"}, test::RunSetup::Input("htp://typo/x\n" + nginx.Url("/a.bin") + "\n")),
            1)
      << m_output;
  EXPECT_TRUE(SameAsPattern(m_folder / "a.bin", 1000));
  EXPECT_NE(m_output.find("skipped 'htp://typo/x'"), std::string::npos) << m_output;
}

}  // namespace
}  // namespace ferrow
