#include "gui/language_texts.h"

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTabWidget>
#include <QVariant>
#include <QWidget>
#include <vector>

#include "gui/command_table.h"
#include "gui/qt_text.h"
#include "l10n/dialog_window.h"
#include "l10n/menu_window.h"
#include "l10n/resource_manager.h"

namespace ferrow {
namespace {

const char* const kControlId = "ferrowControlId";

// The tab widget whose page the control is (pages sit in the tab widget's stack).
QTabWidget* TabsOf(QWidget* control) {
  QWidget* stack = control->parentWidget();
  auto* tabs = qobject_cast<QTabWidget*>(stack ? stack->parentWidget() : nullptr);
  return tabs && tabs->indexOf(control) >= 0 ? tabs : nullptr;
}

class CQtDialogWindow : public CDialogWindow {
 public:
  CQtDialogWindow(QWidget* dialog, std::function<void(const QString&)> setCaption)
      : m_dialog(dialog), m_setCaption(std::move(setCaption)) {
    for (QWidget* child : dialog->findChildren<QWidget*>())
      if (child->property(kControlId).isValid()) m_controls.push_back(child);
  }
  void SetCaption(const std::wstring& text) override {
    if (m_setCaption)
      m_setCaption(ToQt(text));
    else
      m_dialog->setWindowTitle(ToQt(text));
  }
  size_t GetChildCount() const override { return m_controls.size(); }
  uint32_t GetChildId(size_t index) const override {
    return m_controls[index]->property(kControlId).toUInt();
  }
  void SetChildText(size_t index, const std::wstring& text) override {
    QWidget* control = m_controls[index];
    if (auto* label = qobject_cast<QLabel*>(control))
      label->setText(ToQt(text));
    else if (auto* button = qobject_cast<QAbstractButton*>(control))
      button->setText(ToQt(text));
    else if (auto* group = qobject_cast<QGroupBox*>(control))
      group->setTitle(ToQt(text));
    else if (QTabWidget* tabs = TabsOf(control))
      tabs->setTabText(tabs->indexOf(control), ToQt(text));
  }

 private:
  QWidget* m_dialog;
  std::function<void(const QString&)> m_setCaption;
  std::vector<QWidget*> m_controls;
};

// A menu seen as the core sees one: popups by position, their items by position.
class CQtMenuWindow : public CMenuWindow {
 public:
  // Either the popups of a menu bar, or one menu that is its own single popup.
  explicit CQtMenuWindow(QMenuBar* bar) {
    for (QAction* action : bar->actions()) m_popups.push_back({action, action->menu()});
  }
  explicit CQtMenuWindow(QMenu* menu) { m_popups.push_back({nullptr, menu}); }

  size_t GetItemCount() const override { return m_popups.size(); }
  bool HasSubmenu(size_t position) const override { return m_popups[position].menu != nullptr; }
  void SetItemText(size_t position, const std::wstring& text) override {
    if (QAction* title = m_popups[position].title) title->setText(ToQt(text));
  }
  size_t GetSubmenuItemCount(size_t position) const override {
    return static_cast<size_t>(m_popups[position].menu->actions().size());
  }
  uint32_t GetSubmenuItemId(size_t position, size_t item) const override {
    const QAction* action = m_popups[position].menu->actions().at(static_cast<qsizetype>(item));
    return action->isSeparator() ? 0 : action->data().toUInt();
  }
  void SetSubmenuItemText(size_t position, size_t item, const std::wstring& text) override {
    QAction* action = m_popups[position].menu->actions().at(static_cast<qsizetype>(item));
    const QString shown = CommandTable::MenuText(ToQt(text));
    action->setText(shown);
    action->setToolTip(CommandTable::PlainText(shown));
    action->setIconText(CommandTable::PlainText(shown));
  }

 private:
  struct Popup {
    QAction* title;
    QMenu* menu;
  };
  std::vector<Popup> m_popups;
};

}  // namespace

CResourceManager& Texts() {
  return CResourceManager::Instance();
}

QString Text(uint32_t number, const char* builtIn) {
  const std::wstring text = Texts().GetString(number);
  return text.empty() ? QString::fromUtf8(builtIn) : ToQt(text);
}

QString FormatText(uint32_t number, std::initializer_list<CMessageArg> args) {
  return ToQt(Texts().FormatMessage(number, args));
}

void SetControlId(QWidget* control, uint32_t id) {
  control->setProperty(kControlId, QVariant::fromValue(id));
}

bool ApplyDialogTexts(const wchar_t* name, QWidget* dialog,
                      const std::function<void(const QString&)>& setCaption) {
  CQtDialogWindow window(dialog, setCaption);
  return Texts().ApplyDialog(name, window);
}

bool ApplyMenuBarTexts(const wchar_t* name, QMenuBar* bar) {
  CQtMenuWindow window(bar);
  return Texts().ApplyMenu(name, window);
}

bool ApplyPopupTexts(const wchar_t* name, QMenu* menu) {
  CQtMenuWindow window(menu);
  return Texts().ApplyMenu(name, window);
}

}  // namespace ferrow
