// The speed limit against nginx with one connection throttled by the server: the others take
// what it leaves, so the download still runs at the limit.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "download/file_transfer.h"
#include "tests/download/real_transfer_fixture.h"
#include "tests/support/nginx_server.h"
#include "tests/support/test_data.h"

namespace ferrow {
namespace {

using test::WaitUntil;

class BandwidthTransferTest : public test::RealTransferTest {};

TEST_F(BandwidthTransferTest, ASlowConnectionsShareGoesToTheOthers) {
  // Four parts of 2 MiB; nginx holds the last one to 8 KiB/s. An even split of 256 KiB/s would
  // give the download 3/4 of the limit and a little.
  constexpr uint32_t kLimitKib = 256;
  test::NginxServer nginx({
      .extraServerConfig = "limit_rate $part_rate;",
      .extraHttpConfig = "map $http_range $part_rate { \"bytes=6291456-\" 8k; default 0; }",
      .listenOptions = "sndbuf=65536",
  });
  FERROW_START_OR_SKIP(nginx);
  test::WriteFileBytes(nginx.Root() / "file.bin", test::PatternBytes(0, 8 << 20));
  m_settings.SetMaxThreads(4);
  m_settings.SetSpeedLimit(kLimitKib);
  auto transfer = Start(nginx.Url("/file.bin"));
  // Past the start, with all four connections receiving.
  ASSERT_TRUE(WaitUntil([&] { return transfer->Master().Done() > (512 << 10); }));
  ASSERT_EQ(transfer->Master().Parts(), 4);
  const uint64_t startDone = transfer->Master().Done();
  const uint64_t slowStart = transfer->Part(3).Done();
  const auto start = std::chrono::steady_clock::now();
  auto elapsed = [&] { return std::chrono::steady_clock::now() - start; };
  WaitUntil([&] { return elapsed() >= std::chrono::seconds(4); });
  const uint64_t done = transfer->Master().Done() - startDone;
  const uint64_t slow = transfer->Part(3).Done() - slowStart;
  const double seconds = std::chrono::duration<double>(elapsed()).count();
  transfer->Stop();

  const double limit = kLimitKib * 1024.0;
  EXPECT_LT(static_cast<double>(slow), 0.1 * limit * seconds) << "the server did not throttle";
  EXPECT_LE(static_cast<double>(done), 1.03 * limit * seconds + 65536);
  EXPECT_GE(static_cast<double>(done), 0.9 * limit * seconds)
      << "the fast connections did not take the slow one's share";
}

}  // namespace
}  // namespace ferrow
