#pragma once
// Draws a per-cent column as a progress bar with its text.
#include <QStyledItemDelegate>

namespace ferrow {

class CProgressDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  // valueRole gives the per cent (0 to 100); a value below 0 draws the plain text.
  CProgressDelegate(int valueRole, QObject* parent = nullptr)
      : QStyledItemDelegate(parent), m_valueRole(valueRole) {}
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;

 private:
  int m_valueRole;
};

}  // namespace ferrow
