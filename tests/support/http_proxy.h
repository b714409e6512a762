#pragma once
// A real HTTP proxy on 127.0.0.1: tinyproxy in the foreground with a temporary configuration
// that lets only 127.0.0.1 in. Its log records the request line of every request it received,
// so a test can check the absolute target and that no credentials reached the proxy (the
// headers the proxy passed on are visible at the upstream server, e.g. fault_http's log).
#include <string>
#include <vector>

#include "tests/support/peer_server.h"

namespace ferrow::test {

class HttpProxy : public PeerServer {
 public:
  HttpProxy();

  std::string Name() const override { return "tinyproxy"; }
  bool Available() const override;
  bool Start() override;

  std::string Log() const;
  // The request lines received ("GET http://127.0.0.1:8080/x HTTP/1.1").
  std::vector<std::string> RequestLines() const;
};

}  // namespace ferrow::test
