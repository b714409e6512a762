#include "download/file_info.h"

#include "download/download_info.h"
#include "store/xml_node.h"

namespace ferrow {

CFileInfo::CFileInfo(const CDownloadInfo& download, uint64_t now)
    : m_name(download.m_name),
      m_url(download.m_url),
      m_file(download.m_file),
      m_comment(download.m_comment),
      m_size(download.m_size),
      m_date(now) {}

void CFileInfo::Exchange(bool store, CXmlNode& node) {
  node.ExchangeChild(store, L"Name", m_name);
  node.ExchangeChild(store, L"URL", m_url);
  node.ExchangeChild(store, L"File", m_file);
  node.ExchangeChild(store, L"Comment", m_comment);
  node.ExchangeChild(store, L"Size", m_size);
  node.ExchangeChild(store, L"Date", m_date);
}

}  // namespace ferrow
