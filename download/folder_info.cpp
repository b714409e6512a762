#include "download/folder_info.h"

#include "store/xml_node.h"

namespace ferrow {
namespace {

constexpr wchar_t kSeparator = L'/';

uint64_t SaturatingAdd(uint64_t a, uint64_t b) {
  return a > UINT64_MAX - b ? UINT64_MAX : a + b;
}

}  // namespace

CFolderInfo::CFolderInfo() : m_id(Guid::Create()) {}

CFolderInfo::CFolderInfo(std::wstring name, const CFolderInfo& parent)
    : m_id(Guid::Create()), m_name(std::move(name)), m_path(JoinPath(parent.m_path, m_name)) {}

void CFolderInfo::Exchange(bool store, CXmlNode& node) {
  if (store) {
    node.AddAttribute(L"ID", m_id);
    node.AddChild(L"Name", m_name);
    node.AddChild(L"Path", m_path);
    node.AddChild(L"Files", m_files);
    node.AddChild(L"Folders", m_folders);
  } else {
    node.GetAttribute(L"ID", m_id);
    node.GetChild(L"Name", m_name);
    node.GetChild(L"Path", m_path);
    // An empty list is stored as an empty element, which the reader drops: absent means empty.
    m_files.clear();
    m_folders.clear();
    node.GetChild(L"Files", m_files);
    node.GetChild(L"Folders", m_folders);
  }
}

CFolderInfo& CFolderInfo::AddFolder(const std::wstring& name) {
  return m_folders.InsertSorted(CFolderInfo(name, *this));
}

CFolderInfo* CFolderInfo::FindFolder(const Guid& id) {
  for (CFolderInfo& child : m_folders) {
    if (child.m_id == id) return &child;
    if (CFolderInfo* found = child.FindFolder(id)) return found;
  }
  return nullptr;
}

const CFolderInfo* CFolderInfo::FindFolder(const Guid& id) const {
  return const_cast<CFolderInfo*>(this)->FindFolder(id);
}

void CFolderInfo::AddFile(const Guid& folderId, const CFileInfo& file) {
  CFolderInfo* folder = FindFolder(folderId);
  (folder ? folder : this)->m_files.push_back(file);
}

CFolderList* CFolderInfo::FindOwningList(const Guid& id, CFolderList::iterator& position) {
  for (auto it = m_folders.begin(); it != m_folders.end(); ++it) {
    if (it->m_id == id) {
      position = it;
      return &m_folders;
    }
    if (CFolderList* list = it->FindOwningList(id, position)) return list;
  }
  return nullptr;
}

bool CFolderInfo::RenameFolder(const Guid& id, const std::wstring& name) {
  CFolderList::iterator position;
  CFolderList* list = FindOwningList(id, position);
  if (!list) return false;
  position->m_name = name;
  list->Reposition(position);
  return true;
}

bool CFolderInfo::RemoveFolder(const Guid& id) {
  CFolderList::iterator position;
  CFolderList* list = FindOwningList(id, position);
  if (!list) return false;
  list->erase(position);
  return true;
}

uint64_t CFolderInfo::GetTotalSize() const {
  uint64_t total = 0;
  for (const CFileInfo& file : m_files) total = SaturatingAdd(total, file.m_size);
  for (const CFolderInfo& child : m_folders) total = SaturatingAdd(total, child.GetTotalSize());
  return total;
}

size_t CFolderInfo::GetFolderCount() const {
  size_t count = m_folders.size();
  for (const CFolderInfo& child : m_folders) count += child.GetFolderCount();
  return count;
}

size_t CFolderInfo::GetFileCount() const {
  size_t count = m_files.size();
  for (const CFolderInfo& child : m_folders) count += child.GetFileCount();
  return count;
}

void CFolderInfo::SetDefaults(const std::wstring& downloadFolder, const StringSource& strings) {
  m_name.clear();
  m_files.clear();
  m_folders.clear();
  m_path = downloadFolder;
  if (m_path.empty() || m_path.back() != kSeparator) m_path += kSeparator;
  for (int id : kDefaultFolderStrings) AddFolder(strings ? strings(id) : std::wstring());
}

bool CFolderInfo::IsValidName(const std::wstring& name) {
  if (name.empty() || name == L"." || name == L"..") return false;
  return name.find(kSeparator) == std::wstring::npos && name.find(L'\0') == std::wstring::npos;
}

std::wstring CFolderInfo::JoinPath(const std::wstring& parent, const std::wstring& name) {
  // The parent keeps its leading separator: on this system it marks an absolute path.
  size_t parentEnd = parent.size();
  while (parentEnd > 0 && parent[parentEnd - 1] == kSeparator) --parentEnd;
  size_t nameBegin = 0;
  size_t nameEnd = name.size();
  while (nameBegin < nameEnd && name[nameBegin] == kSeparator) ++nameBegin;
  while (nameEnd > nameBegin && name[nameEnd - 1] == kSeparator) --nameEnd;
  std::wstring path = parent.substr(0, parentEnd);
  path += kSeparator;
  path.append(name, nameBegin, nameEnd - nameBegin);
  if (path.back() != kSeparator) path += kSeparator;
  return path;
}

}  // namespace ferrow
