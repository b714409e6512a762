#include "download/segment_plan.h"

#include <gtest/gtest.h>

#include <array>

#include "net/transfer_info.h"
#include "platform/text.h"
#include "tests/support/fake_clock.h"
#include "tests/support/sandbox.h"

namespace ferrow {
namespace {

constexpr uint64_t kMiB = 1024 * 1024;

// The plan over a real block, with the clock in the test's hand.
class SegmentPlanTest : public test::SandboxedTest {
 protected:
  void SetUp() override {
    SandboxedTest::SetUp();
    for (size_t i = 1; i < m_infos.size(); ++i) m_infos[i].SetMaster(&m_infos[0]);
    m_infos[0].SetResumeMode(ResumeMode::kResumable);
  }
  std::wstring Path() const { return Utf8ToWide((SandboxDir() / "file.bin.fr").string()); }
  void Create(uint64_t size, int32_t parts) {
    CResumeBlock block;
    ASSERT_EQ(block.Create(Path(), L"http://h/f", size, 1, parts), 0u);
  }
  // Writes count bytes of the part (the plan's bookkeeping only).
  void Receive(CSegmentPlan& plan, int32_t index, uint64_t count) {
    while (count > 0) {
      size_t granted = 0;
      plan.Reserve(index, static_cast<size_t>(std::min<uint64_t>(count, 65536)), granted);
      ASSERT_GT(granted, 0u);
      plan.Commit(index, granted);
      count -= granted;
    }
  }
  CTransferInfo* Master() { return &m_infos[0]; }

