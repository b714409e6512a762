#pragma once
// One download from the moment it is added until it is deleted: what to fetch, where to put it,
// how far it got and how it ended. A plain value, copied freely; a copy is the same download.
#include <cstdint>
#include <string>

#include "net/download_status.h"
#include "platform/guid.h"
#include "platform/unknown_size.h"
#include "store/xml_object.h"

namespace ferrow {

class CDownloadInfo : public CXmlObject {
 public:
  CDownloadInfo();
  CDownloadInfo(std::wstring url, const Guid& folder, std::wstring file);

  void Exchange(bool store, CXmlNode& node) override;

  // The file-name part of a path (everything after the last separator).
  static std::wstring FileNameOf(const std::wstring& path);
  // The language string that names a status (2500 + status), or 0 for a value without one.
  static int StatusStringId(DownloadStatus status);
  // The row icon of a status: 0 queued, 1 running, 2 stopped or failed, 3 completed; -1 none.
  static int StatusIcon(DownloadStatus status);

  Guid m_id;
  Guid m_folder;
  std::wstring m_name;
  std::wstring m_url;
  std::wstring m_file;
  std::wstring m_comment;
  uint64_t m_size = kUnknownSize;
  uint64_t m_date = kUnknownSize;
  uint64_t m_done = 0;
  int32_t m_progress = 0;
  int32_t m_elapsed = 0;
  int32_t m_left = -1;
  int32_t m_speed = 0;
  DownloadStatus m_status = DownloadStatus::kNeverStarted;
  int32_t m_error = 0;
  int32_t m_order = 0;  // 1-based queue position, 0 when not queued
  // Connections for this download, 1 to 64; 0 uses "MaxThreads". Stored as "Threads" only when
  // set, so files of downloads without it look as before.
  int32_t m_threads = 0;
};

}  // namespace ferrow
