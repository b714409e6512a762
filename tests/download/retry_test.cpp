// Retrying as servers expect: busy and failing answers are tried again (after the server's
// Retry-After when it gives one), other 4xx are final, and a part that the server refuses as one
// connection too many gives its range to the running parts.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "download/file_transfer.h"
#include "download/segment_plan.h"
#include "net/http_client.h"
#include "net/log_info.h"
#include "tests/download/real_transfer_fixture.h"
#include "tests/support/nginx_server.h"
#include "tests/support/scripted_server.h"
#include "tests/support/test_data.h"

namespace ferrow {
namespace {

using RetryTest = test::RealTransferTest;

TEST(RetryRulesTest, BusyAndFailingServersAreAskedAgainOtherAnswersAreFinal) {
  CHttpClient client{CClientContext()};
  for (uint16_t status : {408, 429, 500, 502, 503, 504})
    EXPECT_TRUE(client.IsRetryable(MakeError(kCategoryHttp, status))) << status;
  for (uint16_t status : {400, 401, 403, 404, 410, 416, 501})
    EXPECT_FALSE(client.IsRetryable(MakeError(kCategoryHttp, status))) << status;
  EXPECT_TRUE(client.IsRetryable(MakeError(kCategorySocket, SocketCode::kConnectionRefused)));
  EXPECT_FALSE(client.IsRetryable(MakeError(kCategoryTls, TlsCode::kExpired)));
}

TEST_F(RetryTest, TooManyConnectionsFinishOnTheOnesTheServerAllows) {
  test::NginxServer nginx({.limitRate = 1 << 20,
                           .extraServerConfig = "limit_conn perip 4; limit_conn_status 503;",
                           .extraHttpConfig = "limit_conn_zone $binary_remote_addr zone=perip:1m;",
                           .listenOptions = "sndbuf=65536"});
  FERROW_START_OR_SKIP(nginx);
  const std::string content = test::PatternBytes(0, 4'000'037);
  test::WriteFileBytes(nginx.Root() / "file.bin", content);
  m_settings.SetMaxThreads(8);
  m_settings.SetRetryAttempts(2);
  auto transfer = Run(nginx.Url("/file.bin"));
  ExpectFile(*transfer, content);
  int refused = 0;
  for (const test::AccessLogEntry& entry : nginx.AccessLog()) refused += entry.status == 503;
  EXPECT_GT(refused, 0) << "the server never refused a connection";
  bool gaveBack = false;
  for (const CLogInfo& line : transfer->Log().Lines())
    gaveBack = gaveBack || line.Text().find(L"refuses one more connection") != std::wstring::npos;
  EXPECT_TRUE(gaveBack);
}

TEST_F(RetryTest, RetryAfterIsWaitedForAndFailingAnswersAreRetried) {
  test::ScriptedServer http("fault_http", {"--size", "100000", "--busy", "1:429:2"});
  FERROW_START_OR_SKIP(http);
  m_settings.SetRetryAttempts(3);
  m_settings.SetRetryDelay(0);
  const auto begin = std::chrono::steady_clock::now();
  auto transfer = Run(http.Url("/file.bin"));
  ExpectFile(*transfer, test::PatternBytes(0, 100000));
  EXPECT_GE(std::chrono::steady_clock::now() - begin, std::chrono::milliseconds(1900));

  test::ScriptedServer failing("fault_http", {"--size", "100000", "--busy", "2:502"});
  FERROW_START_OR_SKIP(failing);
  std::filesystem::remove(Target());
  ExpectFile(*Run(failing.Url("/file.bin")), test::PatternBytes(0, 100000));
}

}  // namespace
}  // namespace ferrow
