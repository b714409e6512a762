#include "net/speed_counter.h"

#include <gtest/gtest.h>

#include "tests/support/fake_clock.h"

namespace ferrow {
namespace {

class SpeedCounterTest : public ::testing::Test {
 protected:
  test::FakeClock m_clock;
  CSpeedCounter m_counter{&m_clock};
};

TEST_F(SpeedCounterTest, ConstructedIdle) {
  EXPECT_FALSE(m_counter.IsRunning());
  EXPECT_EQ(m_counter.Left(), -1);
  EXPECT_EQ(m_counter.Speed(), 0);
  EXPECT_EQ(m_counter.Elapsed(), 0);
}

TEST_F(SpeedCounterTest, FiveSecondWindowGivesSpeedAndTimeLeft) {
  m_counter.SetTotal(2000000);
  m_counter.Start();
  m_counter.Add(1000000);
  m_clock.AdvanceSeconds(4);
  EXPECT_EQ(m_counter.Speed(), 0);  // the first window is not over yet
  EXPECT_EQ(m_counter.Left(), -1);
  EXPECT_EQ(m_counter.Elapsed(), 4);
  m_clock.AdvanceSeconds(1);
  EXPECT_EQ(m_counter.Speed(), 200000);
  EXPECT_EQ(m_counter.Left(), 5);
  EXPECT_EQ(m_counter.Elapsed(), 5);
  EXPECT_EQ(m_counter.Done(), 1000000u);
}

TEST_F(SpeedCounterTest, WindowAdvancesByExactlyFiveSeconds) {
  m_counter.SetTotal(kUnknownSize);
  m_counter.Start();
  m_clock.AdvanceSeconds(3);
  m_counter.Add(500);
  m_clock.AdvanceSeconds(2);
  EXPECT_EQ(m_counter.Speed(), 100);
  EXPECT_EQ(m_counter.Left(), -1);  // total unknown
  m_clock.AdvanceSeconds(2);
  m_counter.Add(1000);
  m_clock.AdvanceSeconds(2);
  EXPECT_EQ(m_counter.Speed(), 100);  // 4 s into the second window
  m_clock.AdvanceSeconds(1);
  EXPECT_EQ(m_counter.Speed(), 200);
}

TEST_F(SpeedCounterTest, StopFixesAverageOverTheRun) {
  m_counter.SetTotal(5000000);
  m_counter.Start();
  m_counter.Add(3000000);
  m_clock.AdvanceSeconds(10);
  m_counter.Stop();
  EXPECT_FALSE(m_counter.IsRunning());
  EXPECT_EQ(m_counter.Speed(), 300000);
  EXPECT_EQ(m_counter.Elapsed(), 10);
  // Stopped figures no longer move with the clock.
  m_clock.AdvanceSeconds(20);
  EXPECT_EQ(m_counter.Speed(), 300000);
  EXPECT_EQ(m_counter.Elapsed(), 10);
}

TEST_F(SpeedCounterTest, StopWhenCompleteLeavesNoTimeLeft) {
  m_counter.SetTotal(100);
  m_counter.Start();
  m_counter.Add(100);
  m_counter.Stop();  // stopped in the same second
  EXPECT_EQ(m_counter.Speed(), 0);
  EXPECT_EQ(m_counter.Left(), 0);
}

TEST_F(SpeedCounterTest, RestartMeasuresOnlyTheNewRun) {
  m_counter.SetTotal(kUnknownSize);
  m_counter.Start();
  m_counter.Add(10000);
  m_clock.AdvanceSeconds(1);
  m_counter.Stop();
  m_counter.Start();
  m_counter.Add(100);
  m_clock.AdvanceSeconds(2);
  m_counter.Stop();
  EXPECT_EQ(m_counter.Speed(), 50);
  EXPECT_EQ(m_counter.Done(), 10100u);
  EXPECT_EQ(m_counter.RunBytes(), 100u);
}

TEST_F(SpeedCounterTest, HugeFiguresDoNotWrap) {
  m_counter.SetTotal(kUnknownSize - 1);
  m_counter.Start();
  m_counter.Add(50ull * 1000 * 1000 * 1000);  // 50 GB in one window
  m_clock.AdvanceSeconds(5);
  EXPECT_EQ(m_counter.Speed(), 2147483647);
  EXPECT_EQ(m_counter.Left(), 2147483647);
}

}  // namespace
}  // namespace ferrow
