#include "gui/folder_chooser.h"

#include <QComboBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>

#include "app/ferrow_app.h"
#include "gui/icons.h"
#include "gui/language_texts.h"
#include "gui/qt_text.h"
#include "l10n/message_numbers.h"
#include "shell/registry.h"

namespace ferrow {
namespace {

void AddFolders(QComboBox* box, const CFolderInfo& folder, const QString& name, int depth) {
  box->addItem(Icon(IconId::kFolder), QString(depth * 4, QLatin1Char(' ')) + name,
               ToQt(folder.m_id.ToString()));
  box->setItemData(box->count() - 1, ToQt(folder.m_path), Qt::UserRole + 1);
  for (const CFolderInfo& child : folder.m_folders)
    AddFolders(box, child, ToQt(child.m_name), depth + 1);
}

}  // namespace

CFolderChooser::CFolderChooser(CFerrowApp& app, QWidget* parent)
    : QObject(parent), m_app(app), m_parent(parent) {
  m_folders = new QComboBox(parent);
  m_folders->setObjectName(QStringLiteral("folderBox"));
  AddFolders(m_folders, m_app.GetFolders(), Text(Msg::kFolderRoot, "Download Folder"), 0);
  m_directoryRow = new QWidget(parent);
  auto* row = new QHBoxLayout(m_directoryRow);
  row->setContentsMargins(0, 0, 0, 0);
  m_directory = new QLineEdit;
  m_directory->setObjectName(QStringLiteral("directoryLine"));
  m_browse = new QPushButton(QStringLiteral("&Browse..."));
  row->addWidget(m_directory, 1);
  row->addWidget(m_browse);
  m_directoryRow->setFocusProxy(m_directory);

  Guid last;
  CRegistry(RegistryNames::kRecentFolder, CRegistry::kRead).ReadGuid(nullptr, last);
  const int index = m_folders->findData(ToQt(last.ToString()));
  m_folders->setCurrentIndex(index >= 0 ? index : 0);
  OnFolderChosen();
  connect(m_folders, &QComboBox::currentIndexChanged, this, &CFolderChooser::OnFolderChosen);
  connect(m_browse, &QPushButton::clicked, this, &CFolderChooser::Browse);
}

Guid CFolderChooser::FolderId() const {
  Guid id;
  Guid::Parse(FromQt(m_folders->currentData().toString()), id);
  return id;
}

QString CFolderChooser::Directory() const {
  return m_directory->text().trimmed();
}

void CFolderChooser::Remember() const {
  CRegistry(RegistryNames::kRecentFolder, CRegistry::kWrite).WriteGuid(nullptr, FolderId());
}

void CFolderChooser::OnFolderChosen() {
  m_directory->setText(m_folders->currentData(Qt::UserRole + 1).toString());
}

void CFolderChooser::Browse() {
  const QString chosen = QFileDialog::getExistingDirectory(
      m_parent, QString(), Directory(),
      QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
  if (!chosen.isEmpty())
    m_directory->setText(chosen.endsWith(QLatin1Char('/')) ? chosen : chosen + QLatin1Char('/'));
}

}  // namespace ferrow
