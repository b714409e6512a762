#include "gui/system_tray.h"

#include <QAction>
#include <QMenu>

#include "gui/icons.h"
#include "gui/popup_menu.h"
#include "gui/qt_text.h"
#include "shell/tray_state.h"

namespace ferrow {

CSystemTray::CSystemTray(ICommandTarget& target, QObject* parent)
    : QObject(parent), m_target(target) {
  m_menu = BuildPopupMenu("PopupTray", m_target, nullptr);
  // Enabled and checked as things are when it opens.
  connect(m_menu, &QMenu::aboutToShow, this, [this] {
    for (QAction* action : m_menu->actions()) {
      if (action->isSeparator()) continue;
      const auto command = static_cast<Command>(action->data().toUInt());
      action->setEnabled(m_target.HandlesCommand(command) && m_target.IsCommandEnabled(command));
      if (action->isCheckable()) action->setChecked(m_target.IsCommandChecked(command));
    }
  });
  m_icon.setContextMenu(m_menu);
  m_icon.setIcon(ferrow::Icon(IconId::kApp));
  connect(&m_icon, &QSystemTrayIcon::activated, this,
          [this](QSystemTrayIcon::ActivationReason reason) {
            if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
              emit restoreRequested();
          });
}

bool CSystemTray::IsAvailable() {
  return QSystemTrayIcon::isSystemTrayAvailable();
}

void CSystemTray::Apply(const CTrayState& state) {
  if (state.GetFrame() != m_frame) {
    m_frame = state.GetFrame();
    m_icon.setIcon(
        ferrow::Icon(m_frame == CTrayState::kBusyFrame ? IconId::kAppBusy : IconId::kApp));
  }
  if (m_icon.toolTip() != ToQt(state.GetTip())) m_icon.setToolTip(ToQt(state.GetTip()));
  const bool show = state.IsVisible() && IsAvailable();
  if (m_icon.isVisible() != show) m_icon.setVisible(show);
}

bool CSystemTray::IsShown() const {
  return m_icon.isVisible();
}

}  // namespace ferrow
