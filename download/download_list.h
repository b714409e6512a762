#pragma once
// Every download record, in insertion order; stored as "Downloads.xml".
#include <string>

#include "download/download_info.h"
#include "store/xml_list.h"

namespace ferrow {

class CDownloadList : public CXmlList<CDownloadInfo> {
 public:
  static constexpr const char* kFileName = "Downloads.xml";

  void Exchange(bool store, CXmlNode& node) override;

  // The first record with exactly this URL (letter case counts), or null.
  CDownloadInfo* FindByUrl(const std::wstring& url);
};

}  // namespace ferrow
