#include "tests/support/scripted_server.h"

#include <unistd.h>

#include <cstdlib>

namespace ferrow::test {

ScriptedServer::ScriptedServer(std::string script, std::vector<std::string> arguments)
    : PeerServer(script), m_script(std::move(script)), m_arguments(std::move(arguments)) {}

std::filesystem::path ScriptedServer::ScriptPath() const {
  return std::filesystem::path(FERROW_TEST_SCRIPTS_DIR) / (m_script + ".py");
}

bool ScriptedServer::Available() const {
  return !SystemPython().empty() && access(ScriptPath().c_str(), R_OK) == 0;
}

bool ScriptedServer::Start() {
  return StartOn(0);
}

bool ScriptedServer::Restart(std::vector<std::string> arguments) {
  const int port = m_port;
  Stop();
  m_arguments = std::move(arguments);
  return StartOn(port);
}

bool ScriptedServer::StartOn(int port) {
  std::vector<std::string> command = {
      SystemPython(),       "-u",    ScriptPath().string(), "--port",
      std::to_string(port), "--log", LogPath().string()};
  command.insert(command.end(), m_arguments.begin(), m_arguments.end());
  return StartReportingPort(command);
}

std::string ScriptedServer::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(m_port) + path;
}

std::string ScriptedServer::Log() const {
  return ReadTextFile(LogPath());
}

std::vector<std::string> ScriptedServer::LogLines(const std::string& prefix) const {
  return LinesStartingWith(Log(), prefix);
}

long long ScriptedServer::SumOfLast(const std::string& prefix) const {
  long long sum = 0;
  for (const auto& line : LogLines(prefix)) {
    size_t space = line.find_last_of(' ');
    if (space == std::string::npos) continue;
    std::string last = line.substr(space + 1);
    if (last.compare(0, 6, "bytes=") == 0) last = last.substr(6);
    sum += std::atoll(last.c_str());
  }
  return sum;
}

}  // namespace ferrow::test
