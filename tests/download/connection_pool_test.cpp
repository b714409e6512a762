// Kept-alive connections: the next download takes the last one's connection; a connection the
// server closed, one it said it would close and one whose body was left unread are never used
// again. Counted in the scripted server's log, not timed.
#include "net/connection_pool.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "download/file_transfer.h"
#include "tests/download/real_transfer_fixture.h"
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

}  // namespace
}  // namespace ferrow
