#include "platform/thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>

#include "platform/manual_reset_event.h"

namespace ferrow {
namespace {

TEST(ThreadTest, CreatedSuspendedRunsOnlyAfterResume) {
  std::atomic<bool> ran{false};
  ManualResetEvent release;
  CThread thread;
  ASSERT_TRUE(thread.Create([&] {
    ran = true;
    release.Wait(kWaitForever);
  }));
  EXPECT_TRUE(thread.IsRunning());
  EXPECT_FALSE(thread.Create([] {}));  // one thread per object
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_FALSE(ran.load());
  thread.Resume();
  while (!ran.load()) std::this_thread::yield();
  EXPECT_TRUE(thread.IsRunning());
  release.Set();
  thread.Wait();
  EXPECT_FALSE(thread.IsRunning());
}

TEST(ThreadTest, WaitOnANeverResumedThreadLetsItRun) {
  std::atomic<int> runs{0};
  {
    CThread thread;
    ASSERT_TRUE(thread.Create([&] { ++runs; }));
  }  // the destructor waits
  EXPECT_EQ(runs.load(), 1);
  CThread idle;
  idle.Wait();  // nothing to wait for
  EXPECT_FALSE(idle.IsRunning());
}

TEST(ManualResetEventTest, StaysSetForEveryWaiterUntilReset) {
  ManualResetEvent event;
  EXPECT_FALSE(event.Wait(0));
  EXPECT_FALSE(event.Wait(10));
  auto first = std::async(std::launch::async, [&] { return event.Wait(kWaitForever); });
  auto second = std::async(std::launch::async, [&] { return event.Wait(600000); });
  event.Set();
  ASSERT_EQ(first.wait_for(std::chrono::seconds(20)), std::future_status::ready);
  ASSERT_EQ(second.wait_for(std::chrono::seconds(20)), std::future_status::ready);
  EXPECT_TRUE(first.get());
  EXPECT_TRUE(second.get());
  EXPECT_TRUE(event.IsSet());
  EXPECT_TRUE(event.Wait(0));
  event.Reset();
  EXPECT_FALSE(event.Wait(0));
}

}  // namespace
}  // namespace ferrow
