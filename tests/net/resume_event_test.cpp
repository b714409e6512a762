#include "net/resume_event.h"

#include <atomic>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace ferrow {
namespace {

TEST(ResumeEventTest, OneAnswerReleasesEveryWaitingPart) {
  CResumeEvent resume;
  std::atomic<int> waiting{0};
  std::vector<uint32_t> answers(3, 99);
  std::vector<std::thread> parts;
  for (size_t i = 0; i < answers.size(); ++i) {
    parts.emplace_back([&, i] {
      ++waiting;
      uint32_t value = 0;
      if (resume.WaitAndTake(kWaitForever, value)) answers[i] = value;
    });
  }
  while (waiting < 3) std::this_thread::yield();
  // Give the threads time to reach the wait; an answer that came before a thread waited would
  // still be taken by it, so the test does not depend on this pause.
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  resume.Signal(1);
  for (auto& t : parts) t.join();
  EXPECT_EQ(answers, std::vector<uint32_t>(3, 1));
  // Every waiter took the answer: the next wait does not see it again.
  uint32_t value = 7;
  EXPECT_FALSE(resume.WaitAndTake(0, value));
}

TEST(ResumeEventTest, AnswerGivenBeforeTheWaitIsTakenOnce) {
  CResumeEvent resume;
  resume.Signal(0);
  uint32_t value = 5;
  ASSERT_TRUE(resume.WaitAndTake(0, value));
  EXPECT_EQ(value, 0u);
  EXPECT_FALSE(resume.WaitAndTake(10, value));
}

}  // namespace
}  // namespace ferrow
