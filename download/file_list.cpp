#include "download/file_list.h"

namespace ferrow {

void CFileList::Exchange(bool store, CXmlNode& node) {
  CXmlList::Exchange(store, node, L"File");
}

}  // namespace ferrow
