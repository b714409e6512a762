#include "tests/support/nginx_server.h"

#include <unistd.h>

#include <fstream>
#include <sstream>
#include <thread>

#include "platform/socket.h"
#include "tests/support/wait_until.h"

namespace ferrow::test {

NginxServer::NginxServer(NginxOptions options)
    : PeerServer("nginx"), m_options(std::move(options)) {
  if (m_options.root.empty()) m_options.root = m_dir / "www";
  std::filesystem::create_directories(m_options.root);
  std::filesystem::create_directories(m_dir / "temp");
}

bool NginxServer::Available() const {
  return !FindProgram({"/usr/sbin/nginx", "nginx"}).empty();
}

std::string NginxServer::Config(int port) const {
  const std::string dir = m_dir.string();
  std::ostringstream c;
  c << "daemon off;\n";
  c << "master_process off;\n";
  c << "worker_processes 1;\n";
  c << "pid " << dir << "/nginx.pid;\n";
  c << "error_log " << dir << "/error.log warn;\n";
  c << "events { worker_connections 1024; }\n";
  c << "http {\n";
  c << "  default_type application/octet-stream;\n";
  c << "  sendfile on;\n";
  c << "  keepalive_timeout 65;\n";
  for (const char* kind : {"client_body", "proxy", "fastcgi", "uwsgi", "scgi"})
    c << "  " << kind << "_temp_path " << dir << "/temp/" << kind << ";\n";
  c << "  log_format counted "
       "'$request_method $uri \"$http_range\" $status $bytes_sent $body_bytes_sent "
       "$ssl_session_reused $connection';\n";
  c << m_options.extraHttpConfig << "\n";
  c << "  access_log " << dir << "/access.log counted;\n";
  c << "  server {\n";
  c << "    listen " << (m_options.ipv6Only ? "[::1]:" : "127.0.0.1:") << port
    << (Tls() ? " ssl" : "") << " " << m_options.listenOptions << ";\n";
  if (Tls()) {
    c << "    ssl_certificate " << m_options.tlsCertificate.string() << ";\n";
    c << "    ssl_certificate_key " << m_options.tlsKey.string() << ";\n";
  }
  c << "    server_name localhost;\n";
  c << "    root " << m_options.root.string() << ";\n";
  if (m_options.limitRate > 0) c << "    limit_rate " << m_options.limitRate << ";\n";
  if (!m_options.absoluteRedirects) c << "    absolute_redirect off;\n";
  for (const auto& r : m_options.redirects)
    c << "    location = " << r.from << " { return " << r.code << " " << r.to << "; }\n";
  for (const auto& r : m_options.replies) {
    c << "    location = " << r.path << " { return " << r.code;
    if (!r.text.empty()) c << " \"" << r.text << "\\n\"";
    c << "; }\n";
  }
  if (!m_options.authPath.empty())
    c << "    location " << m_options.authPath << " { auth_basic \"test\"; "
      << "auth_basic_user_file " << dir << "/htpasswd; }\n";
  c << m_options.extraServerConfig << "\n";
  c << "  }\n";
  c << "}\n";
  return c.str();
}

bool NginxServer::Start() {
  const std::string nginx = FindProgram({"/usr/sbin/nginx", "nginx"});
  if (nginx.empty()) return Fail("nginx not found");
  {
    std::ofstream out(m_dir / "htpasswd");
    // nginx takes "{PLAIN}" passwords, which keeps tests free of crypt().
    out << m_options.authUser << ":{PLAIN}" << m_options.authPassword << "\n";
  }
  return StartOnFreePort([&](int port) {
    const auto config = m_dir / "nginx.conf";
    std::ofstream(config) << Config(port);
    return std::vector<std::string>{
        nginx, "-p", m_dir.string(), "-c", config.string(), "-e", (m_dir / "error.log").string()};
  });
}

std::string NginxServer::Url(const std::string& path) const {
  return std::string(Tls() ? "https://" : "http://") +
         (m_options.ipv6Only ? "[::1]" : "127.0.0.1") + ":" + std::to_string(m_port) + path;
}

std::vector<AccessLogEntry> NginxServer::AccessLog() const {
  std::vector<AccessLogEntry> entries;
  std::istringstream in(ReadTextFile(m_dir / "access.log"));
  std::string line;
  while (std::getline(in, line)) {
    // method uri "range" status bytes body reused connection; the range is quoted and may
    // hold spaces.
    AccessLogEntry e;
    std::istringstream fields(line);
    fields >> e.method >> e.uri;
    size_t open = line.find('"');
    size_t close = line.find('"', open + 1);
    if (open == std::string::npos || close == std::string::npos) continue;
    e.range = line.substr(open + 1, close - open - 1);
    std::istringstream rest(line.substr(close + 1));
    std::string reused;
    rest >> e.status >> e.bytesSent >> e.bodyBytesSent >> reused >> e.connection;
    e.sessionReused = reused == "r";
    entries.push_back(e);
  }
  return entries;
}

bool NginxServer::WaitForRequests(size_t count, std::chrono::milliseconds timeout) const {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (AccessLog().size() < count) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

long long NginxServer::MarkConnection() const {
  static const std::string kMarker = "/.connection-mark";
  IpAddress address;
  if (Tls() || !ParseNumericAddress(m_options.ipv6Only ? "::1" : "127.0.0.1", address)) return -1;
  const SocketHandle socket = SocketCreate(address.family);
  if (!SocketConnect(socket, address, static_cast<uint16_t>(m_port), 5000)) {
    SocketClose(socket);
    return -1;
  }
  const std::string request = "GET " + kMarker + " HTTP/1.0\r\n\r\n";
  SocketSend(socket, request.data(), static_cast<int>(request.size()), 5000);
  char buffer[4096];
  while (SocketReceive(socket, buffer, sizeof buffer, 0, 5000) > 0) {
  }
  SocketClose(socket);
  long long serial = -1;
  WaitUntil([&] {
    for (const AccessLogEntry& entry : AccessLog())
      if (entry.uri == kMarker) serial = entry.connection;
    return serial >= 0;
  });
  return serial;
}

long long NginxServer::BodyBytesSent(const std::string& uri) const {
  long long sum = 0;
  for (const auto& e : AccessLog())
    if (uri.empty() || e.uri == uri) sum += e.bodyBytesSent;
  return sum;
}

std::string NginxServer::ErrorLog() const {
  return ReadTextFile(m_dir / "error.log");
}

}  // namespace ferrow::test
