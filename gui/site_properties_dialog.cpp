#include "gui/site_properties_dialog.h"

#include <QFormLayout>
#include <QLineEdit>
#include <QSpinBox>
#include <QVBoxLayout>

#include "app/ferrow_app.h"
#include "gui/frame_services.h"
#include "gui/language_texts.h"
#include "gui/qt_text.h"
#include "l10n/message_numbers.h"

namespace ferrow {
namespace {

enum : uint32_t {
  kIdName = 1000,
  kIdServer = 1001,
  kIdPort = 1002,
  kIdUser = 1003,
  kIdPassword = 1004,
};

}  // namespace

CSitePropertiesDialog* CSitePropertiesDialog::Open(IFrameServices& frame, const CSiteInfo* site) {
  auto* dialog = new CSitePropertiesDialog(frame, site);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->show();
  return dialog;
}

CSitePropertiesDialog::CSitePropertiesDialog(IFrameServices& frame, const CSiteInfo* site)
    : CDialogBase("PropertiesSite", frame.DialogParent()),
      m_frame(frame),
      m_site(site ? *site : CSiteInfo(FromQt(Text(Msg::kNewSiteName, "New Site")))),
      m_new(site == nullptr) {
  setWindowTitle(QStringLiteral("Site Properties"));
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  m_name = new QLineEdit(ToQt(m_site.m_name));
  m_server = new QLineEdit(ToQt(m_site.m_server));
  m_server->setMinimumWidth(260);
  m_port = new QSpinBox;
  m_port->setRange(1, 65535);
  m_port->setValue(m_site.m_port);
  m_user = new QLineEdit(ToQt(m_site.m_user));
  m_password = new QLineEdit(ToQt(m_site.m_password));
  m_password->setEchoMode(QLineEdit::Password);
  AddRow(form, kIdName, "&Name:", m_name);
  AddRow(form, kIdServer, "&Server:", m_server);
  AddRow(form, kIdPort, "P&ort:", m_port);
  AddRow(form, kIdUser, "&User (empty: anonymous):", m_user);
  AddRow(form, kIdPassword, "&Password:", m_password);
  layout->addLayout(form);
  AddButtons(layout);
  m_name->selectAll();
  m_name->setFocus();
  FinishDialog(ToQt(m_site.m_name));
}

void CSitePropertiesDialog::accept() {
  const QString name = m_name->text().trimmed();
  const QString server = m_server->text().trimmed();
  if (name.isEmpty()) {
    m_name->setFocus();
    return;
  }
  if (server.isEmpty()) {
    m_server->setFocus();
    return;
  }
  m_site.m_name = FromQt(name);
  m_site.m_server = FromQt(server);
  m_site.m_port = m_port->value();
  m_site.m_user = FromQt(m_user->text().trimmed());
  m_site.m_password = FromQt(m_password->text());
  if (m_new)
    m_frame.App().AddSite(m_site);
  else
    m_frame.App().UpdateSite(m_site);
  m_frame.SitesChanged();
  QDialog::accept();
}

}  // namespace ferrow
