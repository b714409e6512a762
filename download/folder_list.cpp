#include "download/folder_list.h"

#include "download/folder_info.h"

namespace ferrow {

CFolderList::CFolderList() = default;
CFolderList::CFolderList(const CFolderList& other) = default;
CFolderList::CFolderList(CFolderList&& other) noexcept = default;
CFolderList& CFolderList::operator=(const CFolderList& other) = default;
CFolderList& CFolderList::operator=(CFolderList&& other) noexcept = default;
CFolderList::~CFolderList() = default;

void CFolderList::Exchange(bool store, CXmlNode& node) {
  CXmlList::Exchange(store, node, L"Folder");
}

namespace {

CFolderList::iterator PlaceFor(CFolderList& list, const std::wstring& name) {
  auto it = list.begin();
  while (it != list.end() && it->m_name < name) ++it;
  return it;
}

}  // namespace

CFolderInfo& CFolderList::InsertSorted(CFolderInfo folder) {
  const auto place = PlaceFor(*this, folder.m_name);
  return *insert(place, std::move(folder));
}

void CFolderList::Reposition(iterator folder) {
  // Splicing keeps the element (and every pointer into its subtree) where it is in memory.
  CFolderList::list moved;
  moved.splice(moved.begin(), *this, folder);
  splice(PlaceFor(*this, moved.front().m_name), moved);
}

}  // namespace ferrow
