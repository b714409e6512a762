#pragma once
// The notification-area icon (QSystemTrayIcon) as a mirror of the core's tray state
// (CTrayState): shown or not, its tip, the idle or busy picture. A left click restores the
// main window; the right button opens the tray menu ("PopupTray"). Where the desktop has no
// notification area the icon is never shown and the program works without it.
#include <QObject>
#include <QSystemTrayIcon>

#include "gui/command_ids.h"

class QMenu;

namespace ferrow {

class CTrayState;

class CSystemTray : public QObject {
  Q_OBJECT

 public:
  // target runs the menu's commands; it outlives the tray.
  CSystemTray(ICommandTarget& target, QObject* parent = nullptr);

  static bool IsAvailable();
  // Follows the state: visible (when the desktop has a tray), tip and picture.
  void Apply(const CTrayState& state);
  bool IsShown() const;
  QMenu* Menu() const { return m_menu; }
  QSystemTrayIcon& Icon() { return m_icon; }

 signals:
  void restoreRequested();

 private:
  ICommandTarget& m_target;
  QSystemTrayIcon m_icon;
  QMenu* m_menu = nullptr;
  int m_frame = -2;
};

}  // namespace ferrow
