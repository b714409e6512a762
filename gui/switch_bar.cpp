#include "gui/switch_bar.h"

#include <QAction>
#include <QActionGroup>

#include "gui/icons.h"
#include "gui/language_texts.h"
#include "l10n/message_numbers.h"

namespace ferrow {

CSwitchBar::CSwitchBar(QWidget* parent) : QToolBar(parent) {
  setObjectName(QStringLiteral("switchBar"));
  setWindowTitle(QStringLiteral("Switch Bar"));
  setMovable(false);
  setFloatable(false);
  setOrientation(Qt::Vertical);
  setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  setIconSize(QSize(32, 32));
  // The View menu's "Switch Bar" shows and hides it; no second switch in the bar's own menu.
  toggleViewAction()->setVisible(false);
  auto* group = new QActionGroup(this);
  group->setExclusive(true);
  struct Button {
    Command pane;
    uint32_t text;
    const char* builtIn;
    IconId icon;
  };
  for (const Button& button :
       {Button{Command::kShowDownloads, Msg::kPaneDownloads, "Downloads", IconId::kDownload},
        Button{Command::kShowFolders, Msg::kPaneFolders, "Folders", IconId::kFolder},
        Button{Command::kShowHistory, Msg::kPaneHistory, "History", IconId::kHistory},
        Button{Command::kShowExplorer, Msg::kPaneExplorer, "Site Explorer", IconId::kExplorer}}) {
    QAction* action = addAction(Icon(button.icon), Text(button.text, button.builtIn));
    action->setCheckable(true);
    action->setData(static_cast<uint32_t>(button.pane));
    group->addAction(action);
    const Command pane = button.pane;
    connect(action, &QAction::triggered, this, [this, pane] { emit paneChosen(pane); });
    m_buttons[pane] = action;
  }
}

void CSwitchBar::SetCurrent(Command pane) {
  if (QAction* button = Button(pane)) button->setChecked(true);
}

QAction* CSwitchBar::Button(Command pane) const {
  auto found = m_buttons.find(pane);
  return found == m_buttons.end() ? nullptr : found->second;
}

}  // namespace ferrow
