#include "gui/download_pane.h"

#include <QHeaderView>
#include <QItemSelection>
#include <algorithm>

#include "app/ferrow_app.h"
#include "gui/download_model.h"
#include "gui/download_properties_dialog.h"
#include "gui/frame_services.h"
#include "gui/language_texts.h"
#include "gui/message_boxes.h"
#include "gui/progress_delegate.h"
#include "gui/qt_text.h"
#include "l10n/message_numbers.h"
#include "shell/registry.h"

namespace ferrow {
namespace {

constexpr int kProgressColumn = static_cast<int>(DownloadColumn::kProgress);

}  // namespace

CDownloadPane::CDownloadPane(IFrameServices& frame, CDownloadModel& model, QWidget* parent)
    : CListView("PopupDownload", RegistryNames::kLayoutPanesDownloads, parent),
      m_frame(frame),
      m_model(model) {
  setObjectName(QStringLiteral("downloadList"));
  m_proxy.setSourceModel(&m_model);
  m_proxy.setSortRole(CDownloadModel::kSortRole);
  m_proxy.setSortCaseSensitivity(Qt::CaseInsensitive);
  setModel(&m_proxy);
  setSortingEnabled(true);
  // Unsorted at first: the list's own order, which is the order downloads were added.
  header()->setSortIndicator(-1, Qt::AscendingOrder);
  m_proxy.sort(-1);
  setItemDelegateForColumn(kProgressColumn, new CProgressDelegate(CDownloadModel::kSortRole, this));
  RestoreLayout({230, 75, 75, 110, 90, 105, 110, 90, 260, 100, 80, 150});
  connect(this, &QAbstractItemView::doubleClicked, this, &CDownloadPane::OnDoubleClicked);
}

std::vector<Guid> CDownloadPane::SelectedIds() const {
  std::vector<Guid> ids;
  for (const QModelIndex& index : SelectedSourceRows())
    if (const DownloadSnapshot* row = m_model.At(index.row())) ids.push_back(row->record.m_id);
  return ids;
}

void CDownloadPane::SelectIds(const std::vector<Guid>& ids) {
  QItemSelection selection;
  for (const Guid& id : ids) {
    const int row = m_model.RowOf(id);
    if (row < 0) continue;
    const QModelIndex index = m_proxy.mapFromSource(m_model.index(row, 0));
    selection.select(index, index);
  }
  selectionModel()->select(selection,
                           QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  if (!selection.isEmpty()) setCurrentIndex(selection.indexes().front());
}

bool CDownloadPane::HandlesCommand(Command command) const {
  switch (command) {
    case Command::kStart:
    case Command::kStop:
    case Command::kQueue:
    case Command::kMoveUp:
    case Command::kMoveDown:
    case Command::kOpen:
    case Command::kOpenFolder:
    case Command::kCopyUrl:
    case Command::kDelete:
    case Command::kRename:
    case Command::kSelectAll:
    case Command::kProperties:
      return true;
    default:
      return false;
  }
}

bool CDownloadPane::IsCommandEnabled(Command command) const {
  if (command == Command::kSelectAll) return m_model.rowCount() > 0;
  const std::vector<Guid> ids = SelectedIds();
  const auto any = [&](bool DownloadSnapshot::*flag) {
    return std::any_of(ids.begin(), ids.end(), [&](const Guid& id) {
      const DownloadSnapshot* row = m_model.Find(id);
      return row && row->*flag;
    });
  };
  switch (command) {
    case Command::kStart:
      return any(&DownloadSnapshot::canStart);
    case Command::kStop:
      return any(&DownloadSnapshot::canStop);
    case Command::kQueue:
      return any(&DownloadSnapshot::canRequeue);
    case Command::kMoveUp:
      return any(&DownloadSnapshot::canMoveUp);
    case Command::kMoveDown:
      return any(&DownloadSnapshot::canMoveDown);
    case Command::kOpen:
    case Command::kOpenFolder:
      return any(&DownloadSnapshot::canOpen);
    case Command::kCopyUrl:
    case Command::kDelete:
      return !ids.empty();
    case Command::kRename:
    case Command::kProperties:
      return CurrentSourceRow().isValid();
    default:
      return false;
  }
}

void CDownloadPane::ExecuteCommand(Command command) {
  CFerrowApp& app = m_frame.App();
  const std::vector<Guid> ids = SelectedIds();
  switch (command) {
    case Command::kStart:
      for (const Guid& id : ids) app.StartDownload(id);
      break;
    case Command::kStop:
      // Each stop finishes from the core's loop once its threads have ended; the window
      // never waits for them.
      for (const Guid& id : ids) app.StopDownload(id, [](bool) {});
      break;
    case Command::kQueue:
      for (const Guid& id : ids) {
        const DownloadSnapshot* row = m_model.Find(id);
        if (row && row->canRequeue) app.RequeueDownload(id, [](bool) {});
      }
      break;
    case Command::kMoveUp:
    case Command::kMoveDown:
      MoveSelected(command == Command::kMoveUp);
      break;
    case Command::kOpen:
    case Command::kOpenFolder:
      for (const Guid& id : ids) {
        const DownloadSnapshot* row = m_model.Find(id);
        if (!row || !row->canOpen) continue;
        const QString file = ToQt(row->record.m_file);
        command == Command::kOpen ? m_frame.OpenWithDesktop(file) : m_frame.OpenFolderOf(file);
      }
      break;
    case Command::kCopyUrl: {
      QStringList urls;
      for (const Guid& id : ids)
        if (const DownloadSnapshot* row = m_model.Find(id)) urls << ToQt(row->record.m_url);
      m_frame.CopyToClipboard(urls.join(QLatin1Char('\n')));
      break;
    }
    case Command::kDelete:
      DeleteSelected();
      break;
    case Command::kRename: {
      const QModelIndex current = currentIndex();
      if (current.isValid()) edit(current.siblingAtColumn(static_cast<int>(DownloadColumn::kName)));
      break;
    }
    case Command::kSelectAll:
      selectAll();
      break;
    case Command::kProperties:
      ShowProperties();
      break;
    default:
      return;
  }
  m_frame.PollSoon();
}

void CDownloadPane::MoveSelected(bool up) {
  CFerrowApp& app = m_frame.App();
  std::vector<Guid> ids = SelectedIds();
  // Queue order, so that a block of rows moves together.
  std::sort(ids.begin(), ids.end(), [this](const Guid& a, const Guid& b) {
    const DownloadSnapshot* x = m_model.Find(a);
    const DownloadSnapshot* y = m_model.Find(b);
    return x && y && x->record.m_order < y->record.m_order;
  });
  if (!up) std::reverse(ids.begin(), ids.end());
  for (const Guid& id : ids) up ? app.MoveDownloadUp(id) : app.MoveDownloadDown(id);
}

void CDownloadPane::DeleteSelected() {
  const std::vector<Guid> ids = SelectedIds();
  if (ids.empty()) return;
  AskQuestion(m_frame.DialogParent(), Text(Msg::kAskDeleteDownloads), [this, ids](bool yes) {
    if (!yes) return;
    for (const Guid& id : ids) m_frame.App().DeleteDownload(id, [](bool) {});
    m_frame.PollSoon();
  });
}

void CDownloadPane::ShowProperties() {
  const DownloadSnapshot* row = m_model.At(CurrentSourceRow().row());
  if (row) CDownloadPropertiesDialog::Open(m_frame, row->record.m_id);
}

void CDownloadPane::OnDoubleClicked(const QModelIndex& index) {
  const DownloadSnapshot* row = m_model.At(ToSource(index).row());
  if (!row) return;
  if (row->canOpen)
    m_frame.OpenWithDesktop(ToQt(row->record.m_file));
  else
    CDownloadPropertiesDialog::Open(m_frame, row->record.m_id);
}

}  // namespace ferrow
