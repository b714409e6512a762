#include "gui/main_frame.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>
#include <QStackedWidget>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>
#include <QWindowStateChangeEvent>

#include "app/display_text.h"
#include "app/ferrow_app.h"
#include "gui/ad_bar.h"
#include "gui/clipboard_monitor.h"
#include "gui/command_table.h"
#include "gui/core_driver.h"
#include "gui/dialog_trace.h"
#include "gui/download_model.h"
#include "gui/download_pane.h"
#include "gui/explorer_pane.h"
#include "gui/folder_pane.h"
#include "gui/history_pane.h"
#include "gui/icons.h"
#include "gui/language_texts.h"
#include "gui/qt_text.h"
#include "gui/status_pane.h"
#include "gui/switch_bar.h"
#include "gui/system_tray.h"
#include "l10n/message_numbers.h"
#include "l10n/resource_manager.h"
#include "shell/frame_layout.h"

namespace ferrow {
namespace {

// The settings page a status-bar field opens: the limits for the counts and the speed, the
// after-download actions for their indicators.
constexpr int kLimitsPage = 2;
constexpr int kActionsPage = 6;

}  // namespace

CMainFrame::CMainFrame(CFerrowApp& app) : m_app(app) {
  setObjectName(QStringLiteral("mainFrame"));
  setWindowTitle(QStringLiteral("Ferrow"));
  setWindowIcon(Icon(IconId::kApp));
  setAcceptDrops(true);
  CreateActions();
  CreatePanes();
  CreateMenus();
  CreateToolBars();
  CreateStatusBar();
  RestoreFrameLayout();

  m_tray = new CSystemTray(*this, this);
  connect(m_tray, &CSystemTray::restoreRequested, this, &CMainFrame::Restore);
  m_trayState.SetTip(FromQt(Text(Msg::kTrayTip, "Ferrow")));
  m_trayState.SetBusy(false);
  ApplyDisplaySettings();

  m_app.AddListener(this);
  RefreshFolderNames();
  connect(qApp, &QApplication::focusChanged, this,
          [this](QWidget*, QWidget* now) { OnFocusChanged(now); });
  connect(&m_secondTimer, &QTimer::timeout, this, &CMainFrame::OnSecondTimer);
  m_secondTimer.start(1000);
  // Last: the window is complete before the first copied link can reach it.
  m_clipboard = new CClipboardMonitor(m_app.GetSettings(), this);
  connect(m_clipboard, &CClipboardMonitor::linkCopied, this,
          [this] { AddDownload(QString(), nullptr); });
  OnSecondTimer();
  UpdateCommands();
}

CMainFrame::~CMainFrame() {
  if (!m_exiting) SaveLayout();
  m_app.RemoveListener(this);
}

void CMainFrame::CreateActions() {
  for (const CommandInfo& info : CommandTable::All()) {
    const QString text = CommandTable::MenuText(QString::fromUtf8(info.text));
    auto* action = new QAction(Icon(info.icon), text, this);
    action->setData(static_cast<uint32_t>(info.id));
    action->setToolTip(CommandTable::PlainText(text));
    action->setIconText(CommandTable::PlainText(text));
    action->setCheckable(info.checkable);
    if (info.standardKey != QKeySequence::UnknownKey)
      action->setShortcut(QKeySequence(info.standardKey));
    else if (info.shortcut[0] != '\0')
      action->setShortcut(QKeySequence(QString::fromUtf8(info.shortcut)));
    const Command command = info.id;
    connect(action, &QAction::triggered, this, [this, command] {
      if (HandlesCommand(command)) {
        if (IsCommandEnabled(command)) ExecuteCommand(command);
      } else if (ICommandTarget* target = ActiveTarget()) {
        if (target->HandlesCommand(command) && target->IsCommandEnabled(command))
          target->ExecuteCommand(command);
      }
      UpdateCommands();
    });
    addAction(action);  // its shortcut works while the menu bar is hidden too
    m_actions[info.id] = action;
  }
  m_paneGroup = new QActionGroup(this);
  for (Command pane : {Command::kShowDownloads, Command::kShowFolders, Command::kShowHistory,
                       Command::kShowExplorer})
    m_paneGroup->addAction(Action(pane));
}

void CMainFrame::CreateMenus() {
  for (const PopupLayout& popup : CommandTable::MainMenu()) {
    QMenu* menu = menuBar()->addMenu(QString::fromUtf8(popup.title));
    for (Command command : popup.items) {
      if (command == CommandTable::kSeparator)
        menu->addSeparator();
      else
        menu->addAction(Action(command));
    }
    connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommands);
  }
  ApplyMenuBarTexts(L"Main", menuBar());
}

