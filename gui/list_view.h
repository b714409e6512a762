#pragma once
// The common ground of the program's list views: a QTreeView shown as a flat list with a
// header, several rows selectable, sorting by the header where the view allows it, a pop-up
// menu by its language-file name, and the columns' order, widths and sort kept under the
// view's registry section.
#include <QString>
#include <QTreeView>
#include <vector>

#include "gui/command_ids.h"

namespace ferrow {

class CListView : public QTreeView, public ICommandTarget {
  Q_OBJECT

 public:
  // popupName: the pop-up menu ("PopupDownload"); layoutSection: where the columns are kept
  // (empty: nowhere).
  CListView(const char* popupName, std::wstring layoutSection, QWidget* parent = nullptr);

  // After the model is set: the stored columns, or the widths given (by column) as built.
  void RestoreLayout(const std::vector<int>& defaultWidths);
  void SaveLayout() const;

  // Selected rows of the view's own model (through a proxy, if any), in view order.
  std::vector<QModelIndex> SelectedSourceRows() const;
  QModelIndex CurrentSourceRow() const;

 protected:
  void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                   const QList<int>& roles = QList<int>()) override;

  // The index of the view's own model for an index of the view.
  QModelIndex ToSource(const QModelIndex& index) const;

 private:
  const char* m_popupName;
  std::wstring m_layoutSection;
};

}  // namespace ferrow
