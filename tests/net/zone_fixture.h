#pragma once
// Runs a test in a fixed time zone with daylight saving (Central European rules, given as a
// POSIX rule so no zone database is needed), so local-time results are exact numbers.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace ferrow::test {

class CentralEuropeanZoneTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* old = std::getenv("TZ")) m_oldZone = old;
    setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
    tzset();
  }
  void TearDown() override {
    if (m_oldZone) {
      setenv("TZ", m_oldZone->c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }

 private:
  std::optional<std::string> m_oldZone;
};

}  // namespace ferrow::test
