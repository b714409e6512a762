#pragma once
// One entry per completed download, oldest first; stored as "History.xml".
#include "download/history_info.h"
#include "store/xml_list.h"

namespace ferrow {

class CHistoryList : public CXmlList<CHistoryInfo> {
 public:
  static constexpr const char* kFileName = "History.xml";

  void Exchange(bool store, CXmlNode& node) override;

  // Appends a copy at the end.
  void Add(const CHistoryInfo& entry) { push_back(entry); }
};

}  // namespace ferrow
