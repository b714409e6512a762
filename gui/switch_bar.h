#pragma once
// The switch bar beside the panes: one button per pane (downloads, folders, history, site
// explorer), the shown pane's button pressed.
#include <QToolBar>
#include <map>

#include "gui/command_ids.h"

class QAction;

namespace ferrow {

class CSwitchBar : public QToolBar {
  Q_OBJECT

 public:
  explicit CSwitchBar(QWidget* parent = nullptr);
  void SetCurrent(Command pane);
  QAction* Button(Command pane) const;

 signals:
  void paneChosen(Command pane);

 private:
  std::map<Command, QAction*> m_buttons;
};

}  // namespace ferrow
