#include "gui/download_properties_dialog.h"

#include <QApplication>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/display_text.h"
#include "app/download_log_book.h"
#include "app/ferrow_app.h"
#include "gui/frame_services.h"
#include "gui/language_texts.h"
#include "gui/log_view.h"
#include "gui/qt_text.h"
#include "l10n/resource_manager.h"

namespace ferrow {
namespace {

enum : uint32_t {
  kIdGeneralPage = 1000,
  kIdLogPage = 1001,
  kIdName = 1002,
  kIdUrl = 1003,
  kIdFile = 1004,
  kIdFolder = 1005,
  kIdComment = 1006,
  kIdSize = 1007,
  kIdDone = 1008,
  kIdStatus = 1009,
  kIdElapsed = 1010,
  kIdLeft = 1011,
  kIdSpeed = 1012,
  kIdConnections = 1013,
};

}  // namespace

CDownloadPropertiesDialog* CDownloadPropertiesDialog::Open(IFrameServices& frame, const Guid& id) {
  for (QWidget* window : QApplication::topLevelWidgets()) {
    auto* open = qobject_cast<CDownloadPropertiesDialog*>(window);
    if (open && open->m_id == id && open->isVisible()) {
      open->raise();
      open->activateWindow();
      return open;
    }
  }
  auto* dialog = new CDownloadPropertiesDialog(frame, id);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->show();
  return dialog;
}

CDownloadPropertiesDialog::CDownloadPropertiesDialog(IFrameServices& frame, const Guid& id)
    : CDialogBase("PropertiesDownload", frame.DialogParent()), m_frame(frame), m_id(id) {
  setWindowTitle(QStringLiteral("Download Properties"));
  auto* layout = new QVBoxLayout(this);
  auto* tabs = new QTabWidget;
  layout->addWidget(tabs);

  auto* general = new QWidget;
  SetControlId(general, kIdGeneralPage);
  auto* form = new QFormLayout(general);
  m_name = new QLineEdit;
  m_url = ValueLine();
  m_file = ValueLine();
  m_folder = ValueLabel();
  m_comment = new QLineEdit;
  m_size = ValueLabel();
  m_done = ValueLabel();
  m_status = ValueLabel();
  m_elapsed = ValueLabel();
  m_left = ValueLabel();
  m_speed = ValueLabel();
  m_connections = ValueLabel();
  AddRow(form, kIdName, "&Name:", m_name);
  AddRow(form, kIdUrl, "&URL:", m_url);
  AddRow(form, kIdFile, "&File:", m_file);
  AddRow(form, kIdFolder, "Folder:", m_folder);
  AddRow(form, kIdComment, "&Comment:", m_comment);
  AddRow(form, kIdSize, "Size:", m_size);
  AddRow(form, kIdDone, "Done:", m_done);
  AddRow(form, kIdStatus, "Status:", m_status);
  AddRow(form, kIdElapsed, "Elapsed:", m_elapsed);
  AddRow(form, kIdLeft, "Time left:", m_left);
  AddRow(form, kIdSpeed, "Speed:", m_speed);
  AddRow(form, kIdConnections, "Connections:", m_connections);
  tabs->addTab(general, QStringLiteral("General"));

  auto* logPage = new QWidget;
  SetControlId(logPage, kIdLogPage);
  auto* logLayout = new QVBoxLayout(logPage);
  m_log = new CLogView(frame);
  m_log->setMinimumHeight(240);
  logLayout->addWidget(m_log);
  tabs->addTab(logPage, QStringLiteral("Log"));

  AddButtons(layout);
  resize(640, 460);

  DownloadSnapshot snapshot;
  if (m_frame.App().GetDownload(m_id, snapshot)) {
    m_name->setText(ToQt(snapshot.record.m_name));
    m_comment->setText(ToQt(snapshot.record.m_comment));
  }
  Refresh();
  connect(&m_refresh, &QTimer::timeout, this, &CDownloadPropertiesDialog::Refresh);
  m_refresh.start(500);
  FinishDialog(ToQt(snapshot.record.m_url));
}

void CDownloadPropertiesDialog::Refresh() {
  DownloadSnapshot snapshot;
  if (!m_frame.App().GetDownload(m_id, snapshot)) {
    // Deleted meanwhile: nothing left to show or to change.
    reject();
    return;
  }
  const CDownloadInfo& record = snapshot.record;
  const CResourceManager& texts = Texts();
  for (auto [line, text] :
       {std::pair{m_url, ToQt(record.m_url)}, std::pair{m_file, ToQt(record.m_file)}}) {
    if (line->text() == text) continue;
    line->setText(text);
    line->setCursorPosition(0);  // the start of a long path says more than its end
  }
  m_folder->setText(m_frame.FolderName(record.m_folder));
  m_size->setText(ToQt(FormatSize(record.m_size)));
  m_done->setText(ToQt(FormatSize(record.m_done)));
  QString status = ToQt(FormatStatus(record.m_status, texts));
  if (record.m_error != 0)
    status += QStringLiteral(" - ") + ToQt(texts.ErrorText(static_cast<uint32_t>(record.m_error)));
  m_status->setText(status);
  m_elapsed->setText(ToQt(FormatDuration(record.m_elapsed, texts)));
  const bool running = snapshot.canStop;
  m_left->setText(running ? ToQt(FormatDuration(record.m_left, texts)) : QString());
  m_speed->setText(running ? ToQt(FormatSpeed(record.m_speed)) : QString());
  m_connections->setText(QString::number(snapshot.connections));

  const CDownloadLogBook& logs = m_frame.DownloadLogs();
  const size_t total = logs.TotalAppended(m_id);
  if (total > m_logShown) {
    std::vector<CLogInfo> lines = logs.Lines(m_id);
    const size_t fresh = std::min(total - m_logShown, lines.size());
    m_log->Model().Append(
        std::vector<CLogInfo>(lines.end() - static_cast<std::ptrdiff_t>(fresh), lines.end()));
    m_logShown = total;
  }
}

void CDownloadPropertiesDialog::accept() {
  const QString name = m_name->text().trimmed();
  DownloadSnapshot snapshot;
  if (m_frame.App().GetDownload(m_id, snapshot) && !name.isEmpty())
    m_frame.App().SetDownloadText(m_id, FromQt(name), FromQt(m_comment->text()));
  m_frame.PollSoon();
  QDialog::accept();
}

}  // namespace ferrow
