// CMainFrame: what the core reports (download events and changed rows, the explorer's events,
// connection changes, a newer version), drops, and keeping the views in step.
#include <QDesktopServices>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QStatusBar>
#include <QUrl>

#include "app/ferrow_app.h"
#include "gui/core_driver.h"
#include "gui/download_model.h"
#include "gui/explorer_pane.h"
#include "gui/folder_pane.h"
#include "gui/history_pane.h"
#include "gui/language_texts.h"
#include "gui/login_dialog.h"
#include "gui/main_frame.h"
#include "gui/message_boxes.h"
#include "gui/progress_dialog.h"
#include "gui/qt_text.h"
#include "gui/url_drop.h"
#include "l10n/message_numbers.h"
#include "net/event_list.h"

namespace ferrow {
namespace {

void AddFolderNames(const CFolderInfo& folder, const QString& name,
                    std::map<Guid, QString>& names) {
  names[folder.m_id] = name;
  for (const CFolderInfo& child : folder.m_folders)
    AddFolderNames(child, ToQt(child.m_name), names);
}

}  // namespace

void CMainFrame::OnDownloadEvent(const Guid& id, TransferEvent event) {
  switch (event) {
    case TransferEvent::kLog:
      m_logs.Append(id, m_app.TakeDownloadLog(id));
      break;
    case TransferEvent::kLoginRequired:
      AskLogin(id);
      break;
    case TransferEvent::kStarted:
      if (m_app.GetSettings().m_openProgress && !m_exiting) CProgressDialog::Open(*this, id);
      break;
    case TransferEvent::kFinished:
      // Filed into its folder and the history by now.
      FoldersChanged();
      HistoryChanged();
      break;
    default:
      break;
  }
}

void CMainFrame::OnDownloadsChanged(const DownloadChanges& changes) {
  m_downloadModel->ApplyChanges(changes);
  for (const Guid& id : changes.removed) m_logs.Forget(id);
  if (!changes.added.empty() || !changes.removed.empty() || changes.reload) UpdateCommands();
}

void CMainFrame::OnExplorerEvent(uint32_t event) {
  m_explorerPane->OnExplorerEvent(event);
  UpdateCommands();
}

void CMainFrame::AskLogin(const Guid& id) {
  const QString key = ToQt(id.ToString());
  if (QWidget* open = m_loginDialogs.value(key)) {
    open->raise();
    return;
  }
  m_loginDialogs.insert(key, CLoginDialog::Open(*this, id));
}

void CMainFrame::FoldersChanged() {
  RefreshFolderNames();
  m_folderPane->Reload();
}

void CMainFrame::HistoryChanged() {
  m_historyPane->Reload();
}

void CMainFrame::SitesChanged() {
  m_explorerPane->ReloadSites();
}

void CMainFrame::RefreshFolderNames() {
  std::map<Guid, QString> names;
  AddFolderNames(m_app.GetFolders(), Text(Msg::kFolderRoot, "Download Folder"), names);
  if (names == m_folderNames) return;
  m_folderNames = names;
  m_downloadModel->SetFolderNames(std::move(names));
}

QString CMainFrame::FolderName(const Guid& id) const {
  auto found = m_folderNames.find(id);
  if (found != m_folderNames.end()) return found->second;
  // A folder that is gone: its downloads are filed under the root.
  return Text(Msg::kFolderRoot, "Download Folder");
}

void CMainFrame::PollSoon() {
  if (m_driver) m_driver->PollSoon();
}

void CMainFrame::OnConnectionChanged(bool up) {
  statusBar()->showMessage(up ? Text(Msg::kConnectionUp) : Text(Msg::kConnectionDown), 10000);
}

void CMainFrame::OnNewVersion() {
  AskQuestion(DialogParent(), Text(Msg::kAskNewVersion), [](bool yes) {
    const std::wstring page = CFerrowApp::DownloadPageUrl();
    if (yes && !page.empty()) QDesktopServices::openUrl(QUrl(ToQt(page)));
  });
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
  // Whatever is dragged shows the link cursor; the drop decides.
  if (m_exiting || !MayHoldLinks(*event->mimeData())) return;
  event->setDropAction(Qt::LinkAction);
  event->accept();
}

void CMainFrame::dragMoveEvent(QDragMoveEvent* event) {
  if (m_exiting || !MayHoldLinks(*event->mimeData())) return;
  event->setDropAction(Qt::LinkAction);
  event->accept();
}

void CMainFrame::dropEvent(QDropEvent* event) {
  const QStringList links = DroppedLinks(*event->mimeData(), m_app.GetSettings().m_extensionList);
  event->setDropAction(Qt::LinkAction);
  event->accept();
  if (links.size() == 1)
    AddDownload(links.front(), this);
  else if (links.size() > 1)
    AddDownloads(links, this);
}

}  // namespace ferrow
