#pragma once
// How the panes word figures: sizes, speeds, elapsed and left times, dates and statuses. Values
// that are not known show as "???". The time texts are the language file's messages 2706 to
// 2709; sizes use binary units with one decimal ("1.5 MB").
#include <cstdint>
#include <string>

#include "net/download_status.h"

namespace ferrow {

class CResourceManager;

namespace DisplayText {
constexpr const wchar_t* kUnknown = L"???";
}  // namespace DisplayText

// Under a minute 2706 (seconds); under an hour 2707 (minutes, seconds); under a day 2708
// (hours, minutes); else 2709 (hours). Negative: unknown.
std::wstring FormatDuration(int32_t seconds, const CResourceManager& resources);
// "512 B", "1.5 KB", "12.0 MB", ...; kUnknownSize: unknown.
std::wstring FormatSize(uint64_t bytes);
// A size per second, "1.5 MB/s"; negative: unknown.
std::wstring FormatSpeed(int64_t bytesPerSecond);
// Seconds since 1970 (UTC) as local "YYYY-MM-DD HH:MM"; negative or kUnknownSize: unknown.
std::wstring FormatDateTime(int64_t seconds);
// The language text of a download status (2500 + status); empty for "never started".
std::wstring FormatStatus(DownloadStatus status, const CResourceManager& resources);

}  // namespace ferrow
