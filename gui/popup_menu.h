#pragma once
// The pop-up menus of the views and the tray: built from their layout (CommandTable) with the
// language file's section of the same name, each item enabled and run through a command target.
#include <QPoint>

#include "gui/command_ids.h"

class QMenu;
class QWidget;

namespace ferrow {

// A new menu (owned by parent) whose items ask target whether they are enabled and run through
// it; checkable items are checked by checked(command).
QMenu* BuildPopupMenu(const char* name, ICommandTarget& target, QWidget* parent);
// Builds the menu, shows it at the global position and deletes it once closed.
void ShowPopupMenu(const char* name, ICommandTarget& target, QWidget* parent,
                   const QPoint& globalPosition);

}  // namespace ferrow
