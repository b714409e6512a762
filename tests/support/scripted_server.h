#pragma once
// One of our own scripted servers (tests/servers/<name>.py), run by the system's Python:
//
//   ScriptedServer http("fault_http", {"--size", "5000", "--reset-after", "1000"});
//   FERROW_START_OR_SKIP(http);
//
// The script binds a free port itself and reports it; its event log (one line per event, see
// docs/testing.md) is kept in the server's folder for the test to check.
#include <string>
#include <vector>

#include "tests/support/peer_server.h"

namespace ferrow::test {

class ScriptedServer : public PeerServer {
 public:
  explicit ScriptedServer(std::string script, std::vector<std::string> arguments = {});

  std::string Name() const override { return m_script; }
  bool Available() const override;
  bool Start() override;
  // Stops the server and starts it again with new switches on the same port, so the same URLs
  // now reach a server that, for example, has other content. The event log goes on (its
  // connection numbers start again at 1).
  bool Restart(std::vector<std::string> arguments);

  std::string Url(const std::string& path = "/") const;
  // The event log so far, and its lines that begin with prefix ("COMMAND ", "REQUEST ").
  std::string Log() const;
  std::vector<std::string> LogLines(const std::string& prefix) const;
  // The sum of the last number of every log line that begins with prefix: with "SENT " and
  // "RESET " it counts the body or data bytes the server sent.
  long long SumOfLast(const std::string& prefix) const;
  // Payload bytes sent, completed or cut short by a fault.
  long long BytesSent() const { return SumOfLast("SENT ") + SumOfLast("RESET "); }

 protected:
  bool StartOn(int port);
  std::filesystem::path ScriptPath() const;
  std::filesystem::path LogPath() const { return m_dir / "events.log"; }

  std::string m_script;
  std::vector<std::string> m_arguments;
};

}  // namespace ferrow::test
