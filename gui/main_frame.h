#pragma once
// The program's one main window (CMainFrame): menu, tool bar, switch bar, status bar, the four
// panes (downloads; folders; history; site explorer), the tray icon and the advertisement bar.
// Every new download from any source (its commands, the clipboard, a drop, a later start of
// the program, the site explorer) reaches the new-download or download-list dialog through it.
// It listens to the core (ICoreListener) and refreshes the status bar and the tray tip once a
// second.
//
// The close box hides the window to the tray, or minimizes it where no tray is shown; only
// Exit (after asking while downloads run) or the after-download actions end the program, and
// they never wait on the window's thread: the core stops its transfers and saves in the
// background, then the program quits.
#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <map>
#include <memory>

#include "app/core_listener.h"
#include "app/download_log_book.h"
#include "gui/command_ids.h"
#include "gui/frame_services.h"
#include "shell/tray_state.h"

class QAction;
class QActionGroup;
class QLabel;
class QStackedWidget;
class QToolBar;

namespace ferrow {

class CAdBar;
class CClipboardMonitor;
class CCoreDriver;
class CDownloadModel;
class CDownloadPane;
class CExplorerPane;
class CFolderPane;
class CHistoryPane;
class CSwitchBar;
class CSystemTray;

class CMainFrame : public QMainWindow,
                   public ICoreListener,
                   public IFrameServices,
                   public ICommandTarget {
  Q_OBJECT

 public:
  explicit CMainFrame(CFerrowApp& app);
  ~CMainFrame() override;

  // The driver that runs the core, once it exists.
  void SetDriver(CCoreDriver* driver) { m_driver = driver; }
  // Shown at the start unless "/silent" (then only in the tray, or minimized without one).
  void ShowAtStart(bool silent);
  // A later start asked to see the window.
  void Activate();
  // URLs handed over by a later start or this one's command line.
  void HandOver(const std::vector<std::wstring>& urls);
  // Exit: asks first while downloads run (message 2204) when ask is set.
  void RequestExit(bool ask);
  bool IsExiting() const { return m_exiting; }
  void OnConnectionChanged(bool up);
  void OnNewVersion();

  // The commands of the menu, the tool bar and the shortcuts.
  QAction* Action(Command command) const;
  void UpdateCommands();
  // Shows one pane (Command::kShowDownloads ... kShowExplorer).
  void ShowPane(Command pane);
  Command CurrentPane() const { return m_pane; }
  // The view the item commands go to.
  ICommandTarget* ActiveTarget() const;

  CDownloadPane* DownloadPane() const { return m_downloadPane; }
  CFolderPane* FolderPane() const { return m_folderPane; }
  CHistoryPane* HistoryPane() const { return m_historyPane; }
  CExplorerPane* ExplorerPane() const { return m_explorerPane; }
  CDownloadModel& DownloadModel() const { return *m_downloadModel; }
  CSystemTray* Tray() const { return m_tray; }
  const CTrayState& TrayState() const { return m_trayState; }
  QLabel* StatusPane(int index) const;

  // ICommandTarget: the frame's own commands.
  bool HandlesCommand(Command command) const override;
  bool IsCommandEnabled(Command command) const override;
  void ExecuteCommand(Command command) override;
  bool IsCommandChecked(Command command) const override;

  // IFrameServices.
  CFerrowApp& App() override { return m_app; }
  QWidget* DialogParent() override;
  void AddDownload(const QString& url, QWidget* parent) override;
  void AddDownloads(const QStringList& urls, QWidget* parent) override;
  void OpenWithDesktop(const QString& file) override;
  void OpenFolderOf(const QString& file) override;
  void CopyToClipboard(const QString& text) override;
  void FoldersChanged() override;
  void HistoryChanged() override;
  void SitesChanged() override;
  void PollSoon() override;
  void ShowExplorer() override;
  const CDownloadLogBook& DownloadLogs() const override { return m_logs; }
  QString FolderName(const Guid& id) const override;

  // ICoreListener.
  void OnDownloadEvent(const Guid& id, TransferEvent event) override;
  void OnDownloadsChanged(const DownloadChanges& changes) override;
  void OnExplorerEvent(uint32_t event) override;

  // Import and Export once the file is chosen: the URLs of a text file into the download-list
  // dialog; the URLs of every download into a file (false, after message 3003, on failure).
  void ImportFile(const QString& file);
  bool ExportFile(const QString& file);

  // The settings dialog's OK: the tray and the indicators follow the new settings.
  void ApplyDisplaySettings();
  // Opens the settings dialog at a page (1 to 8).
  void OpenSettings(int page);

 signals:
  // The exit has finished: the data is saved and the program may quit.
  void exitFinished();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void changeEvent(QEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  // main_frame.cpp: the window's parts.
  void CreateActions();
  void CreateMenus();
  void CreateToolBars();
  void CreatePanes();
  void CreateStatusBar();
  void RestoreFrameLayout();
  void SaveLayout();
  void OnFocusChanged(QWidget* now);
  void OnSecondTimer();
  // main_frame_commands.cpp: the frame's commands.
  void Import();
  void Export();
  void OpenHelp();
  void OpenPage(const QString& url);
  void ToggleIntegration();
  void Restore();
  void BeginExit();
  // main_frame_events.cpp: what the core reports.
  void AskLogin(const Guid& id);
  void RefreshFolderNames();

  CFerrowApp& m_app;
  CCoreDriver* m_driver = nullptr;
  std::map<Command, QAction*> m_actions;
  QActionGroup* m_paneGroup = nullptr;
  QToolBar* m_toolBar = nullptr;
  CSwitchBar* m_switchBar = nullptr;
  CAdBar* m_adBar = nullptr;
  QStackedWidget* m_stack = nullptr;
  std::unique_ptr<CDownloadModel> m_downloadModel;
  CDownloadPane* m_downloadPane = nullptr;
  CFolderPane* m_folderPane = nullptr;
  CHistoryPane* m_historyPane = nullptr;
  CExplorerPane* m_explorerPane = nullptr;
  Command m_pane = Command::kShowDownloads;
  QPointer<QWidget> m_activeView;
  std::vector<QLabel*> m_statusPanes;
  CTrayState m_trayState;
  CSystemTray* m_tray = nullptr;
  CClipboardMonitor* m_clipboard = nullptr;
  QTimer m_secondTimer;
  CDownloadLogBook m_logs;
  std::map<Guid, QString> m_folderNames;
  QHash<QString, QPointer<QWidget>> m_loginDialogs;
  bool m_wasMaximized = false;
  bool m_exiting = false;
  bool m_exitQuestionOpen = false;
  bool m_shownOnce = false;
};

}  // namespace ferrow
