#include "gui/progress_delegate.h"

#include <QApplication>
#include <QPainter>
#include <QStyleOptionProgressBar>

namespace ferrow {

void CProgressDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
  bool known = false;
  const int value = index.data(m_valueRole).toInt(&known);
  if (!known || value < 0) {
    QStyledItemDelegate::paint(painter, option, index);
    return;
  }
  // The row's selection background first, then the bar inside the cell.
  QStyleOptionViewItem background = option;
  initStyleOption(&background, index);
  background.text.clear();
  const QWidget* widget = option.widget;
  QStyle* style = widget ? widget->style() : QApplication::style();
  style->drawControl(QStyle::CE_ItemViewItem, &background, painter, widget);

  QStyleOptionProgressBar bar;
  bar.rect = option.rect.adjusted(2, 2, -2, -2);
  bar.minimum = 0;
  bar.maximum = 100;
  bar.progress = qBound(0, value, 100);
  bar.text = index.data(Qt::DisplayRole).toString();
  bar.textVisible = true;
  bar.textAlignment = Qt::AlignCenter;
  bar.state = option.state | QStyle::State_Horizontal;
  bar.palette = option.palette;
  bar.fontMetrics = option.fontMetrics;
  style->drawControl(QStyle::CE_ProgressBar, &bar, painter, widget);
}

}  // namespace ferrow
