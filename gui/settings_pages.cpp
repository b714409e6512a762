// CSettingsDialog: the eight pages, and reading and writing their fields.
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeView>
#include <QVBoxLayout>

#include "app/settings_ranges.h"
#include "gui/language_texts.h"
#include "gui/login_list_model.h"
#include "gui/qt_text.h"
#include "gui/range_spin_box.h"
#include "gui/settings_dialog.h"
#include "l10n/resource_manager.h"
#include "shell/event_sounds.h"

namespace ferrow {
namespace {

QLabel* Note(uint32_t id, const char* text) {
  auto* label = new QLabel(QString::fromUtf8(text));
  label->setTextFormat(Qt::PlainText);
  label->setWordWrap(true);
  QFont small = label->font();
  small.setPointSizeF(small.pointSizeF() * 0.9);
  label->setFont(small);
  SetControlId(label, id);
  return label;
}

QFormLayout* Form(QBoxLayout* parent) {
  auto* form = new QFormLayout;
  form->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
  parent->addLayout(form);
  return form;
}

QLabel* Row(QFormLayout* form, uint32_t id, const char* text, QWidget* field) {
  auto* label = new QLabel(QString::fromUtf8(text));
  label->setTextFormat(Qt::PlainText);
  label->setBuddy(field);
  SetControlId(label, id);
  form->addRow(label, field);
  return label;
}

// A file field with a picker button.
QWidget* FileField(QLineEdit* line, QWidget* dialog) {
  auto* row = new QWidget;
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(line, 1);
  auto* browse = new QPushButton(QStringLiteral("..."));
  browse->setMaximumWidth(36);
  QObject::connect(browse, &QPushButton::clicked, dialog, [line, dialog] {
    const QString file = QFileDialog::getOpenFileName(dialog, QString(), line->text(), QString(),
                                                      nullptr, QFileDialog::DontUseNativeDialog);
    if (!file.isEmpty()) line->setText(file);
  });
  layout->addWidget(browse);
  row->setFocusProxy(line);
  return row;
}

}  // namespace

QCheckBox* CSettingsDialog::AddCheck(QWidget* page, uint32_t id, const char* key, const char* text,
                                     bool CSettings::*field) {
  auto* box = new QCheckBox(QString::fromUtf8(text), page);
  box->setObjectName(QLatin1String(key));
  SetControlId(box, id);
  m_checks[key] = {box, field};
  return box;
}

QWidget* CSettingsDialog::MakeGeneralPage() {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(
      AddCheck(page, 1000, "AutoRun", "Start Ferrow when I &log on", &CSettings::m_autoRun));
  layout->addWidget(AddCheck(page, 1001, "StartQueue", "Start the &queue when Ferrow starts",
                             &CSettings::m_startQueue));
  layout->addWidget(AddCheck(page, 1002, "MonitorClipboard",
                             "Watch the &clipboard for links to download",
                             &CSettings::m_monitorClipboard));
  layout->addWidget(Note(1003,
                         "Ferrow sees links copied in other programs only where the desktop "
                         "tells it of clipboard changes while it is in the background: on X11 it "
                         "does, on many Wayland desktops it does not."));
  layout->addWidget(AddCheck(page, 1004, "ShowTrayIcon", "Show the icon in the &notification area",
                             &CSettings::m_showTrayIcon));
  layout->addWidget(AddCheck(page, 1005, "OpenProgress",
                             "Open the &progress window when a download starts",
                             &CSettings::m_openProgress));
  layout->addWidget(AddCheck(page, 1006, "CloseProgress",
                             "Close the progress window when the download is &done",
                             &CSettings::m_closeProgress));
  layout->addWidget(AddCheck(page, 1007, "RemoveSuccessful",
                             "&Remove completed downloads from the list",
                             &CSettings::m_removeSuccessful));
  auto* form = Form(layout);
  m_language = new QComboBox;
  m_language->setObjectName(QStringLiteral("LanguageFile"));
  for (const std::wstring& title : CResourceManager::GetLanguageTitles())
    m_language->addItem(ToQt(title), ToQt(L"Languages/" + title + L".lng"));
  Row(form, 1008, "&Language:", m_language);
  layout->addStretch(1);
  return page;
}

QWidget* CSettingsDialog::MakeConnectionPage() {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  auto* form = Form(layout);
  struct Field {
    const wchar_t* key;
    uint32_t id;
    const char* text;
    const char* suffix;
  };
  for (const Field& field :
       {Field{L"MaxDownloads", 1000, "Downloads at &once:", ""},
        Field{L"MaxThreads", 1001, "&Connections per download:", ""},
        Field{L"SpeedLimit", 1002, "&Speed limit (0: none):", " KB/s"},
        Field{L"RetryAttempts", 1003, "&Attempts per connection:", ""},
        Field{L"RetryDelay", 1004, "&Wait between attempts:", " s"},
        Field{L"ConnectTimeout", 1005, "Give up &connecting after:", " s"},
        Field{L"StallTimeout", 1006, "Give up a &stalled connection after:", " s"}}) {
    const SettingRange* range = FindSettingRange(field.key);
    auto* box = new CRangeSpinBox(*range);
    box->setObjectName(ToQt(field.key));
    box->setSuffix(QString::fromUtf8(field.suffix));
    m_ranges[field.key] = box;
    Row(form, field.id, field.text, box);
  }
  layout->addStretch(1);
  return page;
}

QWidget* CSettingsDialog::MakeProxyPage() {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  const auto group = [&](uint32_t base, const char* title, ProxyFields& fields) {
    auto* box = new QGroupBox(QString::fromUtf8(title));
    SetControlId(box, base);
    auto* form = new QFormLayout(box);
    fields.enabled = new QCheckBox(QStringLiteral("&Use this proxy"));
    SetControlId(fields.enabled, base + 1);
    form->addRow(fields.enabled);
    fields.server = new QLineEdit;
    fields.port = new QSpinBox;
    fields.port->setRange(1, 65535);
    fields.user = new QLineEdit;
    fields.password = new QLineEdit;
    fields.password->setEchoMode(QLineEdit::Password);
    Row(form, base + 2, "Ser&ver:", fields.server);
    Row(form, base + 3, "&Port:", fields.port);
    Row(form, base + 4, "Us&er:", fields.user);
    Row(form, base + 5, "Pass&word:", fields.password);
    layout->addWidget(box);
  };
  group(1000, "HTTP proxy", m_http);
  group(1010, "SOCKS 5 proxy", m_socks);
  layout->addStretch(1);
  return page;
}

QWidget* CSettingsDialog::MakeProtocolPage() {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  auto* form = Form(layout);
  m_email = new QLineEdit;
  m_userAgent = new QLineEdit;
  Row(form, 1000, "&E-mail address (anonymous FTP):", m_email);
  Row(form, 1001, "&User agent (HTTP):", m_userAgent);
  layout->addWidget(AddCheck(page, 1002, "PassiveMode", "&Passive FTP (the client connects)",
                             &CSettings::m_passiveMode));
  layout->addWidget(AddCheck(page, 1003, "DisableCache",
                             "Ask proxies not to answer from their &cache",
                             &CSettings::m_disableCache));
  layout->addWidget(
      AddCheck(page, 1004, "UseCookies", "Send the browser's coo&kies", &CSettings::m_useCookies));
  layout->addWidget(AddCheck(page, 1005, "SendReferrer", "Send the page a link was on (&referrer)",
                             &CSettings::m_sendReferrer));
  layout->addStretch(1);
  return page;
}

QWidget* CSettingsDialog::MakeLoginPage() {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  auto* label = new QLabel(QStringLiteral("Stored &logins (sent to the server named):"));
  SetControlId(label, 1000);
  layout->addWidget(label);
  m_logins = new CLoginListModel(this);
  m_loginList = new QTreeView;
  m_loginList->setModel(m_logins);
  m_loginList->setRootIsDecorated(false);
  m_loginList->setUniformRowHeights(true);
  m_loginList->header()->resizeSection(0, 220);
  label->setBuddy(m_loginList);
  layout->addWidget(m_loginList, 1);
  auto* remove = new QPushButton(QStringLiteral("&Remove"));
  SetControlId(remove, 1001);
  connect(remove, &QPushButton::clicked, this,
          [this] { m_logins->Remove(m_loginList->currentIndex().row()); });
  auto* add = new QGroupBox(QStringLiteral("Add a login"));
  SetControlId(add, 1002);
  auto* form = new QFormLayout(add);
  auto* server = new QLineEdit;
  auto* user = new QLineEdit;
  auto* password = new QLineEdit;
  password->setEchoMode(QLineEdit::Password);
  Row(form, 1003, "&Server:", server);
  Row(form, 1004, "&User:", user);
  Row(form, 1005, "&Password:", password);
  auto* store = new QPushButton(QStringLiteral("&Add"));
  SetControlId(store, 1006);
  connect(store, &QPushButton::clicked, this, [this, server, user, password] {
    if (server->text().trimmed().isEmpty()) return;
    m_logins->SetLogin(FromQt(server->text().trimmed()), FromQt(user->text()),
                       FromQt(password->text()));
    server->clear();
    user->clear();
    password->clear();
  });
  form->addRow(store);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(remove);
  buttons->addStretch(1);
  layout->addLayout(buttons);
  layout->addWidget(add);
  return page;
}

QWidget* CSettingsDialog::MakeActionsPage() {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  auto* done = new QGroupBox(QStringLiteral("When all downloads are done"));
  SetControlId(done, 1000);
  auto* doneLayout = new QVBoxLayout(done);
  doneLayout->addWidget(
      AddCheck(page, 1001, "AutoClose", "&Close Ferrow", &CSettings::m_autoClose));
  doneLayout->addWidget(AddCheck(page, 1002, "AutoHangup", "&Hang up the dial-up connection",
                                 &CSettings::m_autoHangup));
  doneLayout->addWidget(
      AddCheck(page, 1003, "AutoShutdown", "&Shut the computer down", &CSettings::m_autoShutdown));
  layout->addWidget(done);
  auto* scanner = new QGroupBox(QStringLiteral("Virus scanner"));
  SetControlId(scanner, 1004);
  auto* form = new QFormLayout(scanner);
  form->addRow(AddCheck(page, 1005, "UseAntivirus",
                        "Check each downloaded file with a &virus scanner",
                        &CSettings::m_useAntivirus));
  m_scannerFile = new QLineEdit;
  m_scannerArguments = new QLineEdit;
  Row(form, 1006, "&Program:", FileField(m_scannerFile, this));
  Row(form, 1007, "&Arguments:", m_scannerArguments);
  form->addRow(Note(1008, "The downloaded file is given to the scanner as its last argument."));
  layout->addWidget(scanner);
  layout->addStretch(1);
  return page;
}

QWidget* CSettingsDialog::MakeBrowserPage() {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(AddCheck(page, 1000, "EnableIntegration",
                             "Let the &browser hand downloads to Ferrow",
                             &CSettings::m_enableIntegration));
  auto* form = Form(layout);
  m_extensions = new QLineEdit;
  Row(form, 1001, "&File types (separated by spaces, * allowed):", m_extensions);
  layout->addWidget(Note(1002,
                         "Links to these types are taken from the browser and, while Ferrow "
                         "watches the clipboard, from copied text."));
  layout->addStretch(1);
  return page;
}

QWidget* CSettingsDialog::MakeSoundsPage() {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(
      AddCheck(page, 1000, "EnableSounds", "&Play sounds", &CSettings::m_enableSounds));
  auto* form = Form(layout);
  static const char* const kEvents[] = {
      "Download &added:",  "Download &started:", "Download &completed:",
      "Download &failed:", "All &done:",         "&Login asked:",
      "Ferrow &closes:",   "&Hang-up:",          "S&hutdown:"};
  for (size_t event = 0; event < m_sounds.size(); ++event) {
    m_sounds[event] = new QLineEdit;
    Row(form, 1001 + static_cast<uint32_t>(event), kEvents[event],
        FileField(m_sounds[event], this));
  }
  layout->addStretch(1);
  return page;
}

void CSettingsDialog::Load() {
  const CSettings& s = m_settings;
  for (auto& [key, check] : m_checks) check.first->setChecked(s.*check.second);
  for (auto& [key, box] : m_ranges) box->setValue(s.*(box->Range().field));
  const int language = m_language->findData(ToQt(s.m_languageFile));
  if (language >= 0) m_language->setCurrentIndex(language);
  const auto loadProxy = [](const CProxyInfo& proxy, ProxyFields& fields) {
    fields.enabled->setChecked(proxy.m_enabled);
    fields.server->setText(ToQt(proxy.m_server));
    fields.port->setValue(proxy.m_port);
    fields.user->setText(ToQt(proxy.m_user));
    fields.password->setText(ToQt(proxy.m_password));
  };
  loadProxy(s.m_httpProxy, m_http);
  loadProxy(s.m_socksProxy, m_socks);
  m_email->setText(ToQt(s.m_emailAddress));
  m_userAgent->setText(ToQt(s.m_userAgent));
  m_logins->SetLogins(s.m_siteLogins);
  m_scannerFile->setText(ToQt(s.m_scannerFile));
  m_scannerArguments->setText(ToQt(s.m_scannerArguments));
  m_extensions->setText(ToQt(s.m_extensionList));
  for (size_t event = 0; event < m_sounds.size(); ++event) {
    std::wstring file;
    s.m_soundFiles.Lookup(static_cast<uint32_t>(event), file);
    m_sounds[event]->setText(ToQt(file));
  }
}

CSettings CSettingsDialog::Edited() const {
  CSettings s = m_settings;
  for (const auto& [key, check] : m_checks) s.*check.second = check.first->isChecked();
  for (const auto& [key, box] : m_ranges) s.*(box->Range().field) = box->value();
  // A language file missing from the folder is kept as it was.
  if (m_language->currentIndex() >= 0)
    s.m_languageFile = FromQt(m_language->currentData().toString());
  const auto storeProxy = [](const ProxyFields& fields, CProxyInfo& proxy) {
    proxy.m_enabled = fields.enabled->isChecked();
    proxy.m_server = FromQt(fields.server->text().trimmed());
    proxy.m_port = fields.port->value();
    proxy.m_user = FromQt(fields.user->text());
    proxy.m_password = FromQt(fields.password->text());
  };
  storeProxy(m_http, s.m_httpProxy);
  storeProxy(m_socks, s.m_socksProxy);
  s.m_emailAddress = FromQt(m_email->text().trimmed());
  s.m_userAgent = FromQt(m_userAgent->text());
  s.m_siteLogins = m_logins->Logins();
  s.m_scannerFile = FromQt(m_scannerFile->text().trimmed());
  s.m_scannerArguments = FromQt(m_scannerArguments->text());
  s.m_extensionList = FromQt(m_extensions->text().simplified());
  for (size_t event = 0; event < m_sounds.size(); ++event)
    s.m_soundFiles.SetAt(static_cast<uint32_t>(event), FromQt(m_sounds[event]->text().trimmed()));
  return s;
}

}  // namespace ferrow
