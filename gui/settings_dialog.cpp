#include "gui/settings_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QTabBar>
#include <QVBoxLayout>

#include "app/ferrow_app.h"
#include "app/settings_ranges.h"
#include "gui/language_texts.h"
#include "gui/login_list_model.h"
#include "gui/main_frame.h"
#include "gui/message_boxes.h"
#include "gui/qt_text.h"
#include "gui/range_spin_box.h"
#include "l10n/message_numbers.h"

namespace ferrow {

CSettingsDialog* CSettingsDialog::Open(CMainFrame& frame, int page) {
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (auto* open = qobject_cast<CSettingsDialog*>(window); open && open->isVisible()) {
      open->m_pages->setCurrentIndex(qBound(1, page, kPageCount) - 1);
      open->raise();
      open->activateWindow();
      return open;
    }
  }
  auto* dialog = new CSettingsDialog(frame, page);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->show();
  return dialog;
}

CSettingsDialog::CSettingsDialog(CMainFrame& frame, int page)
    : CDialogBase("Settings", frame.DialogParent()), m_frame(frame) {
  setWindowTitle(QStringLiteral("Settings"));
  m_settings = frame.App().GetSettings();
  auto* layout = new QVBoxLayout(this);
  m_pages = new QTabWidget;
  m_pages->setUsesScrollButtons(true);
  m_pages->addTab(MakeGeneralPage(), QStringLiteral("General"));
  m_pages->addTab(MakeConnectionPage(), QStringLiteral("Connections"));
  m_pages->addTab(MakeProxyPage(), QStringLiteral("Proxies"));
  m_pages->addTab(MakeProtocolPage(), QStringLiteral("Protocols"));
  m_pages->addTab(MakeLoginPage(), QStringLiteral("Logins"));
  m_pages->addTab(MakeActionsPage(), QStringLiteral("When Done"));
  m_pages->addTab(MakeBrowserPage(), QStringLiteral("Browser"));
  m_pages->addTab(MakeSoundsPage(), QStringLiteral("Sounds"));
  layout->addWidget(m_pages);
  AddButtons(layout);
  Load();
  ApplyPageTexts();
  // Every page's tab in view, in any language.
  m_pages->setMinimumWidth(m_pages->tabBar()->sizeHint().width() + 24);
  m_pages->setCurrentIndex(qBound(1, page, kPageCount) - 1);
  FinishDialog(QStringLiteral("page=%1").arg(qBound(1, page, kPageCount)));
}

void CSettingsDialog::ApplyPageTexts() {
  // One language section per page; its title names the tab.
  for (int index = 0; index < kPageCount; ++index) {
    const std::wstring name = L"SettingsPage" + std::to_wstring(index + 1);
    ApplyDialogTexts(name.c_str(), m_pages->widget(index),
                     [this, index](const QString& title) { m_pages->setTabText(index, title); });
  }
}

CRangeSpinBox* CSettingsDialog::RangeBox(const wchar_t* key) const {
  auto found = m_ranges.find(key);
  return found == m_ranges.end() ? nullptr : found->second;
}

QCheckBox* CSettingsDialog::CheckBox(const char* key) const {
  auto found = m_checks.find(key);
  return found == m_checks.end() ? nullptr : found->second.first;
}

void CSettingsDialog::accept() {
  const CSettings edited = Edited();
  if (const SettingRange* range = FindValueOutOfRange(edited)) {
    CRangeSpinBox* box = RangeBox(range->key);
    m_pages->setCurrentIndex(range->page - 1);
    ShowMessageBox(this, FormatText(Msg::kValueOutOfRange, {range->lower, range->upper}),
                   MessageKind::kWarning);
    if (box) {
      box->setFocus();
      box->selectAll();
    }
    return;
  }
  CFerrowApp& app = m_frame.App();
  if (edited.m_languageFile != app.GetSettings().m_languageFile)
    ShowMessageBox(m_frame.DialogParent(), Text(Msg::kLanguageNextStart));
  app.ApplySettings(edited);
  m_frame.ApplyDisplaySettings();
  app.Save([](bool) {});
  m_frame.PollSoon();
  QDialog::accept();
}

}  // namespace ferrow
