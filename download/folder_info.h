#pragma once
// A folder of the user's tree: a named category with a directory on disk, the files completed
// into it and its sub-folders. The root of the tree is stored as "Folders.xml".
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "download/file_list.h"
#include "download/folder_list.h"
#include "platform/guid.h"
#include "store/xml_object.h"

namespace ferrow {

class CFolderInfo : public CXmlObject {
 public:
  static constexpr const char* kFileName = "Folders.xml";
  // The language strings that name the default sub-folders.
  static constexpr int kDefaultFolderStrings[] = {1101, 1102, 1103, 1104};
  // Returns the text of a language string by number.
  using StringSource = std::function<std::wstring(int)>;

  CFolderInfo();
  // A new child of parent: its path is the parent's path joined with the name.
  CFolderInfo(std::wstring name, const CFolderInfo& parent);

  void Exchange(bool store, CXmlNode& node) override;

  // Builds a child and inserts it among the sub-folders in name order.
  CFolderInfo& AddFolder(const std::wstring& name);
  // Depth-first over the sub-folders (not this folder): each child, then its subtree, then the
  // next child. Null when no folder below has the ID.
  CFolderInfo* FindFolder(const Guid& id);
  const CFolderInfo* FindFolder(const Guid& id) const;
  // Files the entry under the folder with that ID, or under this folder when there is none.
  void AddFile(const Guid& folderId, const CFileInfo& file);
  // Renames a folder below and moves it to its place in name order; path and contents stay.
  bool RenameFolder(const Guid& id, const std::wstring& name);
  // Removes a folder below, with everything in it.
  bool RemoveFolder(const Guid& id);

  // Over this folder and every level below it.
  uint64_t GetTotalSize() const;
  size_t GetFolderCount() const;
  size_t GetFileCount() const;

  // The tree of a fresh installation: no name, the download folder as path, and one sub-folder
  // per default language string.
  void SetDefaults(const std::wstring& downloadFolder, const StringSource& strings);

  // A name a folder may take: not empty, no separator or NUL, not "." or "..", so that its
  // directory always lies inside its parent's.
  static bool IsValidName(const std::wstring& name);
  // Joins a parent directory and a name into a directory path ending with one separator.
  static std::wstring JoinPath(const std::wstring& parent, const std::wstring& name);

  Guid m_id;
  std::wstring m_name;
  std::wstring m_path;  // always ends with a separator
  CFileList m_files;
  CFolderList m_folders;

 private:
  // The list below this folder that holds the folder with that ID.
  CFolderList* FindOwningList(const Guid& id, CFolderList::iterator& position);
};

}  // namespace ferrow
