#pragma once
// The files completed into one folder, in completion order.
#include "download/file_info.h"
#include "store/xml_list.h"

namespace ferrow {

class CFileList : public CXmlList<CFileInfo> {
 public:
  void Exchange(bool store, CXmlNode& node) override;
};

}  // namespace ferrow
