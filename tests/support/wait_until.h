#pragma once
// Waiting on a condition instead of a fixed sleep, so that tests hold on a loaded machine.
#include <chrono>
#include <functional>

namespace ferrow::test {

// Checks the condition every few milliseconds until it holds (true) or the time is up (false).
// The time is a guard against a hang, never a speed check: generous for a loaded machine.
bool WaitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds timeout = std::chrono::seconds(20));

}  // namespace ferrow::test