void CMainFrame::CreateToolBars() {
  m_toolBar = addToolBar(QStringLiteral("Toolbar"));
  m_toolBar->setObjectName(QStringLiteral("toolBar"));
  m_toolBar->setMovable(false);
  m_toolBar->setIconSize(QSize(24, 24));
  m_toolBar->toggleViewAction()->setVisible(false);
  for (Command command :
       {Command::kDownload, CommandTable::kSeparator, Command::kStart, Command::kStop,
        Command::kQueue, Command::kMoveUp, Command::kMoveDown, CommandTable::kSeparator,
        Command::kOpen, Command::kOpenFolder, CommandTable::kSeparator, Command::kDelete,
        Command::kProperties, CommandTable::kSeparator, Command::kConnect, Command::kDisconnect,
        Command::kRefresh, CommandTable::kSeparator, Command::kSettings}) {
    if (command == CommandTable::kSeparator)
      m_toolBar->addSeparator();
    else
      m_toolBar->addAction(Action(command));
  }
  m_switchBar = new CSwitchBar(this);
  addToolBar(Qt::LeftToolBarArea, m_switchBar);
  connect(m_switchBar, &CSwitchBar::paneChosen, this, &CMainFrame::ShowPane);
}

void CMainFrame::CreatePanes() {
  auto* central = new QWidget;
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  m_stack = new QStackedWidget;
  m_downloadModel = std::make_unique<CDownloadModel>(m_app);
  m_downloadPane = new CDownloadPane(*this, *m_downloadModel);
  m_folderPane = new CFolderPane(*this);
  m_historyPane = new CHistoryPane(*this);
  m_explorerPane = new CExplorerPane(*this);
  m_stack->addWidget(m_downloadPane);
  m_stack->addWidget(m_folderPane);
  m_stack->addWidget(m_historyPane);
  m_stack->addWidget(m_explorerPane);
  layout->addWidget(m_stack, 1);
  m_adBar = new CAdBar;
  connect(m_adBar, &CAdBar::clicked, this, [this] { ExecuteCommand(Command::kHomepage); });
  layout->addWidget(m_adBar);
  setCentralWidget(central);
  // Every selection change may enable or disable commands.
  for (QAbstractItemView* view : findChildren<QAbstractItemView*>())
    if (view->selectionModel())
      connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, this,
              &CMainFrame::UpdateCommands);
}

void CMainFrame::CreateStatusBar() {
  QStatusBar* bar = statusBar();
  for (int i = 1; i <= 5; ++i) {
    auto* pane = new CStatusPane;
    pane->setObjectName(QStringLiteral("statusPane%1").arg(i));
    bar->addPermanentWidget(pane);
    m_statusPanes.push_back(pane);
    const int page = i <= 2 ? kLimitsPage : kActionsPage;
    connect(pane, &CStatusPane::doubleClicked, this, [this, page] { OpenSettings(page); });
  }
  m_statusPanes[2]->setText(Text(Msg::kIndicatorClose, "Close"));
  m_statusPanes[3]->setText(Text(Msg::kIndicatorHangup, "Hang up"));
  m_statusPanes[4]->setText(Text(Msg::kIndicatorShutdown, "Shut down"));
}

QLabel* CMainFrame::StatusPane(int index) const {
  return index >= 1 && index <= static_cast<int>(m_statusPanes.size())
             ? m_statusPanes[static_cast<size_t>(index - 1)]
             : nullptr;
}

QAction* CMainFrame::Action(Command command) const {
  auto found = m_actions.find(command);
  return found == m_actions.end() ? nullptr : found->second;
}

void CMainFrame::RestoreFrameLayout() {
  FrameLayout layout;
  resize(900, 560);
  if (layout.Load() && layout.hasRect)
    setGeometry(layout.left, layout.top, layout.right - layout.left, layout.bottom - layout.top);
  m_wasMaximized = layout.maximized;
  m_toolBar->setVisible(layout.showToolBar);
  statusBar()->setVisible(layout.showStatusBar);
  m_switchBar->setVisible(layout.showSwitchBar);
  ShowPane(Command::kShowDownloads);
}

void CMainFrame::SaveLayout() {
  FrameLayout layout;
  const QRect rect = isMaximized() || isMinimized() ? normalGeometry() : geometry();
  if (rect.isValid()) {
    layout.hasRect = true;
    layout.left = rect.left();
    layout.top = rect.top();
    layout.right = rect.left() + rect.width();
    layout.bottom = rect.top() + rect.height();
  }
  layout.maximized = isMaximized() || (!isVisible() && m_wasMaximized);
  layout.showToolBar = !m_toolBar->isHidden();
  layout.showStatusBar = !statusBar()->isHidden();
  layout.showSwitchBar = !m_switchBar->isHidden();
  layout.Save();
  m_downloadPane->SaveLayout();
  m_folderPane->SaveLayout();
  m_historyPane->SaveLayout();
  m_explorerPane->SaveLayout();
}

