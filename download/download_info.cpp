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
  if (store) {
    node.AddAttribute(L"ID", m_id);
    node.AddChild(L"Folder", m_folder);
    node.AddChild(L"Name", m_name);
    node.AddChild(L"URL", m_url);
    node.AddChild(L"File", m_file);
    node.AddChild(L"Comment", m_comment);
    node.AddChild(L"Size", m_size);
    node.AddChild(L"Date", m_date);
    node.AddChild(L"Done", m_done);
    node.AddChild(L"Progress", m_progress);
    node.AddChild(L"Elapsed", m_elapsed);
    node.AddChild(L"Left", m_left);
    node.AddChild(L"Speed", m_speed);
    node.AddChild(L"Status", m_status);
    node.AddChild(L"Error", m_error);
    node.AddChild(L"Order", m_order);
  } else {
    node.GetAttribute(L"ID", m_id);
    node.GetChild(L"Folder", m_folder);
    node.GetChild(L"Name", m_name);
    node.GetChild(L"URL", m_url);
    node.GetChild(L"File", m_file);
    node.GetChild(L"Comment", m_comment);
    node.GetChild(L"Size", m_size);
    node.GetChild(L"Date", m_date);
    node.GetChild(L"Done", m_done);
    node.GetChild(L"Progress", m_progress);
    node.GetChild(L"Elapsed", m_elapsed);
    node.GetChild(L"Left", m_left);
    node.GetChild(L"Speed", m_speed);
    node.GetChild(L"Status", m_status);
    node.GetChild(L"Error", m_error);
    node.GetChild(L"Order", m_order);
  }
}

std::wstring CDownloadInfo::FileNameOf(const std::wstring& path) {
  const size_t slash = path.find_last_of(L'/');
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

int CDownloadInfo::StatusStringId(int32_t status) {
  return status >= DownloadStatus::kQueued && status <= DownloadStatus::kCompleted ? 2500 + status
                                                                                   : 0;
}

int CDownloadInfo::StatusIcon(int32_t status) {
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
