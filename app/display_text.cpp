#include "app/display_text.h"

#include <array>
#include <cstdio>

#include "download/download_info.h"
#include "l10n/message_numbers.h"
#include "l10n/resource_manager.h"
#include "platform/local_time.h"
#include "platform/text.h"
#include "platform/unknown_size.h"

namespace ferrow {

std::wstring FormatDuration(int32_t seconds, const CResourceManager& resources) {
  if (seconds < 0) return DisplayText::kUnknown;
  constexpr int32_t kMinute = 60;
  constexpr int32_t kHour = 60 * kMinute;
  constexpr int32_t kDay = 24 * kHour;
  if (seconds < kMinute) return resources.FormatMessage(Msg::kSeconds, {seconds});
  if (seconds < kHour)
    return resources.FormatMessage(Msg::kMinutesSeconds, {seconds / kMinute, seconds % kMinute});
  if (seconds < kDay)
    return resources.FormatMessage(Msg::kHoursMinutes,
                                   {seconds / kHour, (seconds % kHour) / kMinute});
  return resources.FormatMessage(Msg::kHours, {seconds / kHour});
}

std::wstring FormatSize(uint64_t bytes) {
  if (bytes == kUnknownSize) return DisplayText::kUnknown;
  if (bytes < 1024) return std::to_wstring(bytes) + L" B";
  static constexpr std::array<const char*, 6> kUnits = {"KB", "MB", "GB", "TB", "PB", "EB"};
  double value = static_cast<double>(bytes) / 1024.0;
  size_t unit = 0;
  // 1023.95 would print as "1024.0": the next unit then reads better.
  while (value >= 1023.95 && unit + 1 < kUnits.size()) {
    value /= 1024.0;
    ++unit;
  }
  char text[32];
  std::snprintf(text, sizeof text, "%.1f %s", value, kUnits[unit]);
  return LocalToWide(text);
}

std::wstring FormatSpeed(int64_t bytesPerSecond) {
  if (bytesPerSecond < 0) return DisplayText::kUnknown;
  return FormatSize(static_cast<uint64_t>(bytesPerSecond)) + L"/s";
}

std::wstring FormatDateTime(int64_t seconds) {
  LocalDateTime local;
  if (seconds < 0 || static_cast<uint64_t>(seconds) == kUnknownSize ||
      !UnixToLocalTime(seconds, local))
    return DisplayText::kUnknown;
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", local.year, local.month, local.day,
                local.hour, local.minute);
  return LocalToWide(text);
}

std::wstring FormatStatus(DownloadStatus status, const CResourceManager& resources) {
  const int number = CDownloadInfo::StatusStringId(status);
  return number == 0 ? std::wstring() : resources.GetString(static_cast<uint32_t>(number));
}

}  // namespace ferrow
