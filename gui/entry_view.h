#pragma once
// The list of finished downloads in the folder pane (a folder's files, "PopupFile") and in the
// history pane (a period's entries, "PopupHistory"): open the file or its folder, copy the URL,
// remove entries (after asking; the files on disk stay), properties.
#include <QSortFilterProxyModel>

#include "gui/entry_model.h"
#include "gui/list_view.h"

namespace ferrow {

class IFrameServices;

class CEntryView : public CListView {
  Q_OBJECT

 public:
  enum class Kind { kFolderFiles, kHistory };

  CEntryView(Kind kind, IFrameServices& frame, QWidget* parent = nullptr);

  CEntryModel& Model() { return m_model; }
  std::vector<size_t> SelectedPositions() const;

  bool HandlesCommand(Command command) const override;
  bool IsCommandEnabled(Command command) const override;
  void ExecuteCommand(Command command) override;

 private:
  void RemoveSelected(bool all);
  void ShowProperties();

  Kind m_kind;
  IFrameServices& m_frame;
  CEntryModel m_model;
  QSortFilterProxyModel m_proxy;
};

}  // namespace ferrow
