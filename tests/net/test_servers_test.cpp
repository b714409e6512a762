// The test servers themselves: each launcher brings its server up on 127.0.0.1, a plain socket
// client gets a sensible answer, and nothing outlives the test.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <thread>

#include "tests/support/ftp_server.h"
#include "tests/support/http_proxy.h"
#include "tests/support/nginx_server.h"
#include "tests/support/sandbox.h"
#include "tests/support/scripted_server.h"
#include "tests/support/socks_proxy.h"
#include "tests/support/test_data.h"
#include "tests/support/vsftpd_server.h"

namespace ferrow::test {
namespace {

// A blocking loopback connection with a receive time-out, so a broken server fails the test
// instead of hanging it.
class RawClient {
 public:
  explicit RawClient(int port) {
    m_fd = socket(AF_INET, SOCK_STREAM, 0);
    timeval timeout{10, 0};
    setsockopt(m_fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    m_connected = connect(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  }
  ~RawClient() { close(m_fd); }

  bool Connected() const { return m_connected; }
  void Send(const std::string& bytes) {
    ASSERT_EQ(send(m_fd, bytes.data(), bytes.size(), MSG_NOSIGNAL),
              static_cast<ssize_t>(bytes.size()));
  }
  // Up to count bytes (fewer when the peer closes first).
  std::string Receive(size_t count) {
    std::string out;
    char buffer[65536];
    while (out.size() < count) {
      ssize_t n = recv(m_fd, buffer, std::min(sizeof buffer, count - out.size()), 0);
      if (n <= 0) break;
      out.append(buffer, static_cast<size_t>(n));
    }
    return out;
  }
  std::string ReceiveAll() { return Receive(SIZE_MAX); }
  // One FTP reply: a multi-line reply ("123-...") ends at the line that begins "123 ".
  std::string FtpReply() {
    std::string reply = ReceiveLine();
    if (reply.size() < 4 || reply[3] != '-') return reply;
    const std::string end = reply.substr(0, 3) + " ";
    while (true) {
      std::string line = ReceiveLine();
      reply += line;
      if (line.empty() || line.compare(0, 4, end) == 0) return reply;
    }
  }
  std::string ReceiveLine() {
    std::string line;
    char c;
    while (recv(m_fd, &c, 1, 0) == 1) {
      line += c;
      if (c == '\n') break;
    }
    return line;
  }

 private:
  int m_fd = -1;
  bool m_connected = false;
};

std::string HttpGet(int port, const std::string& target, const std::string& extra = "") {
  RawClient client(port);
  if (!client.Connected()) return "";
  client.Send("GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n" + extra +
              "\r\n");
  return client.ReceiveAll();
}

int PasvPort(const std::string& reply) {
  int a, b, c, d, p1, p2;
  size_t open = reply.find('(');
  if (open == std::string::npos ||
      sscanf(reply.c_str() + open, "(%d,%d,%d,%d,%d,%d)", &a, &b, &c, &d, &p1, &p2) != 6)
    return 0;
  return p1 * 256 + p2;
}

// Logs in and fetches path from offset over a passive data connection.
std::string FtpFetch(int port, const std::string& user, const std::string& password,
                     const std::string& path, int offset) {
  RawClient control(port);
  EXPECT_EQ(control.FtpReply().substr(0, 3), "220");
  control.Send("USER " + user + "\r\n");
  EXPECT_EQ(control.FtpReply().substr(0, 3), "331");
  control.Send("PASS " + password + "\r\n");
  EXPECT_EQ(control.FtpReply().substr(0, 3), "230");
  control.Send("TYPE I\r\n");
  control.FtpReply();
  control.Send("PASV\r\n");
  int dataPort = PasvPort(control.FtpReply());
  RawClient data(dataPort);
  if (offset) {
    control.Send("REST " + std::to_string(offset) + "\r\n");
    EXPECT_EQ(control.FtpReply().substr(0, 3), "350");
  }
  control.Send("RETR " + path + "\r\n");
  EXPECT_EQ(control.FtpReply()[0], '1');  // 125 or 150
  std::string bytes = data.ReceiveAll();
  EXPECT_EQ(control.FtpReply().substr(0, 3), "226");
  control.Send("QUIT\r\n");
  control.FtpReply();
  return bytes;
}

std::string Body(const std::string& response) {
  size_t end = response.find("\r\n\r\n");
  return end == std::string::npos ? "" : response.substr(end + 4);
}

TEST(TestServersTest, NginxServesRangesRedirectsAuthAndCountsBytes) {
  NginxServer nginx({.limitRate = 10 << 20,
                     .redirects = {{"/old", 301, "/new"}, {"/new", 302, "/file.bin"}},
                     .replies = {{"/gone", 410, "gone"}},
                     .authPath = "/private/"});
  FERROW_START_OR_SKIP(nginx);
  WritePatternFile(nginx.Root() / "file.bin", 5000);
  std::filesystem::create_directories(nginx.Root() / "private");
  WriteFileBytes(nginx.Root() / "private" / "p.txt", "hidden\n");

  std::string ranged = HttpGet(nginx.Port(), "/file.bin", "Range: bytes=1000-\r\n");
  EXPECT_EQ(ranged.substr(0, 12), "HTTP/1.1 206");
  EXPECT_EQ(Body(ranged), PatternBytes(1000, 4000));
  EXPECT_NE(HttpGet(nginx.Port(), "/old")
                .find("Location: http://127.0.0.1:" + std::to_string(nginx.Port()) + "/new\r\n"),
            std::string::npos);
  EXPECT_EQ(HttpGet(nginx.Port(), "/gone").substr(0, 12), "HTTP/1.1 410");
  EXPECT_EQ(HttpGet(nginx.Port(), "/private/p.txt").substr(0, 12), "HTTP/1.1 401");
  EXPECT_EQ(Body(HttpGet(nginx.Port(), "/private/p.txt",
                         "Authorization: Basic dXNlcjpzZWNyZXQ=\r\n")),  // user:secret
            "hidden\n");

  ASSERT_TRUE(nginx.WaitForRequests(5, std::chrono::seconds(10)));
  EXPECT_EQ(nginx.BodyBytesSent("/file.bin"), 4000);
  EXPECT_EQ(nginx.AccessLog()[0].range, "bytes=1000-");
  EXPECT_EQ(nginx.AccessLog()[0].status, 206);
}

TEST(TestServersTest, NginxRelativeRedirectsStayRelative) {
  NginxServer nginx({.redirects = {{"/a", 302, "/b"}}, .absoluteRedirects = false});
  FERROW_START_OR_SKIP(nginx);
  EXPECT_NE(HttpGet(nginx.Port(), "/a").find("Location: /b\r\n"), std::string::npos);
}

TEST(TestServersTest, FtpServerServesAnonymousAndUserLoginsAndLogsCommands) {
  FtpServer ftp({.user = "alice", .password = "pw"});
  FERROW_START_OR_SKIP(ftp);
  WritePatternFile(ftp.Root() / "f.bin", 3000);

  EXPECT_EQ(FtpFetch(ftp.Port(), "anonymous", "me@example.com", "f.bin", 0), PatternBytes(0, 3000));
  EXPECT_EQ(FtpFetch(ftp.Port(), "alice", "pw", "/f.bin", 1000), PatternBytes(1000, 2000));

  const auto commands = ftp.Commands();
  EXPECT_NE(std::find(commands.begin(), commands.end(), "REST 1000"), commands.end());
  EXPECT_NE(std::find(commands.begin(), commands.end(), "USER alice"), commands.end());
  // pyftpdlib logs a transfer after the data connection has closed; give it a moment.
  for (int i = 0; i < 200 && ftp.RetrBytes() < 5000; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(ftp.RetrBytes(), 5000);
}

TEST(TestServersTest, VsftpdServesAnonymousDownloadsAndLogsThem) {
  VsftpdServer ftp;
  FERROW_START_OR_SKIP(ftp);
  WritePatternFile(ftp.Root() / "f.bin", 3000);
  std::filesystem::permissions(ftp.Root() / "f.bin", std::filesystem::perms(0644));
  EXPECT_EQ(FtpFetch(ftp.Port(), "anonymous", "me@example.com", "f.bin", 1000),
            PatternBytes(1000, 2000));
  const auto commands = ftp.Commands();
  EXPECT_NE(std::find(commands.begin(), commands.end(), "REST 1000"), commands.end()) << ftp.Log();
  EXPECT_EQ(ftp.RetrBytes(), 2000);
}

TEST(TestServersTest, SocksProxiesCarryConnectionsWithAndWithoutLogin) {
  ScriptedServer http("fault_http", {"--size", "100"});
  FERROW_START_OR_SKIP(http);
  const uint16_t target = htons(static_cast<uint16_t>(http.Port()));
  const std::string connect = std::string("\x05\x01\x00\x01\x7f\x00\x00\x01", 8) +
                              std::string(reinterpret_cast<const char*>(&target), 2);

  for (bool dante : {false, true}) {
    SocksProxy socks({.dante = dante});
    if (!socks.Available()) {
      if (test::RunningInCi()) ADD_FAILURE() << socks.Name() << " is not installed";
      continue;
    }
    ASSERT_TRUE(socks.Start()) << socks.Error();
    RawClient client(socks.Port());
    client.Send(std::string("\x05\x01\x00", 3));
    EXPECT_EQ(client.Receive(2), std::string("\x05\x00", 2)) << socks.Name();
    client.Send(connect);
    EXPECT_EQ(client.Receive(10).substr(0, 2), std::string("\x05\x00", 2)) << socks.Name();
    client.Send("GET /x HTTP/1.1\r\nHost: h\r\nConnection: close\r\n\r\n");
    EXPECT_EQ(Body(client.ReceiveAll()), PatternBytes(0, 100)) << socks.Name();
  }

  SocksProxy socks({.user = "u", .password = "p"});
  FERROW_START_OR_SKIP(socks);
  RawClient client(socks.Port());
  client.Send(std::string("\x05\x01\x02", 3));
  EXPECT_EQ(client.Receive(2), std::string("\x05\x02", 2));
  client.Send(std::string("\x01\x01u\x01p", 5));
  EXPECT_EQ(client.Receive(2), std::string("\x01\x00", 2));
  client.Send(connect);
  EXPECT_EQ(client.Receive(10).substr(0, 2), std::string("\x05\x00", 2));
}

TEST(TestServersTest, HttpProxyForwardsAndLogsTheRequestLine) {
  ScriptedServer http("fault_http", {"--size", "10"});
  FERROW_START_OR_SKIP(http);
  HttpProxy proxy;
  FERROW_START_OR_SKIP(proxy);
  std::string response = HttpGet(proxy.Port(), http.Url("/a/b.bin"));
  EXPECT_EQ(response.substr(0, 12), "HTTP/1.1 200");
  EXPECT_EQ(Body(response), PatternBytes(0, 10));
  ASSERT_EQ(proxy.RequestLines().size(), 1u) << proxy.Log();
  EXPECT_EQ(proxy.RequestLines()[0], "GET " + http.Url("/a/b.bin") + " HTTP/1.1");
  EXPECT_EQ(http.LogLines("REQUEST ")[0], "REQUEST 1 GET /a/b.bin HTTP/1.1");
}

TEST(TestServersTest, FaultHttpResetsTheFirstBodyAndLogsRequests) {
  ScriptedServer http("fault_http",
                      {"--size", "5000", "--reset-after", "100", "--reset-count", "1"});
  FERROW_START_OR_SKIP(http);
  std::string first = HttpGet(http.Port(), "/f", "Range: bytes=1000-\r\n");
  EXPECT_EQ(Body(first), PatternBytes(1000, 100));
  std::string second = HttpGet(http.Port(), "/f", "Range: bytes=1000-\r\n");
  EXPECT_NE(second.find("Content-Range: bytes 1000-4999/5000\r\n"), std::string::npos);
  EXPECT_EQ(Body(second), PatternBytes(1000, 4000));
  EXPECT_EQ(http.LogLines("HEADER 2 Range: ").at(0), "HEADER 2 Range: bytes=1000-");
  EXPECT_EQ(http.BytesSent(), 4100);
}

TEST(TestServersTest, FaultHttpSwitchesGiveTheirFault) {
  struct Row {
    std::vector<std::string> switches;
    std::string expectedHead;  // the answer begins with this
  };
  const std::vector<Row> rows = {
      {{"--ignore-range"}, "HTTP/1.1 200 OK\r\n"},
      {{"--bad-content-range"}, "HTTP/1.1 206"},
      {{"--auth", "u:p"}, "HTTP/1.1 401"},
      {{"--redirect-loop"}, "HTTP/1.1 302 Found\r\nLocation: /loop/1\r\n"},
      {{"--empty-location"}, "HTTP/1.1 302 Found\r\nLocation: \r\n"},
      {{"--redirect", "/f=301:http://127.0.0.1:1/x"},
       "HTTP/1.1 301 Moved Permanently\r\nLocation: http://127.0.0.1:1/x\r\n"},
      {{"--status", "404"}, "HTTP/1.1 404"},
      {{"--close-mid-header"}, "HTTP/1.1 200 OK\r\nContent-Le"},
      {{"--hostile", "bare-lf"}, "HTTP/1.1 200 OK\nContent-Length: 10\n\n"},
  };
  for (const auto& row : rows) {
    std::vector<std::string> args = {"--size", "300"};
    args.insert(args.end(), row.switches.begin(), row.switches.end());
    ScriptedServer http("fault_http", args);
    FERROW_START_OR_SKIP(http);
    std::string answer = HttpGet(http.Port(), "/f", "Range: bytes=100-\r\n");
    EXPECT_EQ(answer.substr(0, row.expectedHead.size()), row.expectedHead) << row.switches[0];
    if (row.switches[0] == "--ignore-range") {
      EXPECT_EQ(Body(answer), PatternBytes(0, 300));
    }
    if (row.switches[0] == "--bad-content-range") {
      EXPECT_NE(answer.find("Content-Range: bytes 101-299/300\r\n"), std::string::npos);
    }
  }
}

TEST(TestServersTest, ScriptedServerRestartsOnTheSamePortWithNewSwitches) {
  ScriptedServer http("fault_http", {"--size", "10"});
  FERROW_START_OR_SKIP(http);
  const int port = http.Port();
  ASSERT_TRUE(http.Restart({"--size", "20"})) << http.Error();
  EXPECT_EQ(http.Port(), port);
  EXPECT_EQ(Body(HttpGet(port, "/x")), PatternBytes(0, 20));
}

TEST(TestServersTest, UnreachablePortLeavesConnectHanging) {
  ScriptedServer blackhole("fault_http", {"--unreachable"});
  FERROW_START_OR_SKIP(blackhole);
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(blackhole.Port()));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), -1);
  EXPECT_EQ(errno, EINPROGRESS);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  int error = 0;
  socklen_t length = sizeof error;
  getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length);
  sockaddr_in peer{};
  socklen_t peerLength = sizeof peer;
  // Still not connected: no error yet and no peer.
  EXPECT_EQ(error, 0);
  EXPECT_EQ(getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &peerLength), -1);
  close(fd);
}

