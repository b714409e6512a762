#include "app/history_periods.h"

#include "l10n/message_numbers.h"
#include "platform/local_time.h"

namespace ferrow {
namespace {

// The local midnight that begins the day of the moment; the moment itself when the system
// cannot say.
int64_t StartOfDay(int64_t moment) {
  LocalDateTime local;
  if (!UnixToLocalTime(moment, local)) return moment;
  local.hour = 0;
  local.minute = 0;
  local.second = 0;
  int64_t start = moment;
  return LocalTimeToUnix(local, start) ? start : moment;
}

// The midnight a number of local days before the day that begins at dayStart (days are 23 to
// 25 hours long where the clocks change).
int64_t DaysBefore(int64_t dayStart, int days) {
  for (int i = 0; i < days; ++i) dayStart = StartOfDay(dayStart - 1);
  return dayStart;
}

}  // namespace

uint32_t HistoryPeriodTextId(HistoryPeriod period) {
  return Msg::kPeriodFirst + static_cast<uint32_t>(period);
}

CHistoryPeriods::CHistoryPeriods(int64_t now)
    : m_today(StartOfDay(now)),
      m_yesterday(DaysBefore(m_today, 1)),
      m_week(DaysBefore(m_yesterday, 5)),
      m_month(DaysBefore(m_week, 23)) {}

HistoryPeriod CHistoryPeriods::PeriodOf(int64_t date) const {
  if (date >= m_today) return HistoryPeriod::kToday;
  if (date >= m_yesterday) return HistoryPeriod::kYesterday;
  if (date >= m_week) return HistoryPeriod::kLastWeek;
  if (date >= m_month) return HistoryPeriod::kLastMonth;
  return HistoryPeriod::kOlder;
}

bool CHistoryPeriods::Contains(HistoryPeriod period, int64_t date) const {
  return period == HistoryPeriod::kAll || PeriodOf(date) == period;
}

}  // namespace ferrow
