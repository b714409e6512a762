#include "gui/folder_properties_dialog.h"

#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/display_text.h"
#include "app/ferrow_app.h"
#include "gui/frame_services.h"
#include "gui/language_texts.h"
#include "gui/message_boxes.h"
#include "gui/qt_text.h"
#include "l10n/message_numbers.h"

namespace ferrow {
namespace {

enum : uint32_t {
  kIdName = 1000,
  kIdPath = 1001,
  kIdBrowse = 1002,
  kIdFolders = 1003,
  kIdFiles = 1004,
  kIdSize = 1005,
};

}  // namespace

CFolderPropertiesDialog* CFolderPropertiesDialog::Open(IFrameServices& frame, const Guid& id,
                                                       bool root) {
  auto* dialog = new CFolderPropertiesDialog(frame, id, root);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->show();
  return dialog;
}

CFolderPropertiesDialog::CFolderPropertiesDialog(IFrameServices& frame, const Guid& id, bool root)
    : CDialogBase("PropertiesFolder", frame.DialogParent()),
      m_frame(frame),
      m_id(id),
      m_root(root) {
  setWindowTitle(QStringLiteral("Folder Properties"));
  const CFolderInfo tree = frame.App().GetFolders();
  const CFolderInfo* folder = root ? &tree : tree.FindFolder(id);
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  m_name = new QLineEdit(root ? Text(Msg::kFolderRoot, "Download Folder")
                              : ToQt(folder ? folder->m_name : std::wstring()));
  m_name->setReadOnly(root);
  AddRow(form, kIdName, "&Name:", m_name);
  auto* pathRow = new QWidget;
  auto* pathLayout = new QHBoxLayout(pathRow);
  pathLayout->setContentsMargins(0, 0, 0, 0);
  m_path = new QLineEdit(ToQt(folder ? folder->m_path : std::wstring()));
  m_path->setMinimumWidth(320);
  auto* browse = new QPushButton(QStringLiteral("&Browse..."));
  SetControlId(browse, kIdBrowse);
  connect(browse, &QPushButton::clicked, this, [this] {
    const QString chosen = QFileDialog::getExistingDirectory(
        this, QString(), m_path->text(),
        QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
    if (!chosen.isEmpty()) m_path->setText(chosen + QLatin1Char('/'));
  });
  pathLayout->addWidget(m_path, 1);
  pathLayout->addWidget(browse);
  pathRow->setFocusProxy(m_path);
  AddRow(form, kIdPath, "&Directory:", pathRow);
  if (folder) {
    AddRow(form, kIdFolders,
           "Folders below:", ValueLabel(QString::number(folder->GetFolderCount())));
    AddRow(form, kIdFiles, "Files:", ValueLabel(QString::number(folder->GetFileCount())));
    AddRow(form, kIdSize, "Total size:", ValueLabel(ToQt(FormatSize(folder->GetTotalSize()))));
  }
  layout->addLayout(form);
  AddButtons(layout);
  (root ? m_path : m_name)->setFocus();
  FinishDialog(m_name->text());
}

void CFolderPropertiesDialog::accept() {
  CFerrowApp& app = m_frame.App();
  if (!m_root) {
    const QString name = m_name->text().trimmed();
    const CFolderInfo tree = app.GetFolders();
    const CFolderInfo* folder = tree.FindFolder(m_id);
    if (folder && ToQt(folder->m_name) != name && !app.RenameFolder(m_id, FromQt(name))) {
      ShowMessageBox(this, Text(Msg::kBadFolderName), MessageKind::kWarning);
      m_name->setFocus();
      return;
    }
  }
  const QString path = m_path->text().trimmed();
  if (!path.isEmpty()) app.SetFolderPath(m_id, FromQt(path));
  m_frame.FoldersChanged();
  QDialog::accept();
}

}  // namespace ferrow
