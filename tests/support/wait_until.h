#pragma once
// Waiting on a condition instead of a fixed sleep, so that tests hold on a loaded machine.
#include <chrono>
#include <functional>

namespace ferrow::test {

// Checks the condition every few milliseconds until it holds (true) or the time is up (false).
bool WaitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds timeout = std::chrono::seconds(10));

}  // namespace ferrow::test
