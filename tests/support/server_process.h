#pragma once
// A server started by a test as a child process. It runs in a process group of its own, is
// killed by the kernel when the test process dies (even by a crash or SIGKILL), and is stopped
// with its whole group when the object goes away, so no test leaves a server behind.
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace ferrow::test {

class ServerProcess {
 public:
  ServerProcess() = default;
  ~ServerProcess();
  ServerProcess(const ServerProcess&) = delete;
  ServerProcess& operator=(const ServerProcess&) = delete;

  // Starts argv (argv[0] an absolute path) with standard output and error appended to output.
  bool Start(const std::vector<std::string>& argv, const std::filesystem::path& output,
             std::string& error);
  // Whether the child is still alive (reaps it when it has ended).
  bool Running();
  // SIGTERM to the group, SIGKILL after a grace period; waits for the child. Safe to repeat.
  void Stop();
  int Pid() const { return m_pid; }
  // The exit status text once the child has ended ("exit 1", "signal 9"), else empty.
  const std::string& EndReason() const { return m_endReason; }

 private:
  void Reap(int status);

  int m_pid = -1;
  std::string m_endReason;
};

// A port on 127.0.0.1 that was free a moment ago (bound to port 0 and released).
int PickFreePort();
// Whether a TCP connection to 127.0.0.1:port is accepted.
bool CanConnect(int port);
// Waits until 127.0.0.1:port accepts connections; false when the process ends first or the
// time runs out.
bool WaitUntilListening(ServerProcess& process, int port, std::chrono::milliseconds timeout);
// The first of the candidates that exists and is executable ("" when none). A candidate
// without a slash is looked up in PATH.
std::string FindProgram(const std::vector<std::string>& candidates);
// The system's Python, which has the Debian modules (pyftpdlib); "" when absent.
std::string SystemPython();

}  // namespace ferrow::test
