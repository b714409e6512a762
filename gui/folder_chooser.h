#pragma once
// Where a new download goes: a folder of the user's tree (the last one chosen at first, kept as
// "Recent\Folder") and the directory on disk, the folder's own unless the user picks another
// with the folder picker.
#include <QObject>

#include "platform/guid.h"

class QComboBox;
class QLineEdit;
class QPushButton;
class QWidget;

namespace ferrow {

class CFerrowApp;

// Makes the controls; the dialog places the folder box and the directory row in its form.
class CFolderChooser : public QObject {
  Q_OBJECT

 public:
  CFolderChooser(CFerrowApp& app, QWidget* parent);

  Guid FolderId() const;
  QString Directory() const;
  QComboBox* FolderBox() const { return m_folders; }
  QLineEdit* DirectoryLine() const { return m_directory; }
  QPushButton* BrowseButton() const { return m_browse; }
  // The directory line and the picker's button in one row.
  QWidget* DirectoryRow() const { return m_directoryRow; }
  // Stores the chosen folder as the next dialog's first choice.
  void Remember() const;

 private:
  void OnFolderChosen();
  void Browse();

  CFerrowApp& m_app;
  QComboBox* m_folders;
  QLineEdit* m_directory;
  QPushButton* m_browse;
  QWidget* m_directoryRow;
  QWidget* m_parent;
};

}  // namespace ferrow
