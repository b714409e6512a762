#pragma once
// The built-in texts, shortcuts and icons of the commands, the main menu's popups and the
// pop-up menus by their language-file names. A language file replaces the texts (menu
// sections "Main", "PopupDownload", ...); what it lacks stays as built here.
#include <QKeySequence>
#include <QString>
#include <vector>

#include "gui/command_ids.h"
#include "gui/icons.h"

namespace ferrow {

struct CommandInfo {
  Command id;
  const char* text;  // "&Download...\tCtrl+N": the part after the tab is the shortcut's text
  QKeySequence::StandardKey standardKey;
  const char* shortcut;  // used when standardKey is UnknownKey
  IconId icon;
  bool checkable;
};

// One popup of a menu: its caption and its items by command (Command{0}: a separator).
struct PopupLayout {
  const char* title;
  std::vector<Command> items;
};

namespace CommandTable {

// Every command; null for an unknown one.
const CommandInfo* Find(Command id);
const std::vector<CommandInfo>& All();
// The main menu's popups ("Main").
const std::vector<PopupLayout>& MainMenu();
// A pop-up menu's single popup by its language-file name ("PopupDownload", ...).
const PopupLayout& PopupMenu(const char* name);
// The text shown in a menu for a language or built-in text: "\a" marks removed.
QString MenuText(const QString& text);
// The text without accelerator column and "&" marks, for tool tips and buttons.
QString PlainText(const QString& text);

constexpr Command kSeparator = static_cast<Command>(0);

}  // namespace CommandTable

}  // namespace ferrow
