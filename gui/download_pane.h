#pragma once
// The downloads pane: the download list with its columns, sorted by any of them, several rows
// selectable. Del deletes (after asking), F2 renames, Ctrl+A selects all, Alt+Enter shows the
// properties, a double click opens a completed file (the properties otherwise); the download
// commands act on every selected row they apply to.
#include <QSortFilterProxyModel>

#include "gui/list_view.h"
#include "platform/guid.h"

namespace ferrow {

class CDownloadModel;
class IFrameServices;

class CDownloadPane : public CListView {
  Q_OBJECT

 public:
  CDownloadPane(IFrameServices& frame, CDownloadModel& model, QWidget* parent = nullptr);

  bool HandlesCommand(Command command) const override;
  bool IsCommandEnabled(Command command) const override;
  void ExecuteCommand(Command command) override;

  std::vector<Guid> SelectedIds() const;
  void SelectIds(const std::vector<Guid>& ids);
  CDownloadModel& Model() { return m_model; }
  QSortFilterProxyModel& Proxy() { return m_proxy; }

 private:
  void OnDoubleClicked(const QModelIndex& index);
  void DeleteSelected();
  void MoveSelected(bool up);
  void ShowProperties();

  IFrameServices& m_frame;
  CDownloadModel& m_model;
  QSortFilterProxyModel m_proxy;
};

}  // namespace ferrow
