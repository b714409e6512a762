#pragma once
// Download statuses shared by transfers, records and panes. The values are stored in the
// downloads file and pick the status strings (2500 + status), so they never change.
#include <cstdint>

namespace ferrow::DownloadStatus {

constexpr int32_t kNeverStarted = -1;
constexpr int32_t kQueued = 0;
constexpr int32_t kStopped = 1;
constexpr int32_t kFailed = 2;
constexpr int32_t kConnecting = 3;
constexpr int32_t kLoginRequired = 4;
constexpr int32_t kDownloading = 5;
constexpr int32_t kRetrying = 6;
constexpr int32_t kCompleted = 7;

}  // namespace ferrow::DownloadStatus