TEST(TestServersTest, FaultFtpAndSocksAnswerTheirScenario) {
  ScriptedServer ftp("fault_ftp", {"--greeting-lines", "3", "--user-230"});
  FERROW_START_OR_SKIP(ftp);
  RawClient control(ftp.Port());
  EXPECT_EQ(control.FtpReply(), "220-Welcome\r\n greeting line 2\r\n220 End\r\n");
  control.Send("USER anonymous\r\n");
  EXPECT_EQ(control.FtpReply().substr(0, 4), "230 ");
  EXPECT_EQ(ftp.LogLines("COMMAND ").at(0), "COMMAND 1 USER anonymous");

  ScriptedServer socks("fault_socks", {"--no-method"});
  FERROW_START_OR_SKIP(socks);
  RawClient client(socks.Port());
  client.Send(std::string("\x05\x01\x00", 3));
  EXPECT_EQ(client.Receive(2), std::string("\x05\xff", 2));
}

TEST(TestServersTest, ServersEndWithTheirObjectAndWithACrashedTest) {
  int port = 0;
  {
    ScriptedServer http("fault_http");
    FERROW_START_OR_SKIP(http);
    port = http.Port();
    EXPECT_TRUE(CanConnect(port));
  }
  EXPECT_FALSE(CanConnect(port));

  // A child plays a test that dies without running any destructor.
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    auto* server = new ScriptedServer("fault_http");
    int childPort = server->Start() ? server->Port() : 0;
    if (write(fds[1], &childPort, sizeof childPort) != sizeof childPort) _exit(2);
    _exit(0);
  }
  close(fds[1]);
  ASSERT_EQ(read(fds[0], &port, sizeof port), static_cast<ssize_t>(sizeof port));
  close(fds[0]);
  waitpid(child, nullptr, 0);
  ASSERT_GT(port, 0);
  bool gone = false;
  for (int i = 0; i < 200 && !gone; ++i) {
    gone = !CanConnect(port);
    if (!gone) std::this_thread::sleep_for(std::chrono::milliseconds(25));
  }
  EXPECT_TRUE(gone);
}

}  // namespace
}  // namespace ferrow::test
