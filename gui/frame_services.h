#pragma once
// What the views ask of the main window: the download dialogs (every new download goes through
// them), opening files and folders with the desktop, the clipboard, and telling the other
// views that folders, history or sites changed.
#include <QString>
#include <QStringList>

class QWidget;

namespace ferrow {

class CDownloadLogBook;
class CFerrowApp;
struct Guid;

class IFrameServices {
 public:
  virtual ~IFrameServices() = default;

  virtual CFerrowApp& App() = 0;
  // The window dialogs and messages belong to.
  virtual QWidget* DialogParent() = 0;
  // The new-download dialog for one URL (empty: it proposes the clipboard's), the download-list
  // dialog for several.
  virtual void AddDownload(const QString& url, QWidget* parent) = 0;
  virtual void AddDownloads(const QStringList& urls, QWidget* parent) = 0;
  // Opens a file or the folder holding it with the desktop; message 3002 when that fails.
  virtual void OpenWithDesktop(const QString& file) = 0;
  virtual void OpenFolderOf(const QString& file) = 0;
  // Text to the clipboard from one of our windows (not taken as a new link).
  virtual void CopyToClipboard(const QString& text) = 0;
  // Something changed that other views show.
  virtual void FoldersChanged() = 0;
  virtual void HistoryChanged() = 0;
  virtual void SitesChanged() = 0;
  // Lets the core run now, so a command's effect shows without waiting for the next step.
  virtual void PollSoon() = 0;
  // Shows the site explorer's pane.
  virtual void ShowExplorer() = 0;
  // The transfer log lines of the downloads (taken from the core as they come).
  virtual const CDownloadLogBook& DownloadLogs() const = 0;
  // The name a folder is shown with; empty for an unknown one.
  virtual QString FolderName(const Guid& id) const = 0;
};

}  // namespace ferrow
