#include "tests/support/http_proxy.h"

#include <fstream>
#include <sstream>

namespace ferrow::test {

HttpProxy::HttpProxy() : PeerServer("tinyproxy") {}

bool HttpProxy::Available() const {
  return !FindProgram({"/usr/bin/tinyproxy", "tinyproxy"}).empty();
}

bool HttpProxy::Start() {
  const std::string program = FindProgram({"/usr/bin/tinyproxy", "tinyproxy"});
  if (program.empty()) return Fail("tinyproxy not found");
  return StartOnFreePort([&](int port) {
    const auto config = m_dir / "tinyproxy.conf";
    std::ofstream(config) << "Port " << port << "\n"
                          << "Listen 127.0.0.1\n"
                          << "Timeout 60\n"
                          << "Allow 127.0.0.1\n"
                          << "MaxClients 128\n"
                          << "DisableViaHeader Yes\n"
                          << "LogLevel Info\n"
                          << "LogFile \"" << (m_dir / "tinyproxy.log").string() << "\"\n"
                          << "PidFile \"" << (m_dir / "tinyproxy.pid").string() << "\"\n";
    return std::vector<std::string>{program, "-d", "-c", config.string()};
  });
}

std::string HttpProxy::Log() const {
  return ReadTextFile(m_dir / "tinyproxy.log");
}

std::vector<std::string> HttpProxy::RequestLines() const {
  std::vector<std::string> lines;
  std::istringstream in(Log());
  std::string line;
  const std::string marker = "]: Request (file descriptor ";
  while (std::getline(in, line)) {
    size_t at = line.find(marker);
    if (at == std::string::npos) continue;
    size_t colon = line.find("): ", at + marker.size());
    if (colon != std::string::npos) lines.push_back(line.substr(colon + 3));
  }
  return lines;
}

}  // namespace ferrow::test
