#include "gui/folder_pane.h"

#include <QHeaderView>

#include "app/ferrow_app.h"
#include "gui/entry_view.h"
#include "gui/folder_properties_dialog.h"
#include "gui/frame_services.h"
#include "gui/language_texts.h"
#include "gui/message_boxes.h"
#include "gui/popup_menu.h"
#include "gui/qt_text.h"
#include "l10n/message_numbers.h"
#include "shell/registry.h"
#include "shell/view_layout.h"

namespace ferrow {

CFolderView::CFolderView(IFrameServices& frame, QWidget* parent)
    : QTreeView(parent), m_frame(frame) {
  setObjectName(QStringLiteral("folderView"));
  setModel(&m_model);
  setHeaderHidden(true);
  setUniformRowHeights(true);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setAcceptDrops(true);
  setDropIndicatorShown(true);
  setDragDropMode(QAbstractItemView::DropOnly);
  setDefaultDropAction(Qt::MoveAction);
  setContextMenuPolicy(Qt::CustomContextMenu);
  connect(this, &QWidget::customContextMenuRequested, this, [this](const QPoint& position) {
    ShowPopupMenu("PopupFolder", *this, this, viewport()->mapToGlobal(position));
  });
  m_model.m_rename = [this](const Guid& id, const QString& name) {
    if (!m_frame.App().RenameFolder(id, FromQt(name))) {
      ShowMessageBox(m_frame.DialogParent(), Text(Msg::kBadFolderName), MessageKind::kWarning);
      return false;
    }
    if (id == m_justCreated) {
      const CFolderInfo* parent = m_model.Folder(m_model.parent(m_model.IndexOf(id)));
      if (parent)
        m_frame.App().SetFolderPath(id, CFolderInfo::JoinPath(parent->m_path, FromQt(name)));
      m_justCreated = Guid();
    }
    QMetaObject::invokeMethod(
        this,
        [this, id] {
          m_frame.FoldersChanged();
          Select(id);
        },
        Qt::QueuedConnection);
    return true;
  };
  m_model.m_moveEntries = [this](const Guid& from, const std::vector<size_t>& positions,
                                 const Guid& to) {
    if (m_frame.App().MoveFolderFiles(from, positions, to)) m_frame.FoldersChanged();
  };
}

const CFolderInfo* CFolderView::CurrentFolder() const {
  return m_model.Folder(currentIndex());
}

void CFolderView::Select(const Guid& id) {
  QModelIndex index = m_model.IndexOf(id);
  if (!index.isValid()) index = m_model.index(0, 0);
  setCurrentIndex(index);
  scrollTo(index);
}

bool CFolderView::HandlesCommand(Command command) const {
  return command == Command::kNewFolder || command == Command::kDelete ||
         command == Command::kDeleteAll || command == Command::kRename ||
         command == Command::kProperties;
}

bool CFolderView::IsCommandEnabled(Command command) const {
  const CFolderInfo* folder = CurrentFolder();
  const bool isRoot = folder == &m_model.Root();
  switch (command) {
    case Command::kNewFolder:
    case Command::kProperties:
      return folder != nullptr;
    case Command::kDelete:
    case Command::kRename:
      return folder != nullptr && !isRoot;
    case Command::kDeleteAll:
      return !m_model.Root().m_folders.empty();
    default:
      return false;
  }
}

void CFolderView::ExecuteCommand(Command command) {
  switch (command) {
    case Command::kNewFolder:
      NewFolder();
      break;
    case Command::kDelete:
      Remove(false);
      break;
    case Command::kDeleteAll:
      Remove(true);
      break;
    case Command::kRename:
      edit(currentIndex());
      break;
    case Command::kProperties:
      ShowProperties();
      break;
    default:
      break;
  }
}

void CFolderView::NewFolder() {
  const CFolderInfo* parent = CurrentFolder();
  if (!parent) return;
  // A free name, then the user names it in place.
  const QString base = Text(Msg::kNewFolderName, "New Folder");
  QString name = base;
  for (int number = 2;; ++number) {
    bool taken = false;
    for (const CFolderInfo& child : parent->m_folders) taken |= ToQt(child.m_name) == name;
    if (!taken) break;
    name = QStringLiteral("%1 (%2)").arg(base).arg(number);
  }
  const Guid id = m_frame.App().AddFolder(parent->m_id, FromQt(name));
  if (id.IsNull()) return;
  m_justCreated = id;
  m_frame.FoldersChanged();
  Select(id);
  edit(currentIndex());
}

void CFolderView::Remove(bool all) {
  std::vector<Guid> ids;
  if (all) {
    for (const CFolderInfo& child : m_model.Root().m_folders) ids.push_back(child.m_id);
  } else if (const CFolderInfo* folder = CurrentFolder(); folder && folder != &m_model.Root()) {
    ids.push_back(folder->m_id);
  }
  if (ids.empty()) return;
  AskQuestion(m_frame.DialogParent(), Text(Msg::kAskDeleteFolders), [this, ids](bool yes) {
    if (!yes) return;
    for (const Guid& id : ids) m_frame.App().RemoveFolder(id);
    m_frame.FoldersChanged();
  });
}

void CFolderView::ShowProperties() {
  if (const CFolderInfo* folder = CurrentFolder())
    CFolderPropertiesDialog::Open(m_frame, folder->m_id, folder == &m_model.Root());
}

CFolderPane::CFolderPane(IFrameServices& frame, QWidget* parent)
    : QSplitter(Qt::Horizontal, parent), m_frame(frame) {
  setObjectName(QStringLiteral("folderPane"));
  m_folders = new CFolderView(frame);
  m_files = new CEntryView(CEntryView::Kind::kFolderFiles, frame);
  addWidget(m_folders);
  addWidget(m_files);
  setStretchFactor(1, 1);
  std::vector<int32_t> sizes = {220, 680};
  LoadSplit(RegistryNames::kLayoutPanesFolders, 2, sizes);
  setSizes({sizes[0], sizes[1]});
  Reload();
  connect(m_folders->selectionModel(), &QItemSelectionModel::currentChanged, this,
          &CFolderPane::ShowFiles);
  ShowFiles();
}

void CFolderPane::Reload() {
  const CFolderInfo* current = m_folders->CurrentFolder();
  const Guid chosen = current ? current->m_id : Guid();
  m_folders->Model().SetTree(m_frame.App().GetFolders());
  m_folders->expandAll();
  m_folders->Select(chosen);
  ShowFiles();
}

void CFolderPane::ShowFiles() {
  const CFolderInfo* folder = m_folders->CurrentFolder();
  std::vector<EntryRow> rows;
  if (folder) {
    size_t position = 0;
    for (const CFileInfo& file : folder->m_files)
      rows.push_back({position++, file.m_name, file.m_url, file.m_file, file.m_comment, file.m_size,
                      static_cast<int64_t>(file.m_date)});
  }
  m_files->Model().SetRows(std::move(rows), folder ? folder->m_id : Guid());
}

void CFolderPane::SaveLayout() const {
  const QList<int> parts = sizes();
  SaveSplit(RegistryNames::kLayoutPanesFolders, {parts.value(0), parts.value(1)});
  m_files->SaveLayout();
}

QWidget* CFolderPane::FirstView() const {
  return m_folders;
}

}  // namespace ferrow
