#include "app/settings_ranges.h"

#include <array>
#include <cwchar>

#include "app/settings.h"

namespace ferrow {
namespace {

constexpr int kLimitsPage = 2;

const std::array<SettingRange, 7> kRanges = {{
    {L"MaxDownloads", &CSettings::m_maxDownloads, 1, 100, kLimitsPage, 100},
    {L"MaxThreads", &CSettings::m_maxThreads, 1, 64, kLimitsPage, 16},
    {L"SpeedLimit", &CSettings::m_speedLimit, 0, 100000, kLimitsPage, 100000},
    {L"RetryAttempts", &CSettings::m_retryAttempts, 1, 1000, kLimitsPage, 1000},
    {L"RetryDelay", &CSettings::m_retryDelay, 5, 1000, kLimitsPage, 1000},
    {L"ConnectTimeout", &CSettings::m_connectTimeout, 1, 3600, kLimitsPage, 3600},
    {L"StallTimeout", &CSettings::m_stallTimeout, 1, 3600, kLimitsPage, 3600},
}};

}  // namespace

std::span<const SettingRange> SettingRanges() {
  return kRanges;
}

const SettingRange* FindSettingRange(const wchar_t* key) {
  for (const SettingRange& range : kRanges)
    if (std::wcscmp(range.key, key) == 0) return &range;
  return nullptr;
}

const SettingRange* FindValueOutOfRange(const CSettings& settings) {
  for (const SettingRange& range : kRanges) {
    const int32_t value = settings.*range.field;
    if (value < range.lower || value > range.upper) return &range;
  }
  return nullptr;
}

}  // namespace ferrow
