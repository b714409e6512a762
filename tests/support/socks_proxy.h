#pragma once
// A real SOCKS5 proxy on 127.0.0.1: microsocks, or Dante (danted) when asked for.
//
//   SocksProxy socks({.user = "u", .password = "p"});   // user/password method required
//   FERROW_START_OR_SKIP(socks);
//
// Dante runs without authentication only (its user/password method checks system accounts).
#include <string>

#include "tests/support/peer_server.h"

namespace ferrow::test {

struct SocksOptions {
  std::string user{};  // empty: no authentication
  std::string password{};
  bool dante = false;  // danted instead of microsocks
};

class SocksProxy : public PeerServer {
 public:
  explicit SocksProxy(SocksOptions options = {});

  std::string Name() const override { return m_options.dante ? "danted" : "microsocks"; }
  bool Available() const override;
  bool Start() override;
  // Dante's log ("" for microsocks, which logs nothing useful).
  std::string Log() const;

 private:
  std::string Program() const;
  std::string DanteConfig(int port) const;

  SocksOptions m_options;
};

}  // namespace ferrow::test
