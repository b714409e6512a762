#include "sites/site_list.h"

namespace ferrow {

void CSiteList::Exchange(bool store, CXmlNode& node) {
  CXmlList::Exchange(store, node, L"Site");
}

CSiteList::iterator CSiteList::PlaceFor(const std::wstring& name) {
  auto it = begin();
  while (it != end() && !(name < it->m_name)) ++it;
  return it;
}

CSiteInfo& CSiteList::Add(const CSiteInfo& site) {
  return *insert(PlaceFor(site.m_name), site);
}

bool CSiteList::Remove(const Guid& id) {
  for (auto it = begin(); it != end(); ++it) {
    if (it->m_id == id) {
      erase(it);
      return true;
    }
  }
  return false;
}

CSiteInfo* CSiteList::Find(const Guid& id) {
  for (CSiteInfo& site : *this)
    if (site.m_id == id) return &site;
  return nullptr;
}

bool CSiteList::Rename(const Guid& id, const std::wstring& name) {
  for (auto it = begin(); it != end(); ++it) {
    if (it->m_id != id) continue;
    it->m_name = name;
    // Take it out first so that it is placed among the others only.
    std::list<CSiteInfo> moved;
    moved.splice(moved.begin(), *this, it);
    splice(PlaceFor(name), moved);
    return true;
  }
  return false;
}

}  // namespace ferrow
