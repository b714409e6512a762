#include "tests/support/server_process.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace ferrow::test {
namespace {

constexpr auto kStopGrace = std::chrono::seconds(3);
constexpr auto kReapGrace = std::chrono::seconds(2);

// Kills what is left of the server's group and reaps it. Servers that fork (Dante) leave
// children behind when their main process ends; as the test process is their subreaper they
// become its children and are collected here instead of staying as zombies.
void KillAndReapGroup(pid_t group) {
  kill(-group, SIGKILL);
  const auto deadline = std::chrono::steady_clock::now() + kReapGrace;
  while (std::chrono::steady_clock::now() < deadline) {
    int status = 0;
    pid_t done = waitpid(-group, &status, WNOHANG);
    if (done < 0) return;  // none left
    if (done == 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

sockaddr_in LoopbackAddress(int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

}  // namespace

ServerProcess::~ServerProcess() {
  Stop();
}

bool ServerProcess::Start(const std::vector<std::string>& argv, const std::filesystem::path& output,
                          std::string& error) {
  Stop();
  m_endReason.clear();
  if (argv.empty()) {
    error = "no program given";
    return false;
  }
  // Everything the child needs is prepared before fork: after it, only async-signal-safe calls.
  std::vector<std::vector<char>> storage;
  std::vector<char*> args;
  for (const auto& arg : argv) {
    storage.emplace_back(arg.begin(), arg.end());
    storage.back().push_back('\0');
  }
  for (auto& arg : storage) args.push_back(arg.data());
  args.push_back(nullptr);
  int outFd = open(output.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (outFd < 0) {
    error = "cannot open " + output.string() + ": " + std::strerror(errno);
    return false;
  }
  int nullFd = open("/dev/null", O_RDONLY | O_CLOEXEC);
  const pid_t parent = getpid();
  prctl(PR_SET_CHILD_SUBREAPER, 1);

  pid_t pid = fork();
  if (pid < 0) {
    error = std::string("fork failed: ") + std::strerror(errno);
    close(outFd);
    if (nullFd >= 0) close(nullFd);
    return false;
  }
  if (pid == 0) {
    setpgid(0, 0);
    // The kernel kills the server when the thread that started it ends, so a crashed or killed
    // test leaves nothing running.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(127);
    if (nullFd >= 0) dup2(nullFd, 0);
    dup2(outFd, 1);
    dup2(outFd, 2);
    // Sockets and files of the test must not live on in the server.
    close_range(3, ~0U, 0);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    execv(args[0], args.data());
    _exit(127);
  }
  close(outFd);
  if (nullFd >= 0) close(nullFd);
  setpgid(pid, pid);  // also here, so Stop can signal the group even before the child ran
  m_pid = pid;
  return true;
}

void ServerProcess::Reap(int status) {
  if (WIFEXITED(status))
    m_endReason = "exit " + std::to_string(WEXITSTATUS(status));
  else if (WIFSIGNALED(status))
    m_endReason = "signal " + std::to_string(WTERMSIG(status));
  m_pid = -1;
}

bool ServerProcess::Running() {
  if (m_pid <= 0) return false;
  int status = 0;
  pid_t done = waitpid(m_pid, &status, WNOHANG);
  if (done == m_pid) {
    // The group may hold helpers the server started; they go with it.
    const pid_t group = m_pid;
    Reap(status);
    KillAndReapGroup(group);
    return false;
  }
  return done == 0;
}

void ServerProcess::Stop() {
  if (m_pid <= 0) return;
  const pid_t pid = m_pid;
  kill(-pid, SIGTERM);
  kill(pid, SIGTERM);
  const auto deadline = std::chrono::steady_clock::now() + kStopGrace;
  int status = 0;
  while (std::chrono::steady_clock::now() < deadline) {
    if (waitpid(pid, &status, WNOHANG) == pid) {
      Reap(status);
      KillAndReapGroup(pid);
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  kill(-pid, SIGKILL);
  kill(pid, SIGKILL);
  waitpid(pid, &status, 0);
  Reap(status);
  KillAndReapGroup(pid);
}

int PickFreePort() {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return 0;
  sockaddr_in address = LoopbackAddress(0);
  socklen_t length = sizeof address;
  int port = 0;
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
    port = ntohs(address.sin_port);
  close(fd);
  return port;
}

bool CanConnect(int port) {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  sockaddr_in address = LoopbackAddress(port);
  bool ok = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  close(fd);
  if (ok) return true;
  // A server may listen on ::1 only.
  fd = socket(AF_INET6, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  sockaddr_in6 address6{};
  address6.sin6_family = AF_INET6;
  address6.sin6_port = htons(static_cast<uint16_t>(port));
  address6.sin6_addr = in6addr_loopback;
  ok = connect(fd, reinterpret_cast<sockaddr*>(&address6), sizeof address6) == 0;
  close(fd);
  return ok;
}

bool WaitUntilListening(ServerProcess& process, int port, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < deadline) {
    if (!process.Running()) return false;
    if (CanConnect(port)) return process.Running();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

std::string FindProgram(const std::vector<std::string>& candidates) {
  for (const auto& candidate : candidates) {
    if (candidate.find('/') != std::string::npos) {
      if (access(candidate.c_str(), X_OK) == 0) return candidate;
      continue;
    }
    const char* path = std::getenv("PATH");
    std::string dirs = std::string(path ? path : "") + ":/usr/sbin:/usr/bin:/sbin:/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
      size_t end = dirs.find(':', start);
      if (end == std::string::npos) end = dirs.size();
      std::string dir = dirs.substr(start, end - start);
      if (!dir.empty()) {
        std::string full = dir + "/" + candidate;
        if (access(full.c_str(), X_OK) == 0) return full;
      }
      start = end + 1;
    }
  }
  return "";
}

std::string SystemPython() {
  return FindProgram({"/usr/bin/python3"});
}

}  // namespace ferrow::test
