#include "tests/support/peer_server.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "tests/support/sandbox.h"

namespace ferrow::test {
namespace {

constexpr int kPortAttempts = 5;
constexpr auto kStartTimeout = std::chrono::seconds(15);

}  // namespace

PeerServer::PeerServer(const std::string& prefix) : m_dir(MakeTempDir("ferrow-" + prefix + "-")) {}

PeerServer::~PeerServer() {
  m_process.Stop();
  // Set FERROW_KEEP_SERVER_DIRS to look at a server's configuration and logs after a test.
  const char* keep = std::getenv("FERROW_KEEP_SERVER_DIRS");
  if (keep && *keep && std::string(keep) != "0") {
    std::fprintf(stderr, "kept %s\n", m_dir.c_str());
    return;
  }
  std::error_code ignored;
  std::filesystem::remove_all(m_dir, ignored);
}

void PeerServer::Stop() {
  m_process.Stop();
}

std::string PeerServer::Output() const {
  return ReadTextFile(OutputPath());
}

bool PeerServer::Fail(const std::string& error) {
  m_error = error;
  std::string output = Output();
  if (!output.empty()) m_error += "\n--- server output ---\n" + output.substr(0, 4000);
  m_process.Stop();
  return false;
}

bool PeerServer::StartOnFreePort(const std::function<std::vector<std::string>(int port)>& command) {
  m_error.clear();
  for (int attempt = 0; attempt < kPortAttempts; ++attempt) {
    int port = PickFreePort();
    if (port == 0) return Fail("no free port on 127.0.0.1");
    std::string error;
    if (!m_process.Start(command(port), OutputPath(), error)) return Fail(error);
    if (WaitUntilListening(m_process, port, kStartTimeout)) {
      m_port = port;
      return true;
    }
    // Either the port was taken in the meantime (the server exits) or the server is broken;
    // a few attempts tell the two apart.
    m_error = "did not accept connections on port " + std::to_string(port) + " (" +
              m_process.EndReason() + ")";
    m_process.Stop();
  }
  return Fail(m_error);
}

bool PeerServer::StartReportingPort(const std::vector<std::string>& command) {
  m_error.clear();
  std::string error;
  std::error_code ignored;
  std::filesystem::remove(OutputPath(), ignored);
  if (!m_process.Start(command, OutputPath(), error)) return Fail(error);
  const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
  while (std::chrono::steady_clock::now() < deadline) {
    std::string output = Output();
    size_t end = output.find('\n');
    if (end != std::string::npos) {
      int port = std::atoi(output.substr(0, end).c_str());
      // The script listens before it reports the port, so no probe connection is needed
      // (one would also show up in the server's log).
      if (port <= 0) return Fail("first output line is not a port");
      m_port = port;
      return true;
    }
    if (!m_process.Running())
      return Fail("ended before reporting its port (" + m_process.EndReason() + ")");
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return Fail("did not report its port in time");
}

std::string ReadTextFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

std::vector<std::string> LinesStartingWith(const std::string& text, const std::string& prefix) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line))
    if (line.compare(0, prefix.size(), prefix) == 0) lines.push_back(line);
  return lines;
}

}  // namespace ferrow::test
