#pragma once
// Skipping a test for want of a program, a server or a privilege is allowed on a developer's
// machine, never in CI: with the environment variable CI set the test fails instead, so that a
// missing package cannot turn a run green. scripts/test prints how many tests were skipped.
#include <gtest/gtest.h>

#include <cstdlib>

namespace ferrow::test {

inline bool RunningInCi() {
  const char* ci = std::getenv("CI");
  return ci != nullptr && ci[0] != '\0';
}

}  // namespace ferrow::test

// Skips the test with the reason, or fails it in CI.
#define FERROW_SKIP_OR_FAIL(reason)                                                \
  do {                                                                             \
    if (::ferrow::test::RunningInCi()) FAIL() << (reason) << " (CI: not skipped)"; \
    GTEST_SKIP() << (reason);                                                      \
  } while (0)
