#include "platform/local_time.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace ferrow {
namespace {

// Transfers parse dates on their own threads; the first conversions may come at the same time.
// Under ThreadSanitizer (FERROW_TSAN) this shows a race in the C library's zone set-up.
TEST(LocalTimeTest, ConcurrentFirstConversionsRoundTrip) {
  // Noon UTC in mid-January and mid-July: far from any daylight-saving change in any zone.
  const std::int64_t times[] = {1'705'320'000, 1'721'044'800, 946'728'000, 43'200};
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int thread = 0; thread < 4; ++thread) {
    threads.emplace_back([&] {
      for (int round = 0; round < 50; ++round) {
        for (const std::int64_t seconds : times) {
          LocalDateTime local;
          std::int64_t back = -1;
          if (!UnixToLocalTime(seconds, local) || !LocalTimeToUnix(local, back) || back != seconds)
            ++failures;
        }
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(failures.load(), 0);
}

}  // namespace
}  // namespace ferrow
