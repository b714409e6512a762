#include "net/bandwidth.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <deque>
#include <memory>
#include <vector>

#include "tests/support/fake_clock.h"

namespace ferrow {
namespace {

constexpr int kBuffer = 65536;

// A receiving connection as the transfer loop drives it: it receives when its pause is over,
// takes what it is granted (or, when the server trickles, only what the server has sent by
// now) and gives back the rest.
struct Connection {
  Connection(CBandwidth& download, double serverRate = 0) : node(&download), rate(serverRate) {
    node.Enter();
  }
  CBandwidth node;
  double rate;      // what the server sends, bytes per second; 0 = as fast as asked
  double sent = 0;  // by the server, so far
  int64_t received = 0;
  int largestGrant = 0;

  void Step(double seconds) {
    if (rate != 0) sent += rate * seconds;
    if (rate != 0 && sent - static_cast<double>(received) < 1) return;
    if (node.Delay() != 0) return;
    const int granted = node.Grant(kBuffer);
    largestGrant = std::max(largestGrant, granted);
    int got = granted;
    if (rate != 0)
      got = std::min<int>(granted, static_cast<int>(sent - static_cast<double>(received)));
    node.Refund(granted - got);
    received += got;
  }
};

class BandwidthTest : public ::testing::Test {
 protected:
  // Runs every connection once per simulated millisecond.
  void Run(std::vector<Connection*> connections, int milliseconds) {
    for (int i = 0; i < milliseconds; ++i) {
      m_clock.AdvanceMilliseconds(1);
      for (Connection* c : connections) c->Step(0.001);
    }
  }
  static int64_t Sum(const std::vector<Connection*>& connections) {
    int64_t sum = 0;
    for (const Connection* c : connections) sum += c->received;
    return sum;
  }

