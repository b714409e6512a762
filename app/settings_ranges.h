#pragma once
// The integer settings whose values the settings pages accept only within bounds, and the page
// each one is edited on. A value out of its range refuses the page with message 2306, which
// names the two bounds.
#include <cstdint>
#include <span>

namespace ferrow {

class CSettings;

struct SettingRange {
  const wchar_t* key;  // the stored key, "MaxThreads"
  int32_t CSettings::*field;
  int32_t lower;
  int32_t upper;
  int page;           // settings page, 1 to 8
  int32_t stepUpper;  // the spin control's arrows step up to this (the typed value may be higher)
};

// MaxDownloads 1-100, MaxThreads 1-64 (arrows 1-16), SpeedLimit 0-100000, RetryAttempts 1-1000,
// RetryDelay 5-1000, ConnectTimeout and StallTimeout 1-3600, all on page 2.
std::span<const SettingRange> SettingRanges();

// The range of a key; null for a key without one.
const SettingRange* FindSettingRange(const wchar_t* key);
// The first range (in table order) whose value in settings is out of bounds; null when all hold.
const SettingRange* FindValueOutOfRange(const CSettings& settings);

}  // namespace ferrow
