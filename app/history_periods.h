#pragma once
// The periods the history pane offers for finished downloads: all of them, today, yesterday,
// the five days before, the rest of the last 30 days, and older ones. Days are the local
// calendar's, so a download finished at 23:59 is yesterday's a minute later.
#include <array>
#include <cstdint>

namespace ferrow {

enum class HistoryPeriod { kAll, kToday, kYesterday, kLastWeek, kLastMonth, kOlder };

inline constexpr std::array<HistoryPeriod, 6> kHistoryPeriods = {
    HistoryPeriod::kAll,      HistoryPeriod::kToday,     HistoryPeriod::kYesterday,
    HistoryPeriod::kLastWeek, HistoryPeriod::kLastMonth, HistoryPeriod::kOlder};

// The language text that names the period.
uint32_t HistoryPeriodTextId(HistoryPeriod period);

// The start of each period, seen at a moment, to sort many dates at once.
class CHistoryPeriods {
 public:
  // now in seconds since 1970 (UTC).
  explicit CHistoryPeriods(int64_t now);
  // The one period besides kAll that a date (seconds since 1970, UTC) falls in; dates after
  // now count as today.
  HistoryPeriod PeriodOf(int64_t date) const;
  bool Contains(HistoryPeriod period, int64_t date) const;

 private:
  int64_t m_today = 0;      // local midnight that began today
  int64_t m_yesterday = 0;  // ... yesterday
  int64_t m_week = 0;       // ... six days ago
  int64_t m_month = 0;      // ... 29 days ago
};

}  // namespace ferrow
