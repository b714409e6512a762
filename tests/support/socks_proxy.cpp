#include "tests/support/socks_proxy.h"

#include <unistd.h>

#include <fstream>
#include <sstream>

namespace ferrow::test {

SocksProxy::SocksProxy(SocksOptions options)
    : PeerServer(options.dante ? "danted" : "microsocks"), m_options(std::move(options)) {}

std::string SocksProxy::Program() const {
  return m_options.dante ? FindProgram({"/usr/sbin/danted", "danted"})
                         : FindProgram({"/usr/bin/microsocks", "microsocks"});
}

bool SocksProxy::Available() const {
  return !Program().empty();
}

std::string SocksProxy::DanteConfig(int port) const {
  std::ostringstream c;
  c << "logoutput: " << (m_dir / "danted.log").string() << "\n"
    << "internal: 127.0.0.1 port = " << port << "\n"
    << "external: 127.0.0.1\n"
    << "clientmethod: none\n"
    << "socksmethod: none\n";
  if (geteuid() == 0) c << "user.privileged: root\nuser.unprivileged: nobody\n";
  // Dante wants each rule keyword on a line of its own.
  c << "client pass {\n  from: 127.0.0.0/8 to: 0.0.0.0/0\n  log: error\n}\n"
    << "socks pass {\n  from: 127.0.0.0/8 to: 127.0.0.0/8\n  command: connect\n"
    << "  log: connect disconnect error\n}\n";
  return c.str();
}

bool SocksProxy::Start() {
  const std::string program = Program();
  if (program.empty()) return Fail(Name() + " not found");
  if (m_options.dante && !m_options.user.empty())
    return Fail("danted is run without authentication only");
  return StartOnFreePort([&](int port) {
    if (m_options.dante) {
      const auto config = m_dir / "danted.conf";
      std::ofstream(config) << DanteConfig(port);
      return std::vector<std::string>{
          program, "-f", config.string(), "-p", (m_dir / "danted.pid").string(), "-N", "1"};
    }
    std::vector<std::string> argv = {program, "-i", "127.0.0.1", "-p", std::to_string(port)};
    if (!m_options.user.empty())
      argv.insert(argv.end(), {"-u", m_options.user, "-P", m_options.password});
    return argv;
  });
}

std::string SocksProxy::Log() const {
  return m_options.dante ? ReadTextFile(m_dir / "danted.log") : "";
}

}  // namespace ferrow::test
