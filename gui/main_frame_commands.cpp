// CMainFrame: its own commands (files, settings, exit, panes and bars, the site connection,
// help and the maker's pages), and what the views ask of it.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QSaveFile>
#include <QStatusBar>
#include <QToolBar>
#include <QUrl>

#include "app/ferrow_app.h"
#include "gui/about_dialog.h"
#include "gui/connect_dialog.h"
#include "gui/download_file_dialog.h"
#include "gui/download_list_dialog.h"
#include "gui/download_model.h"
#include "gui/explorer_pane.h"
#include "gui/language_texts.h"
#include "gui/main_frame.h"
#include "gui/message_boxes.h"
#include "gui/project_pages.h"
#include "gui/qt_text.h"
#include "gui/settings_dialog.h"
#include "gui/switch_bar.h"
#include "gui/system_tray.h"
#include "l10n/message_numbers.h"
#include "platform/text.h"
#include "shell/download_url.h"

namespace ferrow {
namespace {

// The language file's filter ("Text Files (*.txt)|*.txt|All Files (*.*)|*.*||") in Qt's form.
QString FileFilter(const QString& text) {
  const QStringList parts = text.split(QLatin1Char('|'));
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    if (parts[i].isEmpty()) break;
    QString patterns = parts[i + 1];
    patterns.replace(QLatin1String("*.*"), QLatin1String("*"));
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    QString name = parts[i];
    name.replace(QLatin1String("*.*"), QLatin1String("*"));
    filters << (name.contains(QLatin1Char('('))
                    ? name
                    : name + QStringLiteral(" (") + patterns + QLatin1Char(')'));
  }
  return filters.isEmpty() ? QStringLiteral("Text Files (*.txt);;All Files (*)")
                           : filters.join(QStringLiteral(";;"));
}

}  // namespace

bool CMainFrame::HandlesCommand(Command command) const {
  switch (command) {
    case Command::kDownload:
    case Command::kImport:
    case Command::kExport:
    case Command::kSettings:
    case Command::kExit:
    case Command::kRestore:
    case Command::kIntegration:
    case Command::kSwitchBar:
    case Command::kShowDownloads:
    case Command::kShowFolders:
    case Command::kShowHistory:
    case Command::kShowExplorer:
    case Command::kConnect:
    case Command::kDisconnect:
    case Command::kHelpContents:
    case Command::kHomepage:
    case Command::kSupport:
    case Command::kAbout:
    case Command::kToolBar:
    case Command::kStatusBar:
      return true;
    default:
      return false;
  }
}

bool CMainFrame::IsCommandEnabled(Command command) const {
  if (m_exiting) return false;
  switch (command) {
    case Command::kExport:
      return m_downloadModel->rowCount() > 0;
    case Command::kDisconnect:
      return m_app.IsExplorerRunning();
    case Command::kHomepage:
      return !HomepageUrl().isEmpty();
    case Command::kSupport:
      return !SupportUrl().isEmpty();
    default:
      return HandlesCommand(command);
  }
}

bool CMainFrame::IsCommandChecked(Command command) const {
  switch (command) {
    case Command::kIntegration:
      return m_app.GetSettings().m_enableIntegration;
    case Command::kSwitchBar:
      return !m_switchBar->isHidden();
    case Command::kToolBar:
      return !m_toolBar->isHidden();
    case Command::kStatusBar:
      return !statusBar()->isHidden();
    default:
      return command == m_pane;
  }
}

void CMainFrame::ExecuteCommand(Command command) {
  switch (command) {
    case Command::kDownload:
      AddDownload(QString(), this);
      break;
    case Command::kImport:
      Import();
      break;
    case Command::kExport:
      Export();
      break;
    case Command::kSettings:
      OpenSettings(1);
      break;
    case Command::kExit:
      RequestExit(true);
      break;
    case Command::kRestore:
      Restore();
      break;
    case Command::kIntegration:
      ToggleIntegration();
      break;
    case Command::kSwitchBar:
      m_switchBar->setVisible(m_switchBar->isHidden());
      break;
    case Command::kToolBar:
      m_toolBar->setVisible(m_toolBar->isHidden());
      break;
    case Command::kStatusBar:
      statusBar()->setVisible(statusBar()->isHidden());
      break;
    case Command::kShowDownloads:
    case Command::kShowFolders:
    case Command::kShowHistory:
    case Command::kShowExplorer:
      ShowPane(command);
      break;
    case Command::kConnect:
      CConnectDialog::Open(*this);
      break;
    case Command::kDisconnect:
      m_app.StopExplorer([](bool) {});
      break;
    case Command::kHelpContents:
      OpenHelp();
      break;
    case Command::kHomepage:
      OpenPage(HomepageUrl());
      break;
    case Command::kSupport:
      OpenPage(SupportUrl());
      break;
    case Command::kAbout:
      CAboutDialog::Open(this);
      break;
    default:
      break;
  }
  UpdateCommands();
}

QWidget* CMainFrame::DialogParent() {
  // A hidden main window (in the tray) would hide its dialogs' task-bar entries too.
  return isVisible() && !isMinimized() ? this : nullptr;
}

void CMainFrame::AddDownload(const QString& url, QWidget* parent) {
  if (m_exiting) return;
  CDownloadFileDialog::Open(*this, url, parent);
}

void CMainFrame::AddDownloads(const QStringList& urls, QWidget* parent) {
  if (m_exiting || urls.isEmpty()) return;
  CDownloadListDialog::Open(*this, urls, parent);
}

