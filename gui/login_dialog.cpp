#include "gui/login_dialog.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "app/ferrow_app.h"
#include "gui/frame_services.h"
#include "gui/language_texts.h"
#include "gui/qt_text.h"
#include "net/internet_url.h"

namespace ferrow {
namespace {

enum : uint32_t {
  kIdPrompt = 1000,
  kIdServer = 1001,
  kIdUser = 1002,
  kIdPassword = 1003,
  kIdRemember = 1004,
};

}  // namespace

CLoginDialog* CLoginDialog::Open(IFrameServices& frame, const Guid& id) {
  auto* dialog = new CLoginDialog(frame, id);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->show();
  dialog->raise();
  dialog->activateWindow();
  return dialog;
}

CLoginDialog::CLoginDialog(IFrameServices& frame, const Guid& id)
    : CDialogBase("Login", frame.DialogParent()), m_frame(frame), m_id(id) {
  setWindowTitle(QStringLiteral("Login"));
  DownloadSnapshot snapshot;
  frame.App().GetDownload(id, snapshot);
  const CInternetURL url(snapshot.record.m_url);
  auto* layout = new QVBoxLayout(this);
  auto* prompt = new QLabel(QStringLiteral("The server asks for a user name and a password."));
  prompt->setTextFormat(Qt::PlainText);
  SetControlId(prompt, kIdPrompt);
  layout->addWidget(prompt);
  auto* form = new QFormLayout;
  AddRow(form, kIdServer, "Server:", ValueLabel(ToQt(url.Host())));
  m_user = new QLineEdit(ToQt(url.User()));
  m_password = new QLineEdit;
  m_password->setEchoMode(QLineEdit::Password);
  AddRow(form, kIdUser, "&User:", m_user);
  AddRow(form, kIdPassword, "&Password:", m_password);
  layout->addLayout(form);
  m_remember = new QCheckBox(QStringLiteral("&Remember this login"));
  m_remember->setChecked(true);
  SetControlId(m_remember, kIdRemember);
  layout->addWidget(m_remember);
  AddButtons(layout);
  (m_user->text().isEmpty() ? m_user : m_password)->setFocus();
  // Stopped or deleted meanwhile: nothing waits for the answer any more.
  connect(&m_watch, &QTimer::timeout, this, [this] {
    DownloadSnapshot current;
    if (!m_frame.App().GetDownload(m_id, current) ||
        current.record.m_status != DownloadStatus::kLoginRequired) {
      m_answered = true;
      QDialog::reject();
    }
  });
  m_watch.start(1000);
  FinishDialog(ToQt(url.Host()));
}

void CLoginDialog::Answer(bool retry) {
  if (m_answered) return;
  m_answered = true;
  CFerrowApp::LoginAnswer answer;
  answer.retry = retry;
  answer.user = FromQt(m_user->text());
  answer.password = FromQt(m_password->text());
  answer.keep = m_remember->isChecked();
  m_frame.App().AnswerLogin(m_id, answer);
  m_frame.PollSoon();
}

void CLoginDialog::accept() {
  Answer(true);
  QDialog::accept();
}

void CLoginDialog::reject() {
  Answer(false);
  QDialog::reject();
}

}  // namespace ferrow
