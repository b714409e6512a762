#pragma once
// Runs of the built ferrow-get for the end-to-end tests: each in a folder of its own with the
// sandbox's data folder, its output captured, optionally with standard input, a separate
// standard output and extra environment variables.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "tests/support/sandbox.h"
#include "tests/support/test_data.h"

namespace ferrow::test {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

struct RunSetup {
  std::string input;            // written to standard input (closed after it)
  bool separateStdout = false;  // standard output into stdout.bin instead of the log
  std::vector<std::pair<std::string, std::string>> environment;  // set in the child

  static RunSetup Stdout() {
    RunSetup setup;
    setup.separateStdout = true;
    return setup;
  }
  static RunSetup Input(std::string text) {
    RunSetup setup;
    setup.input = std::move(text);
    return setup;
  }
  static RunSetup Environment(std::vector<std::pair<std::string, std::string>> variables) {
    RunSetup setup;
    setup.environment = std::move(variables);
    return setup;
  }
};

class ProgramRun {
 public:
  ~ProgramRun() {
    if (m_pid > 0) {
      ::kill(m_pid, SIGKILL);
      ::waitpid(m_pid, nullptr, 0);
    }
  }

  bool Start(const std::vector<std::string>& arguments, const fs::path& folder,
             const fs::path& dataHome, const RunSetup& setup = {}) {
    m_output = folder / "ferrow-get.out";
    m_stdout = folder / "stdout.bin";
    const fs::path input = folder / "stdin.txt";
    WriteFileBytes(input, setup.input);
    std::vector<std::string> argv = {FERROW_GET_PROGRAM};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    m_pid = ::fork();
    if (m_pid < 0) return false;
    if (m_pid == 0) {
      if (::chdir(folder.c_str()) != 0) ::_exit(127);
      ::setenv("XDG_DATA_HOME", dataHome.c_str(), 1);
      ::setenv("HOME", dataHome.c_str(), 1);
      ::setenv("LANG", "C", 1);
      ::unsetenv("LC_ALL");
      for (const char* name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY",
                               "ALL_PROXY", "all_proxy", "no_proxy", "NO_PROXY"})
        ::unsetenv(name);
      for (const auto& [name, value] : setup.environment) ::setenv(name.c_str(), value.c_str(), 1);
      const int out = ::open(m_output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      const int in = ::open(input.c_str(), O_RDONLY);
      ::dup2(in, 0);
      if (setup.separateStdout) {
        const int data = ::open(m_stdout.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(data, 1);
      } else {
        ::dup2(out, 1);
      }
      ::dup2(out, 2);
      std::vector<char*> pointers;
      for (std::string& argument : argv) pointers.push_back(argument.data());
      pointers.push_back(nullptr);
      ::execv(pointers[0], pointers.data());
      ::_exit(127);
    }
    return true;
  }

  // The exit status (128 + signal for a signal), or -1 when it does not end in time.
  int Wait(std::chrono::seconds limit = 120s) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
      int status = 0;
      if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
        m_pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
      std::this_thread::sleep_for(20ms);
    }
    return -1;
  }

  void Signal(int signal) { ::kill(m_pid, signal); }
  std::string Output() const { return ReadFileBytes(m_output); }
  std::string Stdout() const { return ReadFileBytes(m_stdout); }

 private:
  int m_pid = -1;
  fs::path m_output;
  fs::path m_stdout;
};

class FerrowGetTest : public SandboxedTest {
 protected:
  void SetUp() override {
    SandboxedTest::SetUp();
    m_folder = SandboxDir() / "work";
    fs::create_directories(m_folder);
  }
  // Runs to the end; returns the exit status.
  int Run(const std::vector<std::string>& arguments, const RunSetup& setup = {}) {
    ProgramRun run;
    if (!run.Start(arguments, m_folder, DataHome(), setup)) return -1;
    const int status = run.Wait();
    m_output = run.Output();
    m_stdout = run.Stdout();
    return status;
  }
  bool SameAsPattern(const fs::path& file, uint64_t size) {
    return fs::exists(file) && ReadFileBytes(file) == PatternBytes(0, size);
  }

  fs::path m_folder;
  std::string m_output;
  std::string m_stdout;
};

}  // namespace ferrow::test
