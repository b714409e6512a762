#include "gui/connect_dialog.h"

#include <QComboBox>
#include <QFormLayout>
#include <QVBoxLayout>

#include "app/ferrow_app.h"
#include "gui/frame_services.h"
#include "gui/language_texts.h"
#include "gui/message_boxes.h"
#include "gui/qt_text.h"
#include "l10n/message_numbers.h"
#include "shell/recent_list.h"
#include "shell/registry.h"

namespace ferrow {
namespace {

enum : uint32_t { kIdAddress = 1000 };

}  // namespace

CConnectDialog* CConnectDialog::Open(IFrameServices& frame) {
  auto* dialog = new CConnectDialog(frame);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->show();
  return dialog;
}

CConnectDialog::CConnectDialog(IFrameServices& frame)
    : CDialogBase("Connect", frame.DialogParent()), m_frame(frame) {
  setWindowTitle(QStringLiteral("Connect"));
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  m_address = new QComboBox;
  m_address->setEditable(true);
  m_address->setInsertPolicy(QComboBox::NoInsert);
  m_address->setMinimumWidth(380);
  CRecentList recent;
  recent.Init(RegistryNames::kRecentAddress, RegistryNames::kRecentCapacity);
  for (const std::wstring& address : recent.GetStrings()) m_address->addItem(ToQt(address));
  m_address->setEditText(recent.IsEmpty() ? QStringLiteral("ftp://") : m_address->itemText(0));
  AddRow(form, kIdAddress, "&Address:", m_address);
  layout->addLayout(form);
  AddButtons(layout);
  m_address->setFocus();
  FinishDialog();
}

QString CConnectDialog::CompleteAddress(const QString& text) {
  const QString address = text.trimmed();
  if (address.isEmpty() || address.contains(QLatin1String("://"))) return address;
  return QStringLiteral("ftp://") + address;
}

void CConnectDialog::accept() {
  const QString address = CompleteAddress(m_address->currentText());
  if (!address.startsWith(QLatin1String("ftp://"), Qt::CaseInsensitive) || address.size() <= 6) {
    ShowMessageBox(this, Text(Msg::kBadUrl), MessageKind::kWarning);
    return;
  }
  CRecentList recent;
  recent.Init(RegistryNames::kRecentAddress, RegistryNames::kRecentCapacity);
  recent.Add(FromQt(address));
  m_frame.App().ExploreUrl(FromQt(address));
  m_frame.ShowExplorer();
  m_frame.PollSoon();
  QDialog::accept();
}

}  // namespace ferrow
