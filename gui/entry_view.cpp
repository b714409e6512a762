#include "gui/entry_view.h"

#include <QHeaderView>

#include "app/display_text.h"
#include "app/ferrow_app.h"
#include "gui/frame_services.h"
#include "gui/info_dialog.h"
#include "gui/language_texts.h"
#include "gui/message_boxes.h"
#include "gui/qt_text.h"
#include "l10n/message_numbers.h"
#include "shell/registry.h"

namespace ferrow {

CEntryView::CEntryView(Kind kind, IFrameServices& frame, QWidget* parent)
    : CListView(kind == Kind::kHistory ? "PopupHistory" : "PopupFile",
                kind == Kind::kHistory ? RegistryNames::kLayoutViewsHistory
                                       : RegistryNames::kLayoutViewsFile,
                parent),
      m_kind(kind),
      m_frame(frame) {
  setObjectName(kind == Kind::kHistory ? QStringLiteral("historyView")
                                       : QStringLiteral("fileView"));
  m_proxy.setSourceModel(&m_model);
  m_proxy.setSortRole(CEntryModel::kSortRole);
  m_proxy.setSortCaseSensitivity(Qt::CaseInsensitive);
  setModel(&m_proxy);
  setSortingEnabled(true);
  header()->setSortIndicator(-1, Qt::AscendingOrder);
  m_proxy.sort(-1);
  // Paths and URLs keep both ends: the folder they start with and the file name they end with.
  setTextElideMode(Qt::ElideMiddle);
  if (kind == Kind::kFolderFiles) {
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragOnly);
    setDefaultDropAction(Qt::MoveAction);
  }
  RestoreLayout({200, 80, 130, 260, 260, 150});
  connect(this, &QAbstractItemView::doubleClicked, this, [this] {
    if (IsCommandEnabled(Command::kOpen)) ExecuteCommand(Command::kOpen);
  });
}

std::vector<size_t> CEntryView::SelectedPositions() const {
  std::vector<size_t> positions;
  for (const QModelIndex& index : SelectedSourceRows())
    if (const EntryRow* row = m_model.At(index.row())) positions.push_back(row->position);
  return positions;
}

bool CEntryView::HandlesCommand(Command command) const {
  switch (command) {
    case Command::kOpen:
    case Command::kOpenFolder:
    case Command::kCopyUrl:
    case Command::kDelete:
    case Command::kSelectAll:
    case Command::kProperties:
      return true;
    case Command::kDeleteAll:
      return m_kind == Kind::kHistory;
    default:
      return false;
  }
}

bool CEntryView::IsCommandEnabled(Command command) const {
  switch (command) {
    case Command::kSelectAll:
    case Command::kDeleteAll:
      return m_model.rowCount() > 0;
    case Command::kProperties:
      return CurrentSourceRow().isValid();
    default:
      return !SelectedSourceRows().empty();
  }
}

void CEntryView::ExecuteCommand(Command command) {
  const std::vector<QModelIndex> rows = SelectedSourceRows();
  switch (command) {
    case Command::kOpen:
    case Command::kOpenFolder:
      for (const QModelIndex& index : rows) {
        const EntryRow* row = m_model.At(index.row());
        if (!row) continue;
        command == Command::kOpen ? m_frame.OpenWithDesktop(ToQt(row->file))
                                  : m_frame.OpenFolderOf(ToQt(row->file));
      }
      break;
    case Command::kCopyUrl: {
      QStringList urls;
      for (const QModelIndex& index : rows)
        if (const EntryRow* row = m_model.At(index.row())) urls << ToQt(row->url);
      m_frame.CopyToClipboard(urls.join(QLatin1Char('\n')));
      break;
    }
    case Command::kDelete:
      RemoveSelected(false);
      break;
    case Command::kDeleteAll:
      RemoveSelected(true);
      break;
    case Command::kSelectAll:
      selectAll();
      break;
    case Command::kProperties:
      ShowProperties();
      break;
    default:
      break;
  }
}

void CEntryView::RemoveSelected(bool all) {
  std::vector<size_t> positions;
  if (all) {
    for (int row = 0; row < m_model.rowCount(); ++row)
      positions.push_back(m_model.At(row)->position);
  } else {
    positions = SelectedPositions();
  }
  if (positions.empty()) return;
  const Guid folder = m_model.FolderId();
  const bool history = m_kind == Kind::kHistory;
  AskQuestion(m_frame.DialogParent(), Text(history ? Msg::kAskDeleteHistory : Msg::kAskDeleteFiles),
              [this, positions, folder, history](bool yes) {
                if (!yes) return;
                if (history) {
                  m_frame.App().RemoveHistoryEntries(positions);
                  m_frame.HistoryChanged();
                } else {
                  m_frame.App().RemoveFolderFiles(folder, positions);
                  m_frame.FoldersChanged();
                }
              });
}

void CEntryView::ShowProperties() {
  const EntryRow* row = m_model.At(CurrentSourceRow().row());
  if (!row) return;
  const bool history = m_kind == Kind::kHistory;
  CInfoDialog::Open(history ? "PropertiesHistory" : "PropertiesFile",
                    history ? "History Entry" : "File Properties",
                    {{1000, "Name:", ToQt(row->name)},
                     {1001, "URL:", ToQt(row->url), true},
                     {1002, "File:", ToQt(row->file), true},
                     {1003, "Size:", ToQt(FormatSize(row->size))},
                     {1004, "Completed:", ToQt(FormatDateTime(row->date))},
                     {1005, "Comment:", ToQt(row->comment)}},
                    m_frame.DialogParent());
}

}  // namespace ferrow
