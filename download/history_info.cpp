#include "download/history_info.h"

#include "download/download_info.h"
#include "store/xml_node.h"

namespace ferrow {

CHistoryInfo::CHistoryInfo(const CDownloadInfo& download, int64_t now)
    : m_name(download.m_name),
      m_url(download.m_url),
      m_file(download.m_file),
      m_comment(download.m_comment),
      m_size(download.m_size),
      m_date(static_cast<int32_t>(static_cast<uint32_t>(now))) {}

void CHistoryInfo::Exchange(bool store, CXmlNode& node) {
  if (store) {
    node.AddChild(L"Name", m_name);
    node.AddChild(L"URL", m_url);
    node.AddChild(L"File", m_file);
    node.AddChild(L"Comment", m_comment);
    node.AddChild(L"Size", m_size);
    node.AddChild(L"Date", m_date);
  } else {
    node.GetChild(L"Name", m_name);
    node.GetChild(L"URL", m_url);
    node.GetChild(L"File", m_file);
    node.GetChild(L"Comment", m_comment);
    node.GetChild(L"Size", m_size);
    node.GetChild(L"Date", m_date);
  }
}

}  // namespace ferrow