void CMainFrame::HandOver(const std::vector<std::wstring>& urls) {
  QStringList list;
  for (const std::wstring& url : urls) list << ToQt(url);
  // Owned by the desktop: the dialogs come up even while the window waits in the tray.
  if (list.size() == 1)
    AddDownload(list.front(), nullptr);
  else if (list.size() > 1)
    AddDownloads(list, nullptr);
}

void CMainFrame::Import() {
  const QString file = QFileDialog::getOpenFileName(this, QString(), QString(),
                                                    FileFilter(Text(Msg::kImportFilter, "")),
                                                    nullptr, QFileDialog::DontUseNativeDialog);
  if (!file.isEmpty()) ImportFile(file);
}

void CMainFrame::ImportFile(const QString& file) {
  QFile input(file);
  if (!input.open(QIODevice::ReadOnly)) {
    ShowMessageBox(this, FormatText(Msg::kCannotOpenFile, {FromQt(file)}), MessageKind::kError);
    return;
  }
  // A list of links, not a download: anything larger is not one.
  const QByteArray bytes = input.read(16 * 1024 * 1024);
  QStringList urls;
  for (const std::wstring& url : ParseUrlList(LocalToWide(bytes.toStdString()))) urls << ToQt(url);
  AddDownloads(urls, this);
}

void CMainFrame::Export() {
  const QString file = QFileDialog::getSaveFileName(this, QString(), QString(),
                                                    FileFilter(Text(Msg::kImportFilter, "")),
                                                    nullptr, QFileDialog::DontUseNativeDialog);
  if (!file.isEmpty()) ExportFile(file);
}

bool CMainFrame::ExportFile(const QString& file) {
  std::vector<std::wstring> urls;
  for (const DownloadSnapshot& row : m_app.GetDownloads()) urls.push_back(row.record.m_url);
  QSaveFile output(file);
  const std::string bytes = WideToLocal(FormatUrlList(urls));
  if (output.open(QIODevice::WriteOnly) &&
      output.write(bytes.data(), static_cast<qint64>(bytes.size())) ==
          static_cast<qint64>(bytes.size()) &&
      output.commit())
    return true;
  ShowMessageBox(this, FormatText(Msg::kCannotSaveFile, {FromQt(file)}), MessageKind::kError);
  return false;
}

void CMainFrame::OpenHelp() {
  const QString index = HelpIndexPath();
  if (index.isEmpty() || !QDesktopServices::openUrl(QUrl::fromLocalFile(index)))
    ShowMessageBox(this, Text(Msg::kHelpFailed, "The help file cannot be opened."),
                   MessageKind::kError);
}

void CMainFrame::OpenPage(const QString& url) {
  if (!url.isEmpty()) QDesktopServices::openUrl(QUrl(url));
}

void CMainFrame::OpenWithDesktop(const QString& file) {
  if (!QFileInfo::exists(file) || !QDesktopServices::openUrl(QUrl::fromLocalFile(file)))
    ShowMessageBox(DialogParent(), FormatText(Msg::kCannotOpenFile, {FromQt(file)}),
                   MessageKind::kError);
}

void CMainFrame::OpenFolderOf(const QString& file) {
  const QString folder = QFileInfo(file).absolutePath();
  if (!QFileInfo(folder).isDir() || !QDesktopServices::openUrl(QUrl::fromLocalFile(folder)))
    ShowMessageBox(DialogParent(), FormatText(Msg::kCannotOpenFile, {FromQt(folder)}),
                   MessageKind::kError);
}

void CMainFrame::CopyToClipboard(const QString& text) {
  QApplication::clipboard()->setText(text);
}

void CMainFrame::ToggleIntegration() {
  m_app.ToggleBrowserIntegration();
}

void CMainFrame::ShowExplorer() {
  ShowPane(Command::kShowExplorer);
}

void CMainFrame::OpenSettings(int page) {
  if (!m_exiting) CSettingsDialog::Open(*this, page);
}

void CMainFrame::ApplyDisplaySettings() {
  const CSettings& settings = m_app.GetSettings();
  m_trayState.Show(settings.m_showTrayIcon);
  m_tray->Apply(m_trayState);
  const bool indicators[] = {settings.m_autoClose, settings.m_autoHangup, settings.m_autoShutdown};
  for (int i = 0; i < 3; ++i) m_statusPanes[static_cast<size_t>(i + 2)]->setEnabled(indicators[i]);
}

void CMainFrame::RequestExit(bool ask) {
  if (m_exiting || m_exitQuestionOpen) return;
  if (ask && m_app.GetDownloadTotals().running > 0) {
    m_exitQuestionOpen = true;
    AskQuestion(DialogParent(), Text(Msg::kAskExitRunning), [this](bool yes) {
      m_exitQuestionOpen = false;
      if (yes) BeginExit();
    });
    return;
  }
  BeginExit();
}

void CMainFrame::BeginExit() {
  if (m_exiting) return;
  SaveLayout();
  m_exiting = true;
  m_secondTimer.stop();
  UpdateCommands();
  // Every other window goes; the program ends once the core has stopped and saved.
  for (QWidget* window : QApplication::topLevelWidgets())
    if (window != this && window->isVisible()) window->close();
  m_trayState.Show(false);
  m_tray->Apply(m_trayState);
  hide();
  m_app.Exit([this](bool) { emit exitFinished(); });
  PollSoon();
}

}  // namespace ferrow
