#pragma once
// The settings ("SettingsPage1" to "SettingsPage8"): every key of "Settings.xml" on eight pages
// (general, connections, proxies, protocols, site logins, after the downloads, browser, sounds).
// The dialog edits a copy. OK refuses a number outside its range (message 2306 names the
// bounds, the page with the field is shown); otherwise it tells that a new language takes
// effect at the next start (2200), hands the copy to the core (which applies the registry-backed
// values, the autostart entry, the browser integration and the network settings of the running
// transfers and the site explorer), lets the main window follow (tray, indicators) and saves.
#include <QTabWidget>
#include <array>
#include <map>

#include "app/settings.h"
#include "gui/dialog_base.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QSpinBox;
class QTreeView;

namespace ferrow {

class CLoginListModel;
class CMainFrame;
class CRangeSpinBox;
struct SettingRange;

class CSettingsDialog : public CDialogBase {
  Q_OBJECT

 public:
  static constexpr int kPageCount = 8;

  // Opens the dialog at a page (1 to 8), or brings the open one forward at that page.
  static CSettingsDialog* Open(CMainFrame& frame, int page);

  QTabWidget* Pages() const { return m_pages; }
  // The number field of a key with a range ("MaxThreads").
  CRangeSpinBox* RangeBox(const wchar_t* key) const;
  QCheckBox* CheckBox(const char* key) const;
  QComboBox* LanguageBox() const { return m_language; }
  // What the pages hold now, as settings.
  CSettings Edited() const;

 protected:
  void accept() override;

 private:
  CSettingsDialog(CMainFrame& frame, int page);
  // settings_pages.cpp: the pages and their fields.
  QWidget* MakeGeneralPage();
  QWidget* MakeConnectionPage();
  QWidget* MakeProxyPage();
  QWidget* MakeProtocolPage();
  QWidget* MakeLoginPage();
  QWidget* MakeActionsPage();
  QWidget* MakeBrowserPage();
  QWidget* MakeSoundsPage();
  QCheckBox* AddCheck(QWidget* page, uint32_t id, const char* key, const char* text,
                      bool CSettings::*field);
  void Load();
  void ApplyPageTexts();

  CMainFrame& m_frame;
  CSettings m_settings;  // the copy being edited
  QTabWidget* m_pages;
  std::map<std::string, std::pair<QCheckBox*, bool CSettings::*>> m_checks;
  std::map<std::wstring, CRangeSpinBox*> m_ranges;
  QComboBox* m_language = nullptr;
  struct ProxyFields {
    QCheckBox* enabled;
    QLineEdit* server;
    QSpinBox* port;
    QLineEdit* user;
    QLineEdit* password;
  };
  ProxyFields m_http{};
  ProxyFields m_socks{};
  QLineEdit* m_email = nullptr;
  QLineEdit* m_userAgent = nullptr;
  CLoginListModel* m_logins = nullptr;
  QTreeView* m_loginList = nullptr;
  QLineEdit* m_scannerFile = nullptr;
  QLineEdit* m_scannerArguments = nullptr;
  QLineEdit* m_extensions = nullptr;
  std::array<QLineEdit*, 9> m_sounds{};
};

}  // namespace ferrow
