#include "gui/list_view.h"

#include <QAbstractProxyModel>
#include <QHeaderView>
#include <algorithm>

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
