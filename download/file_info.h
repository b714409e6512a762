#pragma once
// The entry a completed download leaves in its folder.
#include <cstdint>
#include <string>

#include "store/xml_object.h"

namespace ferrow {

class CDownloadInfo;

class CFileInfo : public CXmlObject {
 public:
  CFileInfo() = default;
  // From a completed download; now is the completion time in seconds since 1970 (UTC).
  CFileInfo(const CDownloadInfo& download, uint64_t now);

  void Exchange(bool store, CXmlNode& node) override;

  std::wstring m_name;
  std::wstring m_url;
  std::wstring m_file;
  std::wstring m_comment;
  uint64_t m_size = 0;
  uint64_t m_date = 0;
};

}  // namespace ferrow
