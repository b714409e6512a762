#pragma once
// nginx serving a folder on 127.0.0.1, as one foreground process (no master/worker pair, so
// nothing can outlive the test), with a temporary configuration, error log and access log.
//
//   NginxServer nginx({.limitRate = 1 << 20,
//                      .redirects = {{"/old", 301, "/new"}, {"/new", 302, "/file.bin"}}});
//   FERROW_START_OR_SKIP(nginx);
//   WriteFileBytes(nginx.Root() / "file.bin", ...);
//
// The access log records for every request the method, path, Range header, status and the
// bytes sent, so tests count what a download fetched at the server.
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/peer_server.h"

namespace ferrow::test {

struct NginxRedirect {
  std::string from{};  // exact path
  int code = 302;
  std::string to{};  // a path or an absolute URL
};

struct NginxReply {
  std::string path{};  // exact path
  int code = 404;
  std::string text{};  // body (empty: nginx's own page)
};

struct NginxOptions {
  std::filesystem::path root{};  // served folder; empty: a fresh folder inside Dir()
  long long limitRate = 0;       // bytes per second per connection; 0 = unlimited
  std::vector<NginxRedirect> redirects{};
  std::vector<NginxReply> replies{};
  // Basic authentication on every path below authPath ("/private/"), when not empty.
  std::string authPath{};
  std::string authUser = "user";
  std::string authPassword = "secret";
  // Off: a relative Location stays relative (nginx otherwise makes it absolute).
  bool absoluteRedirects = true;
  std::string extraServerConfig{};  // raw lines added inside the server block
  std::string extraHttpConfig{};    // raw lines added inside the http block
  // TLS: both set, the server speaks only https (Url() gives https:// addresses).
  std::filesystem::path tlsCertificate{};
  std::filesystem::path tlsKey{};
  // Added to the listen directive ("sndbuf=65536": a small send buffer, so that limitRate
  // holds from the first byte instead of after a burst the size of the socket buffer).
  std::string listenOptions{};
  // Listen on ::1 only instead of 127.0.0.1 (Url() gives [::1] addresses).
  bool ipv6Only = false;
};

struct AccessLogEntry {
  std::string method{};
  std::string uri{};
  std::string range{};  // the Range header, "-" when none
  int status = 0;
  long long bytesSent = 0;      // header and body
  long long bodyBytesSent = 0;  // body only
  bool sessionReused = false;   // the TLS handshake resumed a session
  long long connection = 0;     // nginx's serial number of the connection
};

class NginxServer : public PeerServer {
 public:
  explicit NginxServer(NginxOptions options = {});

  std::string Name() const override { return "nginx"; }
  bool Available() const override;
  bool Start() override;

  const std::filesystem::path& Root() const { return m_options.root; }
  std::string Url(const std::string& path) const;
  bool Tls() const { return !m_options.tlsCertificate.empty(); }
  // The requests nginx has finished (it logs a request when its response ends).
  std::vector<AccessLogEntry> AccessLog() const;
  // Waits until at least count requests are logged; false when the time runs out.
  bool WaitForRequests(size_t count, std::chrono::milliseconds timeout) const;
  // Makes one plain request of its own and returns the serial of its connection, or -1: every
  // connection opened before it has a lower serial, every one opened after a higher, whenever
  // nginx gets round to logging them.
  long long MarkConnection() const;
  // Body bytes sent for uri ("" = every request).
  long long BodyBytesSent(const std::string& uri = "") const;
  std::string ErrorLog() const;

 private:
  std::string Config(int port) const;

  NginxOptions m_options;
};

}  // namespace ferrow::test
