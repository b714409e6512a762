#include "gui/download_file_dialog.h"

#include <QApplication>
#include <QButtonGroup>
#include <QClipboard>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "app/ferrow_app.h"
#include "app/new_download.h"
#include "gui/folder_chooser.h"
#include "gui/frame_services.h"
#include "gui/language_texts.h"
#include "gui/message_boxes.h"
#include "gui/qt_text.h"
#include "l10n/message_numbers.h"
#include "net/internet_url.h"
#include "shell/download_url.h"
#include "shell/recent_list.h"
#include "shell/registry.h"

namespace ferrow {
namespace {

enum : uint32_t {
  kIdUrl = 1000,
  kIdFolder = 1001,
  kIdDirectory = 1002,
  kIdBrowse = 1003,
  kIdFileName = 1004,
  kIdComment = 1005,
  kIdConnections = 1006,
  kIdStartGroup = 1007,
  kIdStartNow = 1008,
  kIdQueue = 1009,
  kIdLoginGroup = 1010,
  kIdUser = 1011,
  kIdPassword = 1012,
};

}  // namespace

CRecentList& RecentUrls() {
  static CRecentList list;
  if (list.IsEmpty()) list.Init(RegistryNames::kRecentUrl, RegistryNames::kRecentCapacity);
  return list;
}

bool IsFetchableUrl(const QString& url) {
  return url.startsWith(QLatin1String("http://"), Qt::CaseInsensitive) ||
         url.startsWith(QLatin1String("ftp://"), Qt::CaseInsensitive);
}

CDownloadFileDialog* CDownloadFileDialog::Open(IFrameServices& frame, const QString& url,
                                               QWidget* parent) {
  auto* dialog = new CDownloadFileDialog(frame, url, parent);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->show();
  dialog->raise();
  dialog->activateWindow();
  return dialog;
}

CDownloadFileDialog::CDownloadFileDialog(IFrameServices& frame, const QString& url, QWidget* parent)
    : CDialogBase("DownloadFile", parent), m_frame(frame) {
  setWindowTitle(QStringLiteral("New Download"));
  CFerrowApp& app = frame.App();
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  layout->addLayout(form);

  m_url = new QComboBox;
  m_url->setEditable(true);
  m_url->setInsertPolicy(QComboBox::NoInsert);
  m_url->setMinimumWidth(420);
  for (const std::wstring& recent : RecentUrls().GetStrings()) m_url->addItem(ToQt(recent));
  QString proposed = url;
  if (proposed.isEmpty()) {
    const QString clipboard = QApplication::clipboard()->text().trimmed();
    if (IsDownloadUrl(FromQt(clipboard), app.GetSettings().m_extensionList)) proposed = clipboard;
  }
  m_url->setEditText(proposed);
  AddRow(form, kIdUrl, "&URL:", m_url);

  m_chooser = new CFolderChooser(app, this);
  SetControlId(m_chooser->BrowseButton(), kIdBrowse);
  AddRow(form, kIdFolder, "&Folder:", m_chooser->FolderBox());
  AddRow(form, kIdDirectory, "Save &in:", m_chooser->DirectoryRow());

  m_fileName = new QLineEdit;
  AddRow(form, kIdFileName, "File &name:", m_fileName);
  m_comment = new QLineEdit;
  AddRow(form, kIdComment, "&Comment:", m_comment);
  m_connections = new QSpinBox;
  m_connections->setRange(1, 64);
  m_connections->setValue(std::clamp(app.GetSettings().m_maxThreads, 1, 64));
  AddRow(form, kIdConnections, "C&onnections:", m_connections);

  auto* start = new QGroupBox(QStringLiteral("Start"));
  SetControlId(start, kIdStartGroup);
  auto* startLayout = new QHBoxLayout(start);
  m_startNow = new QRadioButton(QStringLiteral("&Start now"));
  m_queue = new QRadioButton(QStringLiteral("Add to the &queue"));
  SetControlId(m_startNow, kIdStartNow);
  SetControlId(m_queue, kIdQueue);
  m_startNow->setChecked(true);
  startLayout->addWidget(m_startNow);
  startLayout->addWidget(m_queue);
  layout->addWidget(start);

  auto* login = new QGroupBox(QStringLiteral("Login (when the server asks for one)"));
  SetControlId(login, kIdLoginGroup);
  auto* loginForm = new QFormLayout(login);
  m_user = new QLineEdit;
  m_password = new QLineEdit;
  m_password->setEchoMode(QLineEdit::Password);
  AddRow(loginForm, kIdUser, "U&ser:", m_user);
  AddRow(loginForm, kIdPassword, "&Password:", m_password);
  layout->addWidget(login);
  AddButtons(layout);

  OnUrlEdited(proposed);
  connect(m_url, &QComboBox::editTextChanged, this, &CDownloadFileDialog::OnUrlEdited);
  connect(m_fileName, &QLineEdit::textEdited, this, [this] { m_nameEdited = true; });
  m_url->setFocus();
  FinishDialog(QStringLiteral("url=") + proposed);
}

QString CDownloadFileDialog::Url() const {
  return m_url->currentText().trimmed();
}

void CDownloadFileDialog::OnUrlEdited(const QString& url) {
  if (!m_nameEdited) m_fileName->setText(ToQt(ProposeFileName(FromQt(url.trimmed()))));
}

void CDownloadFileDialog::accept() {
  if (m_asking) return;
  const QString url = Url();
  if (!IsFetchableUrl(url)) {
    ShowMessageBox(this, Text(Msg::kBadUrl), MessageKind::kWarning);
    m_url->setFocus();
    return;
  }
  if (!IsValidFileName(FromQt(m_fileName->text().trimmed()))) {
    ShowMessageBox(this, Text(Msg::kBadFileName), MessageKind::kWarning);
    m_fileName->setFocus();
    return;
  }
  if (m_frame.App().HasDownloadUrl(FromQt(url))) {
    m_asking = true;
    AskQuestion(this, FormatText(Msg::kAskAddAgain, {FromQt(url)}), [this](bool yes) {
      m_asking = false;
      if (yes) Add();
    });
    return;
  }
  Add();
}

void CDownloadFileDialog::Add() {
  CFerrowApp& app = m_frame.App();
  const std::wstring url = FromQt(Url());
  CFerrowApp::NewDownload download;
  download.url = url;
  download.folder = m_chooser->FolderId();
  download.file = app.UniqueTargetPath(
      ComposeTargetPath(FromQt(m_chooser->Directory()), FromQt(m_fileName->text().trimmed())));
  download.comment = FromQt(m_comment->text());
  if (m_connections->value() != app.GetSettings().m_maxThreads)
    download.connections = m_connections->value();
  download.user = FromQt(m_user->text());
  download.password = FromQt(m_password->text());
  if (download.user.empty()) {
    // A login written into the URL stays there; it is not stored a second time.
    download.password.clear();
  }
  if (app.AddDownload(download, m_startNow->isChecked()).IsNull()) return;  // message shown
  RecentUrls().Add(url);
  m_chooser->Remember();
  m_frame.PollSoon();
  QDialog::accept();
}

}  // namespace ferrow
