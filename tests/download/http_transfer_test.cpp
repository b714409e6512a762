// Segmented transfers with the real HTTP client against nginx and the scripted fault server.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <thread>

#include "download/file_transfer.h"
#include "download/resume_block.h"
#include "net/log_info.h"
#include "net/proxy_info.h"
#include "net/transfer_settings.h"
#include "platform/text.h"
#include "tests/download/real_transfer_fixture.h"
#include "tests/support/ftp_server.h"
#include "tests/support/nginx_server.h"
#include "tests/support/sandbox.h"
#include "tests/support/scripted_server.h"
#include "tests/support/test_data.h"

namespace ferrow {
namespace {

using test::WaitUntil;

// Where a logged request starts: "bytes=N-M" as "bytes=N-" (a part asks up to its range's end).
std::string RangeFrom(const std::string& range) {
  return range.substr(0, range.find('-') + 1);
}

class HttpTransferTest : public test::RealTransferTest {
 protected:
  static bool HasNotice(CFileTransfer& transfer) {
    for (const CLogInfo& line : transfer.Log().Lines())
      if (line.Kind() == LogKind::kNotice) return true;
    return false;
  }
};

TEST_F(HttpTransferTest, NginxFilesFinishByteIdentical) {
  test::NginxServer nginx;
  FERROW_START_OR_SKIP(nginx);
  struct Case {
    uint64_t size;
    int32_t threads;
  };
  for (Case c : {Case{0, 4}, Case{10, 3}, Case{1, 64}, Case{3000017, 8}}) {
    SCOPED_TRACE(c.size);
    std::string content = test::PatternBytes(0, c.size);
    test::WriteFileBytes(nginx.Root() / "file.bin", content);
    m_settings.SetMaxThreads(c.threads);
    auto transfer = Run(nginx.Url("/file.bin"));
    ExpectFile(*transfer, content);
    std::filesystem::remove(Target());
  }
  // A file under 1 MiB is fetched with the one request that learned its size: the query's
  // body is the first part's data. The large one asks for the other parts only.
  ASSERT_TRUE(nginx.WaitForRequests(11, std::chrono::seconds(10)));
  std::multiset<std::string> ranges;
  for (const test::AccessLogEntry& entry : nginx.AccessLog()) ranges.insert(RangeFrom(entry.range));
  EXPECT_EQ(ranges.count("bytes=0-"), 4u);
  EXPECT_EQ(ranges.count("bytes=3-"), 0u);
  EXPECT_EQ(ranges.count("bytes=375002-"), 1u);
}

TEST_F(HttpTransferTest, StopThenStartAsksEachPartForItsMissingBytesOnly) {
  test::NginxServer nginx({.limitRate = 400000});
  FERROW_START_OR_SKIP(nginx);
  std::string content = test::PatternBytes(0, 4 << 20);
  test::WriteFileBytes(nginx.Root() / "file.bin", content);
  m_settings.SetMaxThreads(4);
  auto first = Start(nginx.Url("/file.bin"));
  ASSERT_TRUE(WaitUntil([&] { return first->Master().Done() > (1 << 20); }));
  first->Stop();
  EXPECT_EQ(first->Master().Error(), MakeError(kCategorySystem, SystemCode::kCancelled));
  auto parts = PartsInBlock();
  ASSERT_EQ(parts.size(), 4u);
  auto second = Run(nginx.Url("/file.bin"));
  ExpectFile(*second, content);
  // Every new request starts where its part had stopped (a part still at byte 0 sends no
  // Range). nginx logs a request only when its connection ends, so the stopped first run's
  // requests may be logged at any point: tell them apart by their offsets, not by log order.
  std::set<std::string> firstRun, expected;
  for (auto [start, done] : parts) {
    if (start != 0) firstRun.insert("bytes=" + std::to_string(start) + "-");
    if (start + done != 0) expected.insert("bytes=" + std::to_string(start + done) + "-");
  }
  std::set<std::string> asked;
  auto collect = [&] {
    asked.clear();
    for (const test::AccessLogEntry& entry : nginx.AccessLog()) {
      if (entry.range != "-") asked.insert(RangeFrom(entry.range));
    }
    return std::includes(asked.begin(), asked.end(), expected.begin(), expected.end());
  };
  WaitUntil(collect);
  for (const std::string& range : expected) EXPECT_EQ(asked.count(range), 1u) << range;
  // Beyond those: the queries (the first part's data from byte 0) and the backs of ranges
  // that idle parts took over, always inside what was missing.
  for (const std::string& range : asked) {
    if (expected.count(range) == 1 || firstRun.count(range) == 1 || range == "bytes=0-") continue;
    uint64_t offset = std::stoull(range.substr(6));
    EXPECT_TRUE(std::any_of(parts.begin(), parts.end(), [&](const auto& part) {
      return offset > part.first + part.second && offset < part.first + (1u << 20);
    })) << range;
  }
}

TEST_F(HttpTransferTest, ResetsAreRetriedUpToRetryAttemptsInAll) {
  test::ScriptedServer http("fault_http", {"--size", "50000", "--reset-after", "1000"});
  FERROW_START_OR_SKIP(http);
  m_settings.SetRetryAttempts(3);
  auto transfer = Run(http.Url("/file.bin"));
  EXPECT_EQ(transfer->Master().Status(), DownloadStatus::kFailed);
  EXPECT_EQ(transfer->Master().Error(), MakeError(kCategorySocket, SocketCode::kConnectionReset));
  // Three attempts in all: the query's answer is the first attempt at the data.
  EXPECT_EQ(http.LogLines("REQUEST ").size(), 3u);
  EXPECT_TRUE(std::filesystem::exists(Temporary()));
}

TEST_F(HttpTransferTest, ResetPartsResumeAndFinish) {
  test::ScriptedServer http("fault_http",
                            {"--size", "200000", "--reset-after", "7000", "--reset-count", "5"});
  FERROW_START_OR_SKIP(http);
  m_settings.SetMaxThreads(4);
  m_settings.SetRetryAttempts(10);
  auto transfer = Run(http.Url("/file.bin"));
  ExpectFile(*transfer, test::PatternBytes(0, 200000));
}

TEST_F(HttpTransferTest, NotFoundIsNotRetried) {
  test::ScriptedServer http("fault_http", {"--status", "404"});
  FERROW_START_OR_SKIP(http);
  m_settings.SetRetryAttempts(5);
  auto transfer = Run(http.Url("/file.bin"));
  EXPECT_EQ(transfer->Master().Error(), MakeError(kCategoryHttp, 404));
  EXPECT_EQ(http.LogLines("REQUEST ").size(), 1u);
}

TEST_F(HttpTransferTest, UnauthorizedWaitsInLoginRequired) {
  test::ScriptedServer http("fault_http", {"--size", "1000", "--auth", "user:secret"});
  FERROW_START_OR_SKIP(http);
  for (bool giveUp : {true, false}) {
    SCOPED_TRACE(giveUp);
    auto transfer = Start(http.Url("/file.bin"));
    auto waiting = [&] { return transfer->Master().Status() == DownloadStatus::kLoginRequired; };
    ASSERT_TRUE(WaitUntil(waiting));
    if (giveUp) {
      transfer->Resume(0);
      transfer->Wait();
      EXPECT_EQ(transfer->Master().Status(), DownloadStatus::kFailed);
      EXPECT_EQ(transfer->Master().Error(), MakeError(kCategoryHttp, 401));
      continue;
    }
    // Going on without a new login asks again; with the login stored it completes.
    size_t requests = http.LogLines("REQUEST ").size();
    transfer->Resume(1);
    ASSERT_TRUE(WaitUntil([&] { return http.LogLines("REQUEST ").size() == requests + 1; }));
    ASSERT_TRUE(WaitUntil(waiting));
    m_settings.SetLogin(L"127.0.0.1", L"user", L"secret", true);
    transfer->Resume(1);
    transfer->Wait();
    ExpectFile(*transfer, test::PatternBytes(0, 1000));
  }
}

TEST_F(HttpTransferTest, ServerIgnoringRangesGivesAnIdenticalFile) {
  test::ScriptedServer http("fault_http", {"--size", "300001", "--ignore-range"});
  FERROW_START_OR_SKIP(http);
  m_settings.SetMaxThreads(4);
  auto transfer = Run(http.Url("/file.bin"));
  ExpectFile(*transfer, test::PatternBytes(0, 300001));
}

TEST_F(HttpTransferTest, ChangedFileIsFetchedWhole) {
  test::ScriptedServer http("fault_http", {"--size", "2000000", "--slow", "16384:5"});
  FERROW_START_OR_SKIP(http);
  m_settings.SetMaxThreads(2);
  auto first = Start(http.Url("/file.bin"));
  ASSERT_TRUE(WaitUntil([&] { return first->Master().Done() > 100000; }));
  first->Stop();
  std::vector<std::string> stoppedAt;
  {
    CResumeBlock block;
    ASSERT_EQ(block.OpenExisting(Utf8ToWide(Temporary().string())), 0u);
    for (int32_t i = 0; i < block.Parts(); ++i) {
      if (block.PartDone(i) != 0)
        stoppedAt.push_back("bytes=" + std::to_string(block.PartStart(i) + block.PartDone(i)) + "-");
    }
  }
  ASSERT_TRUE(http.Restart({"--size", "2000007"}));
  size_t before = http.LogLines("HEADER ").size();
  auto second = Run(http.Url("/file.bin"));
  ExpectFile(*second, test::PatternBytes(0, 2000007));
  // The parts of the new file start at their beginnings, not where the old ones stopped.
  std::vector<std::string> headers = http.LogLines("HEADER ");
  bool secondPartFromItsStart = false;
  for (size_t i = before; i < headers.size(); ++i) {
    if (headers[i].find("Range: bytes=1000003-") != std::string::npos) secondPartFromItsStart = true;
    for (const std::string& old : stoppedAt)
      EXPECT_EQ(headers[i].find("Range: " + old), std::string::npos) << headers[i];
  }
  EXPECT_TRUE(secondPartFromItsStart);
}

// Trust boundary: a file that changes on the server between parts. Nothing mixed is ever
// finished: the download starts again, says why, and ends with the new file whole.
TEST_F(HttpTransferTest, FileChangedBetweenPartsStartsAgainFromTheBeginning) {
  struct Case {
    const char* name;
    std::vector<std::string> switches;
    uint64_t newSize;
  } cases[] = {
      {"same size, entity tag", {"--etag"}, 3000000},
      {"same size, date only", {}, 3000000},
      {"other size", {"--changed-size", "3000017"}, 3000017},
  };
  m_settings.SetMaxThreads(4);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> switches = {"--size", "3000000", "--change-after", "3"};
    switches.insert(switches.end(), c.switches.begin(), c.switches.end());
    test::ScriptedServer http("fault_http", switches);
    FERROW_START_OR_SKIP(http);
    auto transfer = Run(http.Url("/file.bin"));
    ExpectFile(*transfer, test::PatternBytes(7, c.newSize));
    EXPECT_TRUE(HasNotice(*transfer));
    std::filesystem::remove(Target());
  }
}

// Trust boundary: peers that accept and then say nothing, or next to nothing. Each attempt
// ends at its time-out (the retryable 10060), so the download ends after its retries.
TEST_F(HttpTransferTest, SilentOrTricklingPeersTimeOut) {
  m_settings.SetConnectTimeout(400);
  m_settings.SetStallTimeout(400);
  m_settings.SetRetryAttempts(2);
  struct Case {
    const char* name;
    const char* script;
    std::vector<std::string> switches;
    bool socks;
  } cases[] = {
      {"silent server", "fault_http", {"--stall"}, false},
      {"a byte a second", "fault_http", {"--slow", "1:1000"}, false},
      {"no handshake", "fault_http", {"--unreachable"}, false},
      {"silent SOCKS5 proxy", "fault_socks", {"--stall"}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::ScriptedServer server(c.script, c.switches);
    FERROW_START_OR_SKIP(server);
    CProxyInfo socks;
    socks.m_enabled = c.socks;
    socks.m_server = L"127.0.0.1";
    socks.m_port = server.Port();
    m_settings.SetSocksProxy(socks);
    auto transfer = Run(c.socks ? "http://127.0.0.1:9/file.bin" : server.Url("/file.bin"));
    EXPECT_EQ(transfer->Master().Status(), DownloadStatus::kFailed);
    EXPECT_EQ(transfer->Master().Error(), MakeError(kCategorySocket, SocketCode::kTimedOut));
  }
}

// Trust boundary: where a server may send the download. Relative targets resolve against the
// address that answered, also when the server closed the connection after its redirect (that
// costs no attempt); ftp:// goes on over FTP; anything else, a local file above all, is refused.
TEST_F(HttpTransferTest, RedirectsAreResolvedAndFollowedOnlyToHttpAndFtp) {
  test::FtpServer ftp;
  FERROW_START_OR_SKIP(ftp);
  test::WriteFileBytes(ftp.Root() / "file.bin", test::PatternBytes(0, 70000));
  test::ScriptedServer http(
      "fault_http",
      {"--size", "5000", "--close-after-redirect", "--redirect", "/dir/a=302:b", "--redirect",
       "/dir/b=301:../file.bin", "--redirect", "/ftp=302:" + ftp.Url("/file.bin", "user", "secret"),
       "--redirect", "/local=302:file:///etc/passwd"});
  FERROW_START_OR_SKIP(http);
  ExpectFile(*Run(http.Url("/dir/a")), test::PatternBytes(0, 5000));
  std::vector<std::string> requests = http.LogLines("REQUEST ");
  ASSERT_GE(requests.size(), 3u);
  EXPECT_NE(requests[1].find("GET /dir/b HTTP"), std::string::npos) << requests[1];
  EXPECT_NE(requests[2].find("GET /file.bin HTTP"), std::string::npos) << requests[2];
  std::filesystem::remove(Target());

  auto overFtp = Run(http.Url("/ftp"));
  ExpectFile(*overFtp, test::PatternBytes(0, 70000));
  // The FTP address's password is in no log line: not in the redirect's notice, not at PASS.
  for (const CLogInfo& line : overFtp->Log().Lines())
    EXPECT_EQ(line.Text().find(L"secret"), std::wstring::npos) << WideToUtf8(line.Text());
  std::filesystem::remove(Target());

  auto refused = Run(http.Url("/local"));
  EXPECT_EQ(refused->Master().Error(), MakeError(kCategorySystem, SystemCode::kUnrecognizedScheme));
  EXPECT_FALSE(std::filesystem::exists(Target()));
  EXPECT_FALSE(std::filesystem::exists(Temporary()));
}

}  // namespace
}  // namespace ferrow
