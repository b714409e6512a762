#include "download/download_info.h"

#include "store/xml_node.h"

namespace ferrow {

CDownloadInfo::CDownloadInfo() : m_id(Guid::Create()) {}

CDownloadInfo::CDownloadInfo(std::wstring url, const Guid& folder, std::wstring file)
    : m_id(Guid::Create()),
      m_folder(folder),
      m_name(FileNameOf(file)),
      m_url(std::move(url)),
      m_file(std::move(file)) {}

void CDownloadInfo::Exchange(bool store, CXmlNode& node) {
  node.ExchangeAttribute(store, L"ID", m_id);
  node.ExchangeChild(store, L"Folder", m_folder);
  node.ExchangeChild(store, L"Name", m_name);
  node.ExchangeChild(store, L"URL", m_url);
  node.ExchangeChild(store, L"File", m_file);
  node.ExchangeChild(store, L"Comment", m_comment);
  node.ExchangeChild(store, L"Size", m_size);
  node.ExchangeChild(store, L"Date", m_date);
  node.ExchangeChild(store, L"Done", m_done);
  node.ExchangeChild(store, L"Progress", m_progress);
  node.ExchangeChild(store, L"Elapsed", m_elapsed);
  node.ExchangeChild(store, L"Left", m_left);
  node.ExchangeChild(store, L"Speed", m_speed);
  int32_t status = StatusNumber(m_status);
  node.ExchangeChild(store, L"Status", status);
  m_status = StatusFromNumber(status);
  node.ExchangeChild(store, L"Error", m_error);
  node.ExchangeChild(store, L"Order", m_order);
  if (!store || m_threads != 0) node.ExchangeChild(store, L"Threads", m_threads);
}

std::wstring CDownloadInfo::FileNameOf(const std::wstring& path) {
  const size_t slash = path.find_last_of(L'/');
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

int CDownloadInfo::StatusStringId(DownloadStatus status) {
  return status >= DownloadStatus::kQueued && status <= DownloadStatus::kCompleted
             ? 2500 + StatusNumber(status)
             : 0;
}

int CDownloadInfo::StatusIcon(DownloadStatus status) {
  switch (status) {
    case DownloadStatus::kQueued:
      return 0;
    case DownloadStatus::kStopped:
    case DownloadStatus::kFailed:
      return 2;
    case DownloadStatus::kConnecting:
    case DownloadStatus::kLoginRequired:
    case DownloadStatus::kDownloading:
    case DownloadStatus::kRetrying:
      return 1;
    case DownloadStatus::kCompleted:
      return 3;
    default:
      return -1;
  }
}

}  // namespace ferrow
