#pragma once
// Download statuses shared by transfers, records and panes. The numbers are stored in the
// downloads file and pick the status strings (2500 + status), so they never change.
#include <cstdint>

namespace ferrow {

enum class DownloadStatus : int32_t {
  kNeverStarted = -1,
  kQueued = 0,
  kStopped = 1,
  kFailed = 2,
  kConnecting = 3,
  kLoginRequired = 4,
  kDownloading = 5,
  kRetrying = 6,
  kCompleted = 7,
};

// The stored number of a status, and the status of a stored number (any number is kept as it
// is, so that a record from a newer program survives a save).
constexpr int32_t StatusNumber(DownloadStatus status) {
  return static_cast<int32_t>(status);
}
constexpr DownloadStatus StatusFromNumber(int32_t number) {
  return static_cast<DownloadStatus>(number);
}

// Connecting, Login required, Downloading or Retrying: a transfer works for the download.
constexpr bool IsActiveStatus(DownloadStatus status) {
  return status >= DownloadStatus::kConnecting && status <= DownloadStatus::kRetrying;
}

}  // namespace ferrow