void CMainFrame::ShowAtStart(bool silent) {
  if (!silent) {
    m_wasMaximized ? showMaximized() : show();
    return;
  }
  // Silent: in the tray only; without one, out of the way on the task bar.
  if (!m_tray->IsShown()) showMinimized();
}

void CMainFrame::Activate() {
  Restore();
}

void CMainFrame::Restore() {
  if (m_exiting) return;
  if (m_wasMaximized)
    showMaximized();
  else
    showNormal();
  raise();
  activateWindow();
}

void CMainFrame::ShowPane(Command pane) {
  QWidget* page = nullptr;
  switch (pane) {
    case Command::kShowDownloads:
      page = m_downloadPane;
      break;
    case Command::kShowFolders:
      page = m_folderPane;
      break;
    case Command::kShowHistory:
      page = m_historyPane;
      break;
    case Command::kShowExplorer:
      page = m_explorerPane;
      break;
    default:
      return;
  }
  m_pane = pane;
  m_stack->setCurrentWidget(page);
  if (QAction* action = Action(pane)) action->setChecked(true);
  m_switchBar->SetCurrent(pane);
  // The pane's first view takes the focus, so the item commands reach it.
  QWidget* first = pane == Command::kShowDownloads ? static_cast<QWidget*>(m_downloadPane)
                   : pane == Command::kShowFolders ? m_folderPane->FirstView()
                   : pane == Command::kShowHistory ? m_historyPane->FirstView()
                                                   : m_explorerPane->FirstView();
  m_activeView = first;
  if (isVisible()) first->setFocus();
  UpdateCommands();
}

void CMainFrame::OnFocusChanged(QWidget* now) {
  for (QWidget* widget = now; widget; widget = widget->parentWidget()) {
    if (widget == this) return;
    if (dynamic_cast<ICommandTarget*>(widget) && m_stack->isAncestorOf(widget)) {
      m_activeView = widget;
      UpdateCommands();
      return;
    }
  }
}

ICommandTarget* CMainFrame::ActiveTarget() const {
  QWidget* view = m_activeView.data();
  QWidget* pane = m_stack->currentWidget();
  if (!view || !(view == pane || pane->isAncestorOf(view))) return nullptr;
  return dynamic_cast<ICommandTarget*>(view);
}

void CMainFrame::UpdateCommands() {
  ICommandTarget* target = ActiveTarget();
  for (auto& [command, action] : m_actions) {
    bool enabled = false;
    // While the core stops (its explorer and transfers are going away) nothing is offered.
    if (m_exiting)
      enabled = false;
    else if (HandlesCommand(command))
      enabled = IsCommandEnabled(command);
    else if (target && target->HandlesCommand(command))
      enabled = target->IsCommandEnabled(command);
    action->setEnabled(enabled);
    if (action->isCheckable() && action->actionGroup() == nullptr)
      action->setChecked(IsCommandChecked(command));
  }
}

void CMainFrame::closeEvent(QCloseEvent* event) {
  if (m_exiting) {
    event->accept();
    return;
  }
  // The close box keeps the program running: into the tray, or down to the task bar.
  event->ignore();
  m_wasMaximized = isMaximized();
  if (m_tray->IsShown())
    hide();
  else
    showMinimized();
}

void CMainFrame::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (m_shownOnce) return;
  m_shownOnce = true;
  TraceDialog("MainFrame");
}

void CMainFrame::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() != QEvent::WindowStateChange) return;
  if (isMinimized()) {
    // A minimized window goes to the tray when there is one.
    if (m_tray->IsShown())
      QTimer::singleShot(0, this, [this] {
        if (isMinimized()) hide();
      });
  } else {
    m_wasMaximized = isMaximized();
  }
}

void CMainFrame::OnSecondTimer() {
  const CFerrowApp::DownloadTotals totals = m_app.GetDownloadTotals();
  const std::wstring speed = FormatSpeed(totals.speed);
  m_statusPanes[0]->setText(FormatText(Msg::kStatusDownloads, {totals.running, totals.listed}));
  m_statusPanes[1]->setText(FormatText(Msg::kStatusSpeed, {speed}));
  m_trayState.SetTip(
      Texts().FormatMessage(Msg::kTrayTipBusy, {totals.running, totals.listed, speed}));
  m_trayState.SetBusy(totals.running > 0);
  m_tray->Apply(m_trayState);
  UpdateCommands();
}

}  // namespace ferrow
