#include "gui/popup_menu.h"

#include <QAction>
#include <QMenu>
#include <QString>

#include "gui/command_table.h"
#include "gui/dialog_trace.h"
#include "gui/language_texts.h"

namespace ferrow {

QMenu* BuildPopupMenu(const char* name, ICommandTarget& target, QWidget* parent) {
  auto* menu = new QMenu(parent);
  menu->setObjectName(QLatin1String(name));
  const PopupLayout& layout = CommandTable::PopupMenu(name);
  for (Command command : layout.items) {
    if (command == CommandTable::kSeparator) {
      menu->addSeparator();
      continue;
    }
    const CommandInfo* info = CommandTable::Find(command);
    if (!info) continue;
    QAction* action =
        menu->addAction(Icon(info->icon), CommandTable::MenuText(QString::fromUtf8(info->text)));
    action->setData(static_cast<uint32_t>(command));
    if (info->checkable) {
      action->setCheckable(true);
      action->setChecked(target.IsCommandChecked(command));
    }
    if (command == Command::kRestore) menu->setDefaultAction(action);
    action->setEnabled(target.HandlesCommand(command) && target.IsCommandEnabled(command));
    QObject::connect(action, &QAction::triggered, menu, [&target, command] {
      if (target.HandlesCommand(command) && target.IsCommandEnabled(command))
        target.ExecuteCommand(command);
    });
  }
  const std::wstring wideName = QString::fromLatin1(name).toStdWString();
  ApplyPopupTexts(wideName.c_str(), menu);
  return menu;
}

void ShowPopupMenu(const char* name, ICommandTarget& target, QWidget* parent,
                   const QPoint& globalPosition) {
  QMenu* menu = BuildPopupMenu(name, target, parent);
  menu->setAttribute(Qt::WA_DeleteOnClose);
  TraceDialog("menu", QLatin1String(name));
  menu->popup(globalPosition);
}

}  // namespace ferrow
