#include "gui/list_view.h"

#include <QAbstractProxyModel>
#include <QAccessible>
#include <QHeaderView>
#include <algorithm>
#include <limits>

#include "gui/popup_menu.h"
#include "shell/view_layout.h"

namespace ferrow {

CListView::CListView(const char* popupName, std::wstring layoutSection, QWidget* parent)
    : QTreeView(parent), m_popupName(popupName), m_layoutSection(std::move(layoutSection)) {
  setRootIsDecorated(false);
  setItemsExpandable(false);
  setUniformRowHeights(true);
  setAllColumnsShowFocus(true);
  setAlternatingRowColors(true);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setContextMenuPolicy(Qt::CustomContextMenu);
  header()->setSectionsMovable(true);
  header()->setStretchLastSection(true);
  connect(this, &QWidget::customContextMenuRequested, this, [this](const QPoint& position) {
    if (m_popupName) ShowPopupMenu(m_popupName, *this, this, viewport()->mapToGlobal(position));
  });
}

void CListView::RestoreLayout(const std::vector<int>& defaultWidths) {
  QHeaderView* bar = header();
  const int count = bar->count();
  for (int column = 0; column < count && column < static_cast<int>(defaultWidths.size()); ++column)
    bar->resizeSection(column, defaultWidths[static_cast<size_t>(column)]);
  ViewLayout layout;
  if (!m_layoutSection.empty() && layout.Load(m_layoutSection, static_cast<size_t>(count))) {
    if (!layout.widths.empty())
      for (int column = 0; column < count; ++column)
        if (layout.widths[static_cast<size_t>(column)] > 0)
          bar->resizeSection(column, layout.widths[static_cast<size_t>(column)]);
    if (!layout.order.empty()) {
      for (int position = 0; position < count; ++position) {
        const int column = layout.order[static_cast<size_t>(position)];
        bar->moveSection(bar->visualIndex(column), position);
      }
    }
    if (isSortingEnabled() && layout.sortColumn >= 0)
      sortByColumn(layout.sortColumn, layout.descending ? Qt::DescendingOrder : Qt::AscendingOrder);
  }
}

void CListView::SaveLayout() const {
  if (m_layoutSection.empty()) return;
  const QHeaderView* bar = header();
  ViewLayout layout;
  for (int position = 0; position < bar->count(); ++position)
    layout.order.push_back(bar->logicalIndex(position));
  for (int column = 0; column < bar->count(); ++column)
    layout.widths.push_back(bar->sectionSize(column));
  if (isSortingEnabled() && bar->isSortIndicatorShown() && bar->sortIndicatorSection() >= 0 &&
      bar->sortIndicatorSection() < bar->count()) {
    layout.sortColumn = bar->sortIndicatorSection();
    layout.descending = bar->sortIndicatorOrder() == Qt::DescendingOrder;
  }
  layout.Save(m_layoutSection);
}

void CListView::dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                            const QList<int>& roles) {
  // For any change of more than one cell Qt repaints the whole list; the download list changes
  // a few columns of its running rows ten times a second, and repaints just their rectangle.
  // An open editor (its text is read again) and rows below others take Qt's way.
  if (topLeft == bottomRight || !topLeft.isValid() || !bottomRight.isValid() ||
      topLeft.parent().isValid() || state() == QAbstractItemView::EditingState || !isVisible()) {
    QTreeView::dataChanged(topLeft, bottomRight, roles);
    return;
  }
  const QRect top = visualRect(topLeft);
  const QRect bottom = visualRect(bottomRight);
  if (!top.isValid() || !bottom.isValid()) {
    viewport()->update();
    return;
  }
  const int lastShown = header()->count() - 1;
  int left = std::numeric_limits<int>::max();
  int right = std::numeric_limits<int>::min();
  for (int column = topLeft.column(); column <= bottomRight.column(); ++column) {
    if (isColumnHidden(column)) continue;
    left = std::min(left, columnViewportPosition(column));
    right = std::max(right, columnViewportPosition(column) + columnWidth(column));
    if (header()->visualIndex(column) == lastShown) right = std::max(right, viewport()->width());
  }
  if (left > right) return;  // only hidden columns
  const QRect changed = QRect(QPoint(left, top.top()), QPoint(right, bottom.bottom()))
                            .intersected(viewport()->rect());
  if (!changed.isEmpty()) viewport()->update(changed);
#if QT_CONFIG(accessibility)
  if (QAccessible::isActive()) {
    QAccessibleTableModelChangeEvent event(this, QAccessibleTableModelChangeEvent::DataChanged);
    event.setFirstRow(topLeft.row());
    event.setFirstColumn(topLeft.column());
    event.setLastRow(bottomRight.row());
    event.setLastColumn(bottomRight.column());
    QAccessible::updateAccessibility(&event);
  }
#endif
}

QModelIndex CListView::ToSource(const QModelIndex& index) const {
  if (auto* proxy = qobject_cast<QAbstractProxyModel*>(model())) return proxy->mapToSource(index);
  return index;
}

std::vector<QModelIndex> CListView::SelectedSourceRows() const {
  std::vector<QModelIndex> rows;
  if (!selectionModel()) return rows;
  QModelIndexList selected = selectionModel()->selectedRows();
  std::sort(selected.begin(), selected.end(),
            [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
  for (const QModelIndex& index : selected) rows.push_back(ToSource(index));
  return rows;
}

QModelIndex CListView::CurrentSourceRow() const {
  const QModelIndex current = currentIndex();
  if (!current.isValid() || !selectionModel()->isRowSelected(current.row(), current.parent()))
    return QModelIndex();
  return ToSource(current.siblingAtColumn(0));
}

}  // namespace ferrow
