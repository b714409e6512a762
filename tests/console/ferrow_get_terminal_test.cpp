// ferrow-get on a real terminal: tmux at 80x24 runs it with more downloads than the terminal has
// lines. Nothing may wrap, the scrollback may not fill with redrawn blocks, a resize is followed
// at once, and the block that stays at the end tells the truth.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "tests/console/program_run.h"
#include "tests/support/scripted_server.h"
#include "tests/support/server_process.h"
#include "tests/support/skip.h"
#include "tests/support/test_data.h"
#include "tests/support/wait_until.h"

namespace ferrow {
namespace {

using namespace std::chrono_literals;
using test::FerrowGetTest;
namespace fs = std::filesystem;

// Runs a tmux command line on the test's own server socket; its standard output.
class Tmux {
 public:
  Tmux(std::string program, fs::path socket)
      : m_program(std::move(program)), m_socket(std::move(socket)) {}
  ~Tmux() { Run("kill-server"); }

  std::string Run(const std::string& arguments) const {
    const std::string command =
        "'" + m_program + "' -S '" + m_socket.string() + "' " + arguments + " 2>/dev/null";
    std::string output;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
      char buffer[4096];
      for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        output.append(buffer, n);
      ::pclose(pipe);
    }
    return output;
  }
  int HistorySize() const { return std::atoi(Run("display -p -t t '#{history_size}'").c_str()); }
  std::vector<std::string> Lines(const std::string& range = "") const {
    std::vector<std::string> lines;
    std::istringstream text(Run("capture-pane -p -t t " + range));
    for (std::string line; std::getline(text, line);) lines.push_back(line);
    return lines;
  }

 private:
  std::string m_program;
  fs::path m_socket;
};

size_t LongestLine(const std::vector<std::string>& lines) {
  size_t longest = 0;
  for (const std::string& line : lines) longest = std::max(longest, line.size());
  return longest;
}

TEST_F(FerrowGetTest, FitsATerminalOf80By24With40Downloads) {
  const std::string tmux = test::FindProgram({"tmux"});
  if (tmux.empty()) FERROW_SKIP_OR_FAIL("tmux is not installed (run scripts/install-deps)");
  // Paced, so that the run takes some seconds of many frames.
  test::ScriptedServer http("fault_http", {"--size", "100000", "--slow", "6000:50"});
  FERROW_START_OR_SKIP(http);
  std::string list;
  for (int i = 0; i < 40; ++i) {
    // Long names, so that every row must be cut to fit.
    list += http.Url("/download-number-" + std::to_string(i) + "-with-a-rather-long-name.bin\n");
  }
  test::WriteFileBytes(m_folder / "urls.txt", list);

  Tmux terminal(tmux, SandboxDir() / "tmux.sock");
  const std::string command = "cd '" + m_folder.string() + "' && env XDG_DATA_HOME='" +
                              DataHome().string() + "' HOME='" + DataHome().string() +
                              "' LANG=C.UTF-8 '" + FERROW_GET_PROGRAM +
                              "' -j 2 -n 2 -i urls.txt; echo EXIT=$?; sleep 600";
  terminal.Run("-f /dev/null new-session -d -s t -x 80 -y 24 \"" + command + "\"");
  terminal.Run("set-option -t t history-limit 10000");

  size_t longest = 0;
  int history = 0;
  int historyBeforeResize = 0;
  bool resized = false;
  const bool ended = test::WaitUntil(
      [&] {
        const std::vector<std::string> lines = terminal.Lines();
        longest = std::max(longest, LongestLine(lines));
        history = std::max(history, terminal.HistorySize());
        const bool done = std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
          return line.starts_with("EXIT=");
        });
        // Half way, the terminal narrows; the block follows at once.
        if (!resized && !done && http.LogLines("REQUEST ").size() >= 40) {
          historyBeforeResize = history;
          terminal.Run("resize-window -t t -x 60 -y 20");
          resized = true;
          longest = 0;
          // The signal makes the next block; the lines of the old one may have been cut.
          test::WaitUntil([&] { return LongestLine(terminal.Lines()) <= 60; }, 5s);
        }
        return done;
      },
      120s);
  ASSERT_TRUE(ended) << terminal.Run("capture-pane -p -t t -S -");
  const std::vector<std::string> all = terminal.Lines("-S -");
  const std::string text = terminal.Run("capture-pane -p -t t -S -");
  EXPECT_TRUE(resized);
  EXPECT_LE(longest, resized ? 60u : 80u) << text;
  EXPECT_LE(historyBeforeResize, 3) << text;
  // Four lines more: the ones the smaller window pushed off its top.
  EXPECT_LE(history, 3 + 4) << text;
  EXPECT_NE(text.find("total: 40 of 40 done, 0 running, 0 failed"), std::string::npos) << text;
  EXPECT_NE(text.find("EXIT=0"), std::string::npos) << text;
}

}  // namespace
}  // namespace ferrow
