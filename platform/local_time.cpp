#include "platform/local_time.h"

#include <cerrno>
#include <climits>
#include <ctime>
#include <mutex>

namespace ferrow {
namespace {

// The C library sets its time-zone state up on first use; two transfers parsing dates at once
// would both do so, racing inside the library. Setting it up once, before any conversion,
// leaves the threads only reading it.
void InitialiseTimeZone() {
  static std::once_flag once;
  std::call_once(once, [] { tzset(); });
}

// Held around every conversion. Without TZ in the environment glibc rebuilds its zone state on
// every mktime; it does so under a lock of its own, which ThreadSanitizer cannot see, so the
// tool reports a race in any concurrent use. Our lock makes the order visible; conversions are
// rare (a few per listing or transfer), so it costs nothing that shows.
std::mutex g_conversionLock;

}  // namespace

bool LocalTimeToUnix(const LocalDateTime& local, std::int64_t& seconds) {
  if (local.year < INT_MIN + 1900) return false;
  InitialiseTimeZone();
  std::tm fields{};
  fields.tm_year = local.year - 1900;
  fields.tm_mon = local.month - 1;
  fields.tm_mday = local.day;
  fields.tm_hour = local.hour;
  fields.tm_min = local.minute;
  fields.tm_sec = local.second;
  fields.tm_isdst = -1;
  std::lock_guard lock(g_conversionLock);
  // -1 is both a valid time (one second before 1970) and the failure value; errno tells.
  errno = 0;
  const std::time_t result = std::mktime(&fields);
  if (result == static_cast<std::time_t>(-1) && errno != 0) return false;
  seconds = static_cast<std::int64_t>(result);
  return true;
}

bool UnixToLocalTime(std::int64_t seconds, LocalDateTime& local) {
  const std::time_t value = static_cast<std::time_t>(seconds);
  if (static_cast<std::int64_t>(value) != seconds) return false;
  InitialiseTimeZone();
  std::tm fields{};
  {
    std::lock_guard lock(g_conversionLock);
    if (localtime_r(&value, &fields) == nullptr) return false;
  }
  local.year = fields.tm_year + 1900;
  local.month = fields.tm_mon + 1;
  local.day = fields.tm_mday;
  local.hour = fields.tm_hour;
  local.minute = fields.tm_min;
  local.second = fields.tm_sec;
  return true;
}

}  // namespace ferrow
