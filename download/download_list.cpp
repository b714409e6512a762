#include "download/download_list.h"

namespace ferrow {

void CDownloadList::Exchange(bool store, CXmlNode& node) {
  CXmlList::Exchange(store, node, L"Download");
}

CDownloadInfo* CDownloadList::FindByUrl(const std::wstring& url) {
  for (CDownloadInfo& info : *this)
    if (info.m_url == url) return &info;
  return nullptr;
}

}  // namespace ferrow
