// The help, the manual and the shell completions know every option, and the manual and the
// completions are well-formed for the programs that read them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "console/console_options.h"
#include "tests/support/sandbox.h"
#include "tests/support/server_process.h"
#include "tests/support/skip.h"

namespace ferrow {
namespace {

const std::string kConsole = FERROW_SOURCE_DIR "/console/";

std::string ManualSpelling(const std::string& option) {
  std::string text = "\\-\\-";
  for (char c : option) text += c == '-' ? std::string("\\-") : std::string(1, c);
  return text;
}

TEST(FerrowGetManualTest, EveryOptionIsInTheHelpTheManualAndTheCompletions) {
  const std::string usage = CConsoleOptions::GetUsage();
  const std::string manual = test::ReadFileBytes(kConsole + "ferrow-get.1");
  const std::string bash = test::ReadFileBytes(kConsole + "completion/ferrow-get.bash");
  const std::string zsh = test::ReadFileBytes(kConsole + "completion/_ferrow-get");
  ASSERT_FALSE(manual.empty() || bash.empty() || zsh.empty());
  for (const std::string& option : CConsoleOptions::GetLongOptions()) {
    EXPECT_NE(usage.find("--" + option), std::string::npos) << option;
    EXPECT_NE(manual.find(ManualSpelling(option)), std::string::npos) << option;
    EXPECT_NE(bash.find("--" + option), std::string::npos) << option;
    EXPECT_NE(zsh.find("--" + option), std::string::npos) << option;
  }
  // Every line of the help fits a terminal of 80 columns.
  for (size_t start = 0, end; (end = usage.find('\n', start)) != std::string::npos; start = end + 1)
    EXPECT_LE(end - start, 80u) << usage.substr(start, end - start);
}

TEST(FerrowGetManualTest, TheManualAndTheCompletionParse) {
  const std::string groff = test::FindProgram({"groff"});
  if (groff.empty()) FERROW_SKIP_OR_FAIL("groff is not installed (run scripts/install-deps)");
  // -ww: every warning; -z: no output. Any warning on standard error fails.
  const std::string check = "'" + groff + "' -man -Tutf8 -ww -z '" + kConsole +
                            "ferrow-get.1' 2>&1 | grep -q . && exit 1; exit 0";
  EXPECT_EQ(std::system(check.c_str()), 0) << "groff warns about ferrow-get.1";
  const std::string bash = "bash -n '" + kConsole + "completion/ferrow-get.bash'";
  EXPECT_EQ(std::system(bash.c_str()), 0);
}

}  // namespace
}  // namespace ferrow
