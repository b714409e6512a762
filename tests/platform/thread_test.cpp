#include "platform/thread.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <memory>
#include <thread>
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

TEST(ThreadTest, EndedThreadsRunTheNextFunctionsAndOneMayEndItsOwnObject) {
  std::thread::id first;
  {
    CThread thread;
    ASSERT_TRUE(thread.Start([&] { first = std::this_thread::get_id(); }));
    thread.Wait();
    EXPECT_FALSE(thread.IsRunning());
    // Waited for, the object takes another function; the ended thread is there to run it.
    std::thread::id second;
    ASSERT_TRUE(thread.Start([&] { second = std::this_thread::get_id(); }));
    thread.Wait();
    EXPECT_EQ(second, first);
  }
  // Functions that outnumber the idle threads each still get one, and all run at once.
  constexpr int kCount = 24;
  std::atomic<int> arrived{0};
  ManualResetEvent release;
  {
    std::array<CThread, kCount> threads;
    for (CThread& thread : threads) {
      ASSERT_TRUE(thread.Start([&] {
        ++arrived;
        release.Wait(kWaitForever);
      }));
    }
    while (arrived.load() < kCount) std::this_thread::yield();
    release.Set();
  }
  // A function that destroys its own object is not waited for by itself.
  auto self = std::make_unique<CThread>();
  auto ended = std::make_shared<ManualResetEvent>();
  ASSERT_TRUE(self->Start([&self, ended] {
    self.reset();
    ended->Set();
  }));
  EXPECT_TRUE(ended->Wait(20000));
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
