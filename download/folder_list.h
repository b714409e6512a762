#pragma once
// The sub-folders of one folder, kept in name order. Include folder_info.h to use it: the
// list holds folders by value and a folder holds a list.
#include <list>
#include <string>

#include "store/xml_list.h"

namespace ferrow {

class CFolderInfo;

class CFolderList : public CXmlList<CFolderInfo> {
 public:
  CFolderList();
  CFolderList(const CFolderList& other);
  CFolderList(CFolderList&& other) noexcept;
  CFolderList& operator=(const CFolderList& other);
  CFolderList& operator=(CFolderList&& other) noexcept;
  ~CFolderList() override;

  void Exchange(bool store, CXmlNode& node) override;

  // Inserts before the first folder whose name is not smaller (code unit by code unit), else at
  // the end; returns the folder in its place.
  CFolderInfo& InsertSorted(CFolderInfo folder);
  // Moves an element of this list to its place in name order after its name changed.
  void Reposition(iterator folder);
};

}  // namespace ferrow
