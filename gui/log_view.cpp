#include "gui/log_view.h"

#include <QScrollBar>
#include <algorithm>

#include "gui/frame_services.h"
#include "gui/popup_menu.h"

namespace ferrow {

CLogView::CLogView(IFrameServices& frame, QWidget* parent) : QListView(parent), m_frame(frame) {
  setObjectName(QStringLiteral("logView"));
  setModel(&m_model);
  setUniformItemSizes(true);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setContextMenuPolicy(Qt::CustomContextMenu);
  QFont fixed = font();
  fixed.setFamily(QStringLiteral("monospace"));
  fixed.setStyleHint(QFont::TypeWriter);
  setFont(fixed);
  connect(this, &QWidget::customContextMenuRequested, this, [this](const QPoint& position) {
    ShowPopupMenu("PopupLog", *this, this, viewport()->mapToGlobal(position));
  });
  // Follow the end while the user looks at it.
  connect(&m_model, &QAbstractItemModel::rowsAboutToBeInserted, this, [this] {
    QScrollBar* bar = verticalScrollBar();
    setProperty("atEnd", bar->value() >= bar->maximum() - 2);
  });
  connect(&m_model, &QAbstractItemModel::rowsInserted, this, [this] {
    if (property("atEnd").toBool()) scrollToBottom();
  });
}

bool CLogView::HandlesCommand(Command command) const {
  return command == Command::kLogClear || command == Command::kLogCopy ||
         command == Command::kLogCopyAll || command == Command::kSelectAll ||
         command == Command::kCopyUrl;
}

bool CLogView::IsCommandEnabled(Command command) const {
  switch (command) {
    case Command::kLogCopy:
    case Command::kCopyUrl:
      return selectionModel()->hasSelection();
    case Command::kLogClear:
    case Command::kLogCopyAll:
    case Command::kSelectAll:
      return m_model.rowCount() > 0;
    default:
      return false;
  }
}

void CLogView::ExecuteCommand(Command command) {
  switch (command) {
    case Command::kLogClear:
      m_model.Clear();
      break;
    case Command::kLogCopy:
    case Command::kCopyUrl: {
      QModelIndexList rows = selectionModel()->selectedRows();
      std::sort(rows.begin(), rows.end());
      QStringList lines;
      for (const QModelIndex& index : rows) lines << m_model.Line(index.row());
      m_frame.CopyToClipboard(lines.join(QLatin1Char('\n')));
      break;
    }
    case Command::kLogCopyAll:
      m_frame.CopyToClipboard(m_model.AllLines().join(QLatin1Char('\n')));
      break;
    case Command::kSelectAll:
      selectAll();
      break;
    default:
      break;
  }
}

}  // namespace ferrow
