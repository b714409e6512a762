#pragma once
// The common shape of the servers that integration tests start on 127.0.0.1: a temporary
// folder for configuration, logs and (unless the test gives one) the served files; a port;
// and a stop in the destructor that also removes the folder.
//
//   NginxServer nginx({.root = dir});
//   FERROW_START_OR_SKIP(nginx);          // skips the test only when nginx is not installed,
//                                         // and fails it then in CI
//   ... connect to 127.0.0.1:nginx.Port() ...
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/server_process.h"
#include "tests/support/skip.h"

namespace ferrow::test {

class PeerServer {
 public:
  virtual ~PeerServer();
  PeerServer(const PeerServer&) = delete;
  PeerServer& operator=(const PeerServer&) = delete;

  // A short name for messages ("nginx", "tinyproxy").
  virtual std::string Name() const = 0;
  // Whether the server program is installed; when not, tests skip.
  virtual bool Available() const = 0;
  // Starts the server and waits until it accepts connections; false with Error() set.
  virtual bool Start() = 0;
  // Stops the server; the temporary folder stays until destruction so logs can still be read.
  void Stop();
  bool Running() { return m_process.Running(); }

  int Port() const { return m_port; }
  // "127.0.0.1:<port>", as proxy settings and URLs want it.
  std::string HostPort() const { return "127.0.0.1:" + std::to_string(m_port); }
  const std::string& Error() const { return m_error; }
  // The server's own temporary folder.
  const std::filesystem::path& Dir() const { return m_dir; }
  // What the server wrote to its standard output and error.
  std::string Output() const;

 protected:
  explicit PeerServer(const std::string& prefix);

  // Starts a server that must be told its port: picks a free port, starts the command made
  // for it and retries with another port when a concurrent test took it first.
  bool StartOnFreePort(const std::function<std::vector<std::string>(int port)>& command);
  // Starts a server that binds port 0 itself and prints the port as its first output line.
  bool StartReportingPort(const std::vector<std::string>& command);
  bool Fail(const std::string& error);
  std::filesystem::path OutputPath() const { return m_dir / "output.log"; }

  ServerProcess m_process;
  int m_port = 0;
  std::filesystem::path m_dir;
  std::string m_error;
};

// Reads a text file whole ("" when it does not exist).
std::string ReadTextFile(const std::filesystem::path& path);
// The lines of text that begin with prefix.
std::vector<std::string> LinesStartingWith(const std::string& text, const std::string& prefix);

}  // namespace ferrow::test

// Starts a PeerServer in a test body: skips the test when the program is not installed (fails
// it in CI) and fails it when the server does not come up.
#define FERROW_START_OR_SKIP(server)                                                         \
  do {                                                                                       \
    if (!(server).Available())                                                               \
      FERROW_SKIP_OR_FAIL((server).Name() + " is not installed (run scripts/install-deps)"); \
    ASSERT_TRUE((server).Start()) << (server).Name() << ": " << (server).Error();            \
  } while (0)
