#pragma once
// Conversions between seconds since 1970-01-01 00:00 UTC and the local wall-clock time of the
// system's time zone. Daylight saving is decided by the zone's rules for the date in question.
#include <cstdint>

namespace ferrow {

struct LocalDateTime {
  int year = 1970;
  int month = 1;  // 1-12
  int day = 1;    // 1-31
  int hour = 0;
  int minute = 0;
  int second = 0;
};

// The fields must be in range (the caller validates them); false when the system cannot
// represent the time.
bool LocalTimeToUnix(const LocalDateTime& local, std::int64_t& seconds);
bool UnixToLocalTime(std::int64_t seconds, LocalDateTime& local);

}  // namespace ferrow
