// The connection watcher in a network namespace of the test's own, with a link named ppp0 (a
// dummy interface, or one end of a veth pair where the kernel lacks the dummy driver). Needs
// root; the namespace is deleted whatever happens, and ones left by a killed run are swept.
#include "shell/dialup_service.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/internet_connection.h"
#include "tests/support/server_process.h"
#include "tests/support/skip.h"
#include "tests/support/wait_until.h"

extern char** environ;

namespace ferrow {
namespace {

namespace fs = std::filesystem;
using test::WaitUntil;

constexpr const char* kPrefix = "ferrow-test-";

int RunCommand(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int error = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) return -1;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class DialupServiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_ip = test::FindProgram({"/usr/sbin/ip", "/sbin/ip", "/usr/bin/ip"});
    const char* why = ::geteuid() != 0 ? "needs root" : m_ip.empty() ? "needs ip (iproute2)" : "";
    if (*why) FERROW_SKIP_OR_FAIL(why);
    SweepLeftovers();
    m_name = kPrefix + std::to_string(::getpid()) + "-" + std::to_string(++s_runs);
    ASSERT_EQ(RunCommand({m_ip, "netns", "add", m_name}), 0);
  }
  void TearDown() override {
    m_service.Stop();
    if (!m_name.empty()) RunCommand({m_ip, "netns", "del", m_name});
  }

  // Namespaces of earlier runs whose process is gone (a run that was killed).
  void SweepLeftovers() {
    std::error_code error;
    for (const auto& entry : fs::directory_iterator("/run/netns", error)) {
      const std::string name = entry.path().filename().string();
      if (!name.starts_with(kPrefix)) continue;
      const long pid = std::atol(name.c_str() + std::char_traits<char>::length(kPrefix));
      if (pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
        RunCommand({m_ip, "netns", "del", name});
    }
  }
  int Ip(std::vector<std::string> args) {
    args.insert(args.begin(), {m_ip, "-n", m_name});
    return RunCommand(args);
  }
  // Runs the function on a thread that has entered the namespace; threads it starts stay there.
  void InNamespace(const std::function<void()>& function) {
    std::thread([&] {
      const int fd = ::open(("/run/netns/" + m_name).c_str(), O_RDONLY | O_CLOEXEC);
      ASSERT_GE(fd, 0);
      ASSERT_EQ(::setns(fd, CLONE_NEWNET), 0);
      ::close(fd);
      function();
    }).join();
  }
  // Makes a link of that name, down; where there is no dummy driver, a veth pair whose other end
  // is up, so that the link carries traffic once it is up itself.
  void AddLink(const std::string& name) {
    if (Ip({"link", "add", name, "type", "dummy"}) == 0) return;
    ASSERT_EQ(Ip({"link", "add", name, "type", "veth", "peer", "name", "peer-" + name}), 0);
    ASSERT_EQ(Ip({"link", "set", "peer-" + name, "up"}), 0);
  }
  bool NextEvent(bool& up) {
    return WaitUntil([&] { return m_service.TakeEvent(up); });
  }
  // Waits until the watcher has looked again after whatever was just done.
  void WaitForScan() {
    const uint32_t seen = m_service.GetScanCount();
    ASSERT_TRUE(WaitUntil([&] { return m_service.GetScanCount() > seen; }));
  }

  static inline int s_runs = 0;
  std::string m_ip;
  std::string m_name;
  CDialupService m_service;
};

TEST_F(DialupServiceTest, LinkComingUpAndGoingDownIsReported) {
  InNamespace([&] { ASSERT_TRUE(m_service.Start()); });
  AddLink("ppp0");
  ASSERT_EQ(Ip({"link", "set", "lo", "up"}), 0);  // not a dial-up link: no news
  WaitForScan();
  bool up = false;
  EXPECT_FALSE(m_service.TakeEvent(up));

  ASSERT_EQ(Ip({"link", "set", "ppp0", "up"}), 0);
  ASSERT_TRUE(NextEvent(up));
  EXPECT_TRUE(up);
  ASSERT_EQ(Ip({"link", "set", "ppp0", "down"}), 0);
  ASSERT_TRUE(NextEvent(up));
  EXPECT_FALSE(up);
  WaitForScan();
  EXPECT_FALSE(m_service.TakeEvent(up));
}

TEST_F(DialupServiceTest, ConnectedMeansALinkWithADefaultRoute) {
  bool connected = true;
  InNamespace([&] { connected = IsInternetConnected(); });
  EXPECT_FALSE(connected);

  AddLink("eth0");
  ASSERT_EQ(Ip({"link", "set", "eth0", "up"}), 0);
  ASSERT_EQ(Ip({"address", "add", "10.77.0.2/24", "dev", "eth0"}), 0);
  ASSERT_EQ(Ip({"route", "add", "default", "via", "10.77.0.1"}), 0);
  InNamespace([&] { connected = IsInternetConnected(); });
  EXPECT_TRUE(connected);
}

}  // namespace
}  // namespace ferrow
