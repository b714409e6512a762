#include "gui/download_list_dialog.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTreeView>
#include <QVBoxLayout>

#include "app/ferrow_app.h"
#include "app/new_download.h"
#include "gui/download_file_dialog.h"
#include "gui/folder_chooser.h"
#include "gui/frame_services.h"
#include "gui/language_texts.h"
#include "gui/message_boxes.h"
#include "gui/qt_text.h"
#include "gui/url_check_model.h"
#include "l10n/message_numbers.h"

namespace ferrow {
namespace {

enum : uint32_t {
  kIdList = 1000,
  kIdCheckAll = 1001,
  kIdCheckNone = 1002,
  kIdFolder = 1003,
  kIdDirectory = 1004,
  kIdBrowse = 1005,
  kIdConnections = 1006,
  kIdStartGroup = 1007,
  kIdStartNow = 1008,
  kIdQueue = 1009,
};

}  // namespace

CDownloadListDialog* CDownloadListDialog::Open(IFrameServices& frame, const QStringList& urls,
                                               QWidget* parent) {
  auto* dialog = new CDownloadListDialog(frame, urls, parent);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->show();
  dialog->raise();
  dialog->activateWindow();
  return dialog;
}

CDownloadListDialog::CDownloadListDialog(IFrameServices& frame, const QStringList& urls,
                                         QWidget* parent)
    : CDialogBase("DownloadList", parent), m_frame(frame) {
  setWindowTitle(QStringLiteral("Download List"));
  CFerrowApp& app = frame.App();
  auto* layout = new QVBoxLayout(this);
  auto* label = new QLabel(QStringLiteral("&Downloads (uncheck the ones you do not want):"));
  SetControlId(label, kIdList);
  layout->addWidget(label);
  m_model = new CUrlCheckModel(urls, this);
  for (int row = 0; row < m_model->rowCount(); ++row)
    if (app.HasDownloadUrl(FromQt(m_model->Url(row)))) m_model->SetChecked(row, false);
  m_list = new QTreeView;
  m_list->setObjectName(QStringLiteral("urlList"));
  m_list->setModel(m_model);
  m_list->setRootIsDecorated(false);
  m_list->setUniformRowHeights(true);
  m_list->setAllColumnsShowFocus(true);
  m_list->setMinimumSize(560, 180);
  m_list->header()->resizeSection(0, 380);
  m_list->setCurrentIndex(m_model->index(0, 0));
  label->setBuddy(m_list);
  layout->addWidget(m_list, 1);

  auto* checkRow = new QHBoxLayout;
  auto* checkAll = new QPushButton(QStringLiteral("Check &All"));
  auto* checkNone = new QPushButton(QStringLiteral("Check N&one"));
  SetControlId(checkAll, kIdCheckAll);
  SetControlId(checkNone, kIdCheckNone);
  connect(checkAll, &QPushButton::clicked, this, [this] { m_model->SetAllChecked(true); });
  connect(checkNone, &QPushButton::clicked, this, [this] { m_model->SetAllChecked(false); });
  checkRow->addWidget(checkAll);
  checkRow->addWidget(checkNone);
  checkRow->addStretch(1);
  layout->addLayout(checkRow);

  auto* form = new QFormLayout;
  m_chooser = new CFolderChooser(app, this);
  SetControlId(m_chooser->BrowseButton(), kIdBrowse);
  AddRow(form, kIdFolder, "&Folder:", m_chooser->FolderBox());
  AddRow(form, kIdDirectory, "Save &in:", m_chooser->DirectoryRow());
  m_connections = new QSpinBox;
  m_connections->setRange(1, 64);
  m_connections->setValue(std::clamp(app.GetSettings().m_maxThreads, 1, 64));
  AddRow(form, kIdConnections, "C&onnections:", m_connections);
  layout->addLayout(form);

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
  AddButtons(layout);
  m_list->setFocus();
  FinishDialog(QStringLiteral("urls=%1").arg(urls.size()));
}

void CDownloadListDialog::accept() {
  CFerrowApp& app = m_frame.App();
  const int connections =
      m_connections->value() != app.GetSettings().m_maxThreads ? m_connections->value() : 0;
  int added = 0;
  for (int row = 0; row < m_model->rowCount(); ++row) {
    if (!m_model->IsChecked(row) || !IsFetchableUrl(m_model->Url(row))) continue;
    CFerrowApp::NewDownload download;
    download.url = FromQt(m_model->Url(row));
    download.folder = m_chooser->FolderId();
    // Each one's path is free of the ones added before it.
    download.file = app.UniqueTargetPath(
        ComposeTargetPath(FromQt(m_chooser->Directory()), FromQt(m_model->FileName(row))));
    download.connections = connections;
    if (app.AddDownload(download, m_startNow->isChecked()).IsNull()) return;  // message shown
    m_model->SetChecked(row, false);  // added: not again if the dialog stays
    ++added;
  }
  if (added > 0) m_chooser->Remember();
  m_frame.PollSoon();
  QDialog::accept();
}

}  // namespace ferrow
