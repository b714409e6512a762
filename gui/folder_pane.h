#pragma once
// The folders pane: the folder tree (CFolderView, "PopupFolder") beside the files completed into
// the chosen folder (CFileView, "PopupFile"). Files dragged onto another folder are filed there.
#include <QSplitter>
#include <QTreeView>

#include "gui/command_ids.h"
#include "gui/folder_model.h"

namespace ferrow {

class CEntryView;
class IFrameServices;

class CFolderView : public QTreeView, public ICommandTarget {
  Q_OBJECT

 public:
  CFolderView(IFrameServices& frame, QWidget* parent = nullptr);

  CFolderModel& Model() { return m_model; }
  const CFolderInfo* CurrentFolder() const;
  void Select(const Guid& id);

  bool HandlesCommand(Command command) const override;
  bool IsCommandEnabled(Command command) const override;
  void ExecuteCommand(Command command) override;

 private:
  void NewFolder();
  void Remove(bool all);
  void ShowProperties();

  IFrameServices& m_frame;
  CFolderModel m_model;
  // The folder just made with its placeholder name: naming it also names its directory.
  Guid m_justCreated;
};

class CFolderPane : public QSplitter {
  Q_OBJECT

 public:
  explicit CFolderPane(IFrameServices& frame, QWidget* parent = nullptr);

  // Reads the tree again, keeping the chosen folder.
  void Reload();
  void SaveLayout() const;
  QWidget* FirstView() const;
  CFolderView* Folders() const { return m_folders; }
  CEntryView* Files() const { return m_files; }

 private:
  void ShowFiles();

  IFrameServices& m_frame;
  CFolderView* m_folders;
  CEntryView* m_files;
};

}  // namespace ferrow