  test::FakeClock m_clock;
  CBandwidth m_root{&m_clock};
};

// Downloads share the process's limit evenly, and each download shares its part among its own
// connections, whatever their number.
TEST_F(BandwidthTest, TheLimitIsSharedDownloadByDownloadThenConnectionByConnection) {
  m_root.SetLimit(1 << 20);
  CBandwidth first(&m_root), second(&m_root);
  Connection a1(first), a2(first), a3(first), b(second);
  EXPECT_EQ(m_root.ActiveChildren(), 2);
  EXPECT_EQ(first.ActiveChildren(), 3);
  std::vector<Connection*> all{&a1, &a2, &a3, &b};
  Run(all, 10000);

  const double limit = 1 << 20;
  EXPECT_NEAR(Sum(all), 10 * limit, 0.01 * 10 * limit);
  EXPECT_NEAR(b.received, 5 * limit, 0.03 * 5 * limit);
  for (const Connection* c : {&a1, &a2, &a3}) {
    EXPECT_NEAR(c->received, 5 * limit / 3, 0.03 * 5 * limit / 3);
  }
}

// What a trickling connection does not take goes to the others, in the same download and
// across downloads, and the sum stays at the limit.
TEST_F(BandwidthTest, BytesASlowConnectionLeavesGoToTheOthers) {
  m_root.SetLimit(400 * 1024);
  CBandwidth first(&m_root), second(&m_root);
  Connection slow(first, 10 * 1024), fast(first), other(second);
  std::vector<Connection*> all{&slow, &fast, &other};
  Run(all, 20000);

  const double limit = 400 * 1024 * 20.0;
  EXPECT_NEAR(Sum(all), limit, 0.02 * limit);
  EXPECT_NEAR(slow.received, 10 * 1024 * 20.0, 2048);
  // The slow connection's download still gets its half: its fast connection takes the rest.
  EXPECT_NEAR(slow.received + fast.received, limit / 2, 0.03 * limit / 2);
  EXPECT_NEAR(other.received, limit / 2, 0.03 * limit / 2);
}

// A grant is a small step of the limit, never the second's worth at once: no window of 10 ms
// sees more than its own worth plus one burst.
TEST_F(BandwidthTest, BytesArePacedWithinTheSecond) {
  const int limit = 1 << 20;
  m_root.SetLimit(limit);
  CBandwidth download(&m_root);
  Connection one(download), two(download);
  std::deque<int64_t> window;
  const double burst = limit * CBandwidth::kBurstMilliseconds / 1000.0;
  for (int i = 0; i < 3000; ++i) {
    Run({&one, &two}, 1);
    window.push_back(one.received + two.received);
    if (window.size() > 10) {
      EXPECT_LE(window.back() - window.front(), limit / 100 + burst) << "at " << i << " ms";
      window.pop_front();
    }
  }
  EXPECT_LE(std::max(one.largestGrant, two.largestGrant), burst);
  EXPECT_GT(std::min(one.largestGrant, two.largestGrant), 0);
}

// A new limit holds from the next step, for connections already running; 0 lifts it.
TEST_F(BandwidthTest, AChangedLimitTakesEffectAtOnce) {
  m_root.SetLimit(1 << 20);
  CBandwidth download(&m_root);
  Connection c(download);
  Run({&c}, 1000);
  int64_t before = c.received;
  m_root.SetLimit(100 * 1024);
  Run({&c}, 2000);
  EXPECT_NEAR(c.received - before, 200 * 1024, 6144);

  // Raised: the waiting connection's pause ends with the new rate, not the old one.
  c.node.Grant(kBuffer);  // empties the bucket
  ASSERT_GT(c.node.Delay(), 5u);
  m_root.SetLimit(100 << 20);
  EXPECT_LE(c.node.Delay(), 1u);

  m_root.SetLimit(0);
  EXPECT_EQ(c.node.Grant(kBuffer), kBuffer);
  EXPECT_EQ(c.node.Delay(), 0u);
  EXPECT_EQ(c.node.Share(), 0);
}

// The download's own level limits only its connections: ready for a per-download limit.
TEST_F(BandwidthTest, ADownloadLimitHoldsBelowTheProcessLimit) {
  m_root.SetLimit(1 << 20);
  CBandwidth capped(&m_root), free(&m_root);
  capped.SetLimit(100 * 1024);
  Connection a(capped), b(free);
  Run({&a, &b}, 10000);
  EXPECT_NEAR(a.received, 100 * 1024 * 10, 0.02 * 100 * 1024 * 10);
  EXPECT_NEAR(b.received, (10 << 20) - 100 * 1024 * 10, 0.02 * (10 << 20));

  // Without a process limit the download's limit still holds.
  m_root.SetLimit(0);
  const int64_t before = a.received;
  Run({&a}, 1000);
  EXPECT_NEAR(a.received - before, 100 * 1024, 4096);
}

// A connection that receives before its pause (its first receive, or one that lost a race)
// is granted on credit, which the next pauses pay back: a tiny limit never stalls and never
// runs away.
TEST_F(BandwidthTest, GrantsOnCreditArePaidBack) {
  m_root.SetLimit(1024);
  CBandwidth download(&m_root);
  CBandwidth node(&download);
  node.Enter();
  int64_t taken = 0;
  for (int i = 0; i < 5; ++i) {
    const int granted = node.Grant(kBuffer);
    EXPECT_GT(granted, 0);
    EXPECT_LE(granted, CBandwidth::kMinimumBurst);
    taken += granted;
  }
  EXPECT_EQ(taken, CBandwidth::kMinimumBurst + 4 * 512);
  EXPECT_EQ(node.Delay(), 1000u) << "debt is waited for in steps of at most a second";
  int64_t waited = 0;
  while (const uint32_t delay = node.Delay()) {
    m_clock.AdvanceMilliseconds(delay);
    waited += delay;
  }
  // Back to a full bucket: everything taken has been paid for at 1 KiB/s.
  EXPECT_EQ(waited, taken * 1000 / 1024);
  node.Leave();
  EXPECT_EQ(m_root.ActiveChildren(), 0);
  EXPECT_EQ(download.ActiveChildren(), 0);
}

}  // namespace
}  // namespace ferrow