  std::array<CTransferInfo, kMaxParts + 1> m_infos;
  test::FakeClock m_clock;
};

// A finished part takes the back of the slowest range in proportion to the two rates; the new
// entry is in the block before the old one is shortened, and the block covers the file at
// every step.
TEST_F(SegmentPlanTest, AnIdlePartTakesTheBackOfTheSlowRangeByRate) {
  Create(16 * kMiB, 2);
  CSegmentPlan plan(Master(), m_clock);
  ASSERT_EQ(plan.Open(Path()), 0u);
  plan.SetWorking(0, true);
  plan.SetWorking(1, true);
  m_clock.AdvanceMilliseconds(1000);
  Receive(plan, 0, 8 * kMiB);  // 8 MiB/s
  Receive(plan, 1, kMiB);      // 1 MiB/s
  // Part 1 has 7 MiB left; the taker, eight times as fast, gets 8/9 of it.
  int32_t taken = plan.TakeOver(0);
  ASSERT_EQ(taken, 2);
  const uint64_t piece = 7 * kMiB * 8 / 9;
  EXPECT_EQ(plan.End(1), 16 * kMiB - piece);
  EXPECT_EQ(plan.Block().PartStart(2), 16 * kMiB - piece);
  EXPECT_EQ(plan.Block().PartLength(2), piece);
  EXPECT_EQ(plan.Block().PartLength(1), 8 * kMiB - piece);
  EXPECT_EQ(Master()->Parts(), 3);
  EXPECT_EQ(m_infos[3].Size(), piece);
  EXPECT_TRUE(plan.Block().IsValid());
  // The running part stops at its new end, however much it was sent.
  size_t granted = 0;
  uint64_t at = plan.Reserve(1, 100 * kMiB, granted);
  EXPECT_EQ(at + granted, 16 * kMiB - piece);
}

// A slow part that would keep only a scrap gives all it has not received yet: a slow server may
// send the scrap only a burst later. The taker starts exactly where the slow part stands.
TEST_F(SegmentPlanTest, ASlowPartGivesUpAScrapWhole) {
  Create(8 * kMiB, 2);
  CSegmentPlan plan(Master(), m_clock);
  ASSERT_EQ(plan.Open(Path()), 0u);
  plan.SetWorking(0, true);
  plan.SetWorking(1, true);
  m_clock.AdvanceMilliseconds(1000);
  Receive(plan, 0, 4 * kMiB);      // 4 MiB/s
  Receive(plan, 1, 256 * 1024);    // 256 KiB/s
  ASSERT_EQ(plan.TakeOver(0), 2);  // 16/17 of the rest
  const uint64_t kept = plan.End(1) - plan.Start(1) - 256 * 1024;
  ASSERT_GT(kept, 2 * CSegmentPlan::kMinSplitBytes);
  m_clock.AdvanceMilliseconds(500);
  Receive(plan, 2, plan.Remaining(2));
  Receive(plan, 1, kept - 100 * 1024);  // 100 KiB left, 400 ms at its rate
  const uint64_t at = plan.End(1) - 100 * 1024;
  ASSERT_EQ(plan.TakeOver(2), 3);
  EXPECT_EQ(plan.End(1), at);
  EXPECT_EQ(plan.Remaining(1), 0u);
  EXPECT_EQ(plan.Start(3), at);
  EXPECT_EQ(plan.Remaining(3), 100u * 1024);
  EXPECT_TRUE(plan.Block().IsValid());
}

TEST_F(SegmentPlanTest, NothingIsTakenWhenItIsNotWorthANewRequest) {
  Create(4 * kMiB, 2);
  CSegmentPlan plan(Master(), m_clock);
  ASSERT_EQ(plan.Open(Path()), 0u);
  plan.SetWorking(0, true);
  plan.SetWorking(1, true);
  m_clock.AdvanceMilliseconds(1000);
  Receive(plan, 0, 2 * kMiB);
  // Less than one minimal piece left.
  Receive(plan, 1, 2 * kMiB - CSegmentPlan::kMinSplitBytes + 1);
  EXPECT_EQ(plan.TakeOver(0), -1);
  EXPECT_EQ(Master()->Parts(), 2);

  // Enough bytes, but at its rate the running part ends them sooner than a request is worth.
  Create(64 * kMiB, 2);
  CSegmentPlan fast(Master(), m_clock);
  ASSERT_EQ(fast.Open(Path()), 0u);
  fast.SetWorking(0, true);
  fast.SetWorking(1, true);
  m_clock.AdvanceMilliseconds(100);
  Receive(fast, 0, 32 * kMiB);
  Receive(fast, 1, 32 * kMiB - 4 * CSegmentPlan::kMinSplitBytes);  // 300 MiB/s, 2 ms left
  EXPECT_EQ(fast.TakeOver(0), -1);

  // A server that cannot continue at an offset never has its range split.
  Master()->SetResumeMode(ResumeMode::kNotResumable);
  Create(64 * kMiB, 2);
  CSegmentPlan single(Master(), m_clock);
  ASSERT_EQ(single.Open(Path()), 0u);
  single.SetWorking(1, true);
  EXPECT_EQ(single.TakeOver(0), -1);
}

TEST_F(SegmentPlanTest, TheTableNeverGrowsPastSixtyFourEntries) {
  Create(1024 * kMiB, 2);
  CSegmentPlan plan(Master(), m_clock);
  ASSERT_EQ(plan.Open(Path()), 0u);
  plan.SetWorking(1, true);
  int taken = 0;
  while (plan.TakeOver(0) >= 0) ++taken;
  EXPECT_EQ(taken, kMaxParts - 2);
  EXPECT_EQ(Master()->Parts(), kMaxParts);
  EXPECT_TRUE(plan.Block().IsValid());
}

// A part whose server ignored its range gives it back; the part before, whose stream goes on,
// joins it. Nothing already fetched is ever joined.
TEST_F(SegmentPlanTest, AGivenBackRangeIsJoinedToThePartBefore) {
  Create(3 * kMiB, 3);
  CSegmentPlan plan(Master(), m_clock);
  ASSERT_EQ(plan.Open(Path()), 0u);
  for (int32_t i = 0; i < 3; ++i) plan.SetWorking(i, true);
  Receive(plan, 0, kMiB);
  EXPECT_FALSE(plan.Extend(0));  // part 1 still works on its range
  EXPECT_TRUE(plan.GiveBack(1));
  EXPECT_TRUE(plan.Extend(0));
  EXPECT_EQ(plan.End(0), 2 * kMiB);
  EXPECT_EQ(plan.Block().PartLength(1), 0u);
  EXPECT_EQ(m_infos[2].Size(), 0u);
  Receive(plan, 2, 1000);
  EXPECT_TRUE(plan.GiveBack(2));
  Receive(plan, 0, kMiB);
  EXPECT_FALSE(plan.Extend(0));  // part 2 has bytes of its own
  EXPECT_TRUE(plan.Block().IsValid());
}

// A part refused as one connection too many gives its range back only while another part
// works; the next part to finish takes it whole, from where it stopped, before splitting
// anything, and the last part working must keep its own.
TEST_F(SegmentPlanTest, AGivenBackRangeIsTakenWholeByTheNextIdlePart) {
  Create(8 * kMiB, 4);
  CSegmentPlan plan(Master(), m_clock);
  ASSERT_EQ(plan.Open(Path()), 0u);
  for (int32_t i = 0; i < 4; ++i) plan.SetWorking(i, true);
  Receive(plan, 2, 1000);
  EXPECT_TRUE(plan.GiveBack(2));
  EXPECT_TRUE(plan.GiveBack(3));
  Receive(plan, 0, 2 * kMiB);
  EXPECT_EQ(plan.TakeOver(0), 2);
  EXPECT_EQ(plan.Remaining(2), 2 * kMiB - 1000);
  EXPECT_EQ(plan.TakeOver(1), 3);
  EXPECT_EQ(Master()->Parts(), 4);
  // Parts 2 and 3 work; 1 and 0 have ended. The last one working keeps its range.
  EXPECT_TRUE(plan.GiveBack(3));
  EXPECT_FALSE(plan.GiveBack(2));
  EXPECT_EQ(plan.TakeOver(2), 3);
}

// A kill between the two writes of a move leaves an overlap, never a gap; the next start gives
// the tail to the later entry before anything is fetched.
TEST_F(SegmentPlanTest, AnInterruptedMoveIsSettledOnTheNextStart) {
  Create(4 * kMiB, 2);
  {
    CResumeBlock block;
    ASSERT_EQ(block.OpenExisting(Path()), 0u);
    block.SetPartDone(0, kMiB);
    block.SetPartDone(1, 100);
    block.AddPart(3 * kMiB, kMiB);  // the new entry, written first
    EXPECT_TRUE(block.IsValid());
    block.SetPartLength(1, kMiB / 2);  // a hole: [2.5 MiB, 3 MiB) in no entry
    EXPECT_FALSE(block.IsValid());
    block.SetPartLength(1, 2 * kMiB);
    EXPECT_TRUE(block.IsValid());
  }
  CSegmentPlan plan(Master(), m_clock);
  ASSERT_EQ(plan.Open(Path()), 0u);
  EXPECT_EQ(plan.End(1), 3 * kMiB);
  EXPECT_EQ(plan.End(2), 4 * kMiB);
  EXPECT_EQ(m_infos[0].Done(), kMiB + 100);
  EXPECT_TRUE(plan.Block().IsValid());
}

}  // namespace
}  // namespace ferrow
