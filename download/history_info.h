#pragma once
// One completed download in the history.
#include <cstdint>
#include <string>

#include "store/xml_object.h"

namespace ferrow {

class CDownloadInfo;

class CHistoryInfo : public CXmlObject {
 public:
  CHistoryInfo() = default;
  // From a completed download; now is the completion time in seconds since 1970 (UTC), stored
  // cut to 32 bits.
  CHistoryInfo(const CDownloadInfo& download, int64_t now);

  void Exchange(bool store, CXmlNode& node) override;

  std::wstring m_name;
  std::wstring m_url;
  std::wstring m_file;
  std::wstring m_comment;
  uint64_t m_size = 0;
  int32_t m_date = 0;
};

}  // namespace ferrow
