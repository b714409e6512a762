#include "platform/timer_host.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "tests/support/fake_clock.h"

namespace ferrow {
namespace {

class Target : public ITimerTarget {
 public:
  void OnTimer(uint32_t id) override {
    m_fired.push_back(id);
    if (m_onTimer) m_onTimer(id);
  }
  std::vector<uint32_t> m_fired;
  std::function<void(uint32_t)> m_onTimer;
};

TEST(TimerHostTest, FiresDueTimersInTheOrderTheyWereSet) {
  test::FakeClock clock;
  CTimerHost host(clock);
  Target target;
  EXPECT_EQ(host.MillisecondsToNext(), -1);
  host.SetTimer(&target, 2, 250);
  host.SetTimer(&target, 1, 100);
  EXPECT_EQ(host.MillisecondsToNext(), 100);
  clock.AdvanceMilliseconds(99);
  EXPECT_EQ(host.Poll(), 0u);
  EXPECT_EQ(host.MillisecondsToNext(), 1);
  clock.AdvanceMilliseconds(1);
  EXPECT_EQ(host.Poll(), 1u);
  clock.AdvanceMilliseconds(150);
  EXPECT_EQ(host.Poll(), 2u);
  EXPECT_EQ(target.m_fired, (std::vector<uint32_t>{1, 2, 1}));
  // Replacing a timer restarts its period.
  host.SetTimer(&target, 1, 1000);
  EXPECT_EQ(host.GetTimerCount(), 2u);
  clock.AdvanceMilliseconds(999);
  host.Poll();
  EXPECT_EQ(target.m_fired.back(), 2u);
}

TEST(TimerHostTest, ATargetMayKillItsTimersWhileTheyFire) {
  test::FakeClock clock;
  CTimerHost host(clock);
  Target first, second;
  host.SetTimer(&first, 1, 100);
  host.SetTimer(&second, 1, 100);
  // The first one's handler removes the second before its turn in the same poll.
  first.m_onTimer = [&](uint32_t) { host.KillTimers(&second); };
  clock.AdvanceMilliseconds(100);
  EXPECT_EQ(host.Poll(), 1u);
  EXPECT_TRUE(second.m_fired.empty());
  // And a handler may kill its own timer.
  first.m_onTimer = [&](uint32_t id) { host.KillTimer(&first, id); };
  clock.AdvanceMilliseconds(100);
  host.Poll();
  EXPECT_EQ(host.GetTimerCount(), 0u);
  EXPECT_EQ(first.m_fired.size(), 2u);
}

}  // namespace
}  // namespace ferrow
