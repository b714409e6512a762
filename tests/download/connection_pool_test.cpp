// Kept-alive connections: the next download takes the last one's connection; a connection the
// server closed, one it said it would close and one whose body was left unread are never used
// again. Counted in the scripted server's log, not timed.
#include "net/connection_pool.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "download/file_transfer.h"
#include "tests/download/real_transfer_fixture.h"
#include "tests/support/nginx_server.h"
#include "tests/support/scripted_server.h"
#include "tests/support/test_data.h"

namespace ferrow {
namespace {

class ConnectionPoolTest : public test::RealTransferTest {
 protected:
  void SetUp() override {
    RealTransferTest::SetUp();
    m_settings.SetConnectionPool(m_pool);
  }
  // Two downloads of the same file, one after the other, each checked.
  void RunTwice(test::ScriptedServer& http, size_t size) {
    for (int i = 0; i < 2; ++i) {
      auto transfer = Run(http.Url("/file.bin"));
      ExpectFile(*transfer, test::PatternBytes(0, size));
      EXPECT_EQ(transfer->Master().Attempts(), 0) << "download " << i;
      std::filesystem::remove(Target());
    }
  }
  std::shared_ptr<CConnectionPool> m_pool = std::make_shared<CConnectionPool>();
};

TEST_F(ConnectionPoolTest, TheNextDownloadTakesTheKeptConnection) {
  test::ScriptedServer http("fault_http", {"--size", "50000"});
  FERROW_START_OR_SKIP(http);
  RunTwice(http, 50000);
  EXPECT_EQ(http.LogLines("CONNECT ").size(), 1u);
  EXPECT_EQ(http.LogLines("REQUEST ").size(), 2u);
  EXPECT_EQ(m_pool->Reuses(), 1u);
  EXPECT_EQ(m_pool->IdleCount(), 1u);
}

// The server closes after the body without saying so: whether the taker sees the close before
// or after its request, it connects anew at no cost of an attempt.
TEST_F(ConnectionPoolTest, AConnectionTheServerClosedIsReplacedWithoutAFailure) {
  test::ScriptedServer http("fault_http", {"--size", "50000", "--close-after-body"});
  FERROW_START_OR_SKIP(http);
  RunTwice(http, 50000);
  EXPECT_EQ(http.LogLines("CONNECT ").size(), 2u);
  EXPECT_EQ(http.LogLines("REQUEST ").size(), 2u);
}

TEST_F(ConnectionPoolTest, AConnectionThatSaidCloseIsNeverKept) {
  // The server keeps the connection open although it said close: only the header tells.
  test::ScriptedServer http("fault_http", {"--size", "50000", "--say-close"});
  FERROW_START_OR_SKIP(http);
  RunTwice(http, 50000);
  EXPECT_EQ(http.LogLines("CONNECT ").size(), 2u);
  EXPECT_EQ(m_pool->IdleCount(), 0u);
}

// Ranged requests answered 200 (the whole file) stop unread: none of those connections carries
// another request, or the rest of that body would be read as the next answer.
TEST_F(ConnectionPoolTest, AConnectionWithABodyLeftUnreadIsNeverKept) {
  const size_t size = 2 * 1024 * 1024;
  test::ScriptedServer http(
      "fault_http", {"--size", std::to_string(size), "--ignore-range", "--slow", "65536:20"});
  FERROW_START_OR_SKIP(http);
  m_settings.SetMaxThreads(4);
  auto transfer = Run(http.Url("/file.bin"));
  ExpectFile(*transfer, test::PatternBytes(0, size));
  std::map<std::string, int> requests;
  std::map<std::string, bool> ranged;
  for (const std::string& line : http.LogLines("REQUEST "))
    ++requests[line.substr(8, line.find(' ', 8) - 8)];
  for (const std::string& line : http.LogLines("HEADER ")) {
    const std::string connection = line.substr(7, line.find(' ', 7) - 7);
    if (line.find("Range: bytes=") != std::string::npos &&
        line.find("bytes=0-") == std::string::npos)
      ranged[connection] = true;
  }
  for (const auto& [connection, count] : requests) {
    if (ranged[connection]) {
      EXPECT_EQ(count, 1) << "connection " << connection;
    }
  }
}

// A part asks for its range only, so one that finishes has read its answer to the end and
// keeps its connection for the range it takes over: with one part held slow by the server, the
// others take its range in pieces on the connections they already have.
TEST_F(ConnectionPoolTest, APartThatTakesOverKeepsItsConnection) {
  test::NginxServer nginx({
      .extraServerConfig = "limit_rate $part_rate;",
      .extraHttpConfig = "map $http_range $part_rate { \"bytes=2097152-4194303\" 64k; default 0; }",
  });
  FERROW_START_OR_SKIP(nginx);
  const std::string content = test::PatternBytes(0, 8 << 20);
  test::WriteFileBytes(nginx.Root() / "file.bin", content);
  m_settings.SetMaxThreads(4);
  auto transfer = Run(nginx.Url("/file.bin"));
  ExpectFile(*transfer, content);
  ASSERT_TRUE(test::WaitUntil([&] { return nginx.AccessLog().size() >= 6; }));
  std::set<long long> connections;
  const auto log = nginx.AccessLog();
  for (const test::AccessLogEntry& entry : log) connections.insert(entry.connection);
  // The last part's answer ends with the file and leaves its connection reusable anyhow; a
  // part in the middle only when it asked for its range, not for the rest of the file.
  EXPECT_GE(log.size() - connections.size(), 2u)
      << log.size() << " requests on " << connections.size() << " connections";
}

}  // namespace
}  // namespace ferrow
