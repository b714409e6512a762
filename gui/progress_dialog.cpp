#include "gui/progress_dialog.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/display_text.h"
#include "app/ferrow_app.h"
#include "gui/frame_services.h"
#include "gui/language_texts.h"
#include "gui/qt_text.h"
#include "l10n/resource_manager.h"
#include "platform/unknown_size.h"

namespace ferrow {
namespace {

enum : uint32_t {
  kIdUrl = 1000,
  kIdDone = 1001,
  kIdSpeed = 1002,
  kIdLeft = 1003,
  kIdStatus = 1004,
  kIdStop = 1005,
};

}  // namespace

CProgressDialog* CProgressDialog::Open(IFrameServices& frame, const Guid& id) {
  for (QWidget* window : QApplication::topLevelWidgets()) {
    auto* open = qobject_cast<CProgressDialog*>(window);
    if (open && open->m_id == id && open->isVisible()) return open;
  }
  auto* dialog = new CProgressDialog(frame, id);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->show();
  return dialog;
}

CProgressDialog::CProgressDialog(IFrameServices& frame, const Guid& id)
    : CDialogBase("Progress", nullptr), m_frame(frame), m_id(id) {
  setWindowTitle(QStringLiteral("Download Progress"));
  auto* layout = new QVBoxLayout(this);
  m_name = ValueLabel();
  QFont bold = m_name->font();
  bold.setBold(true);
  m_name->setFont(bold);
  layout->addWidget(m_name);
  auto* form = new QFormLayout;
  m_url = ValueLabel();
  m_done = ValueLabel();
  m_speed = ValueLabel();
  m_left = ValueLabel();
  m_status = ValueLabel();
  AddRow(form, kIdUrl, "From:", m_url);
  layout->addLayout(form);
  m_bar = new QProgressBar;
  m_bar->setRange(0, 100);
  layout->addWidget(m_bar);
  auto* figures = new QFormLayout;
  AddRow(figures, kIdDone, "Done:", m_done);
  AddRow(figures, kIdSpeed, "Speed:", m_speed);
  AddRow(figures, kIdLeft, "Time left:", m_left);
  AddRow(figures, kIdStatus, "Status:", m_status);
  layout->addLayout(figures);
  QDialogButtonBox* buttons = AddButtons(layout, false);
  m_stop = buttons->addButton(QStringLiteral("&Stop"), QDialogButtonBox::ActionRole);
  SetControlId(m_stop, kIdStop);
  connect(m_stop, &QPushButton::clicked, this, [this] {
    m_frame.App().StopDownload(m_id, [](bool) {});
    m_frame.PollSoon();
  });
  setMinimumWidth(440);
  Refresh();
  connect(&m_refresh, &QTimer::timeout, this, &CProgressDialog::Refresh);
  m_refresh.start(500);
  FinishDialog(m_name->text());
}

void CProgressDialog::Refresh() {
  DownloadSnapshot snapshot;
  if (!m_frame.App().GetDownload(m_id, snapshot)) {
    close();
    return;
  }
  const CDownloadInfo& record = snapshot.record;
  const CResourceManager& texts = Texts();
  m_name->setText(ToQt(record.m_name));
  m_url->setText(ToQt(record.m_url));
  const bool sizeKnown = record.m_size != kUnknownSize;
  m_bar->setRange(0, sizeKnown ? 100 : 0);  // unknown: a busy bar
  if (sizeKnown) m_bar->setValue(record.m_progress);
  m_done->setText(ToQt(FormatSize(record.m_done)) + QStringLiteral(" / ") +
                  ToQt(FormatSize(record.m_size)));
  const bool running = snapshot.canStop;
  m_speed->setText(running ? ToQt(FormatSpeed(record.m_speed)) : QString());
  m_left->setText(running ? ToQt(FormatDuration(record.m_left, texts)) : QString());
  QString status = ToQt(FormatStatus(record.m_status, texts));
  if (record.m_error != 0)
    status += QStringLiteral(" - ") + ToQt(texts.ErrorText(static_cast<uint32_t>(record.m_error)));
  m_status->setText(status);
  m_stop->setEnabled(running);
  if (m_wasRunning && !running) {
    if (!sizeKnown) m_bar->setRange(0, 100);
    if (record.m_status == DownloadStatus::kCompleted) {
      m_bar->setValue(100);
      if (m_frame.App().GetSettings().m_closeProgress) close();
    }
  }
  m_wasRunning = running;
}

}  // namespace ferrow
