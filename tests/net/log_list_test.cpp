#include "net/log_list.h"

#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>
#include <vector>

namespace ferrow {
namespace {

TEST(LogListTest, TakeAllHandsOverInOrderAndEmpties) {
  CLogList log;
  log.Add(LogKind::kSent, L"USER anonymous\r\n");
  log.Add(LogKind::kReceived, L"331 Password required");
  log.Add(static_cast<LogKind>(7), 42, L"/pub", 3);
  std::vector<CLogInfo> lines = log.TakeAll();
  EXPECT_TRUE(log.IsEmpty());
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].Kind(), LogKind::kSent);
  EXPECT_EQ(lines[0].Text(), L"USER anonymous\r\n");
  EXPECT_EQ(lines[1].Text(), L"331 Password required");
  EXPECT_EQ(lines[1].Number(), 0u);
  EXPECT_EQ(LogKindNumber(lines[2].Kind()), 7u);
  EXPECT_EQ(lines[2].Number(), 42u);
  EXPECT_EQ(lines[2].Argument(), L"/pub");
  EXPECT_EQ(lines[2].Extra(), 3u);
  EXPECT_TRUE(lines[2].Text().empty());
  EXPECT_TRUE(log.TakeAll().empty());
}

TEST(LogListTest, CopyKeepsTheSource) {
  CLogList log;
  log.Add(LogKind::kSent, L"a");
  CLogList copy(log);
  copy.Add(LogKind::kReceived, L"b");
  EXPECT_EQ(log.Count(), 1u);
  EXPECT_EQ(copy.Count(), 2u);
  log = copy;
  EXPECT_EQ(log.Lines().back().Text(), L"b");
}

TEST(LogListTest, ConcurrentAddsAreEachKeptOnce) {
  CLogList log;
  constexpr int kThreads = 8;
  constexpr int kLines = 500;
  std::vector<std::thread> threads;
  std::vector<CLogInfo> taken;
  std::atomic<int> finished{0};
  std::thread taker([&] {
    while (finished.load() < kThreads) {
      for (CLogInfo& line : log.TakeAll()) taken.push_back(std::move(line));
    }
  });
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kLines; ++i)
        log.Add(static_cast<LogKind>(t), static_cast<uint32_t>(i), L"", 0);
      finished.fetch_add(1);
    });
  }
  for (auto& thread : threads) thread.join();
  taker.join();
  for (CLogInfo& line : log.TakeAll()) taken.push_back(std::move(line));

  ASSERT_EQ(taken.size(), static_cast<size_t>(kThreads * kLines));
  std::set<std::pair<uint32_t, uint32_t>> seen;
  std::vector<int> next(kThreads, 0);
  for (const CLogInfo& line : taken) {
    EXPECT_TRUE(seen.insert({LogKindNumber(line.Kind()), line.Number()}).second);
    // Each thread's lines come out in the order it added them.
    EXPECT_EQ(line.Number(), static_cast<uint32_t>(next[LogKindNumber(line.Kind())]++));
  }
}

}  // namespace
}  // namespace ferrow
