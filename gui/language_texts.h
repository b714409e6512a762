#pragma once
// Texts of the windows from the language file: numbered messages, and the dialog and menu
// sections applied to Qt's widgets (CDialogWindow and CMenuWindow of the core). A dialog tags
// each control that has a text with its identifier (SetControlId); a menu's items carry their
// command in QAction::data(). Where the file lacks a text, the built-in one stays.
#include <QString>
#include <cstdint>
#include <functional>
#include <initializer_list>

#include "l10n/message_format.h"

class QMenu;
class QMenuBar;
class QWidget;

namespace ferrow {

class CResourceManager;

// The program's language (CResourceManager::Instance()).
CResourceManager& Texts();
// A numbered message; the built-in text when the file has none.
QString Text(uint32_t number, const char* builtIn = "");
QString FormatText(uint32_t number, std::initializer_list<CMessageArg> args);

// The control's identifier in its dialog's language section.
void SetControlId(QWidget* control, uint32_t id);
// Applies the section "[Dialog:<name>]" to the dialog's caption (or to what setCaption sets,
// for a settings page) and to its tagged controls; false when the file has no such section.
bool ApplyDialogTexts(const wchar_t* name, QWidget* dialog,
                      const std::function<void(const QString&)>& setCaption = {});
// Applies "[Menu:Main]" to the menu bar's popups.
bool ApplyMenuBarTexts(const wchar_t* name, QMenuBar* bar);
// Applies a pop-up menu's section: the menu itself is its one popup.
bool ApplyPopupTexts(const wchar_t* name, QMenu* menu);

}  // namespace ferrow
