#pragma once
// The site explorer's pane: the stored sites (CSiteView, "PopupSite") beside the explorer view,
// which holds the open remote folder (CRemoteView, "PopupRemote") above the connection's log
// (CLogView, "PopupLog"). It follows the explorer's events: a new connection clears the
// folder, a listing fills it, the busy time shows the wait cursor and disables Refresh.
#include <QSplitter>
#include <QTreeView>

#include "gui/command_ids.h"
#include "gui/list_view.h"
#include "gui/remote_model.h"
#include "gui/site_model.h"

namespace ferrow {

class CLogView;
class IFrameServices;

class CSiteView : public QTreeView, public ICommandTarget {
  Q_OBJECT

 public:
  CSiteView(IFrameServices& frame, QWidget* parent = nullptr);

  CSiteModel& Model() { return m_model; }
  void Reload();
  const CSiteInfo* CurrentSite() const;
  void Select(const Guid& id);

  bool HandlesCommand(Command command) const override;
  bool IsCommandEnabled(Command command) const override;
  void ExecuteCommand(Command command) override;

 private:
  void OpenSite();
  void Remove(bool all);

  IFrameServices& m_frame;
  CSiteModel m_model;
};

class CRemoteView : public CListView {
  Q_OBJECT

 public:
  CRemoteView(IFrameServices& frame, QWidget* parent = nullptr);

  CRemoteModel& Model() { return m_model; }
  void SetBusy(bool busy);
  bool IsBusy() const { return m_busy; }
  // The addresses of the selected files (folders and links left out).
  QStringList SelectedFileAddresses() const;

  bool HandlesCommand(Command command) const override;
  bool IsCommandEnabled(Command command) const override;
  void ExecuteCommand(Command command) override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  // A double click or Enter on a folder or a link changes into it; a double click on a file
  // downloads it.
  void OnActivated(const QModelIndex& index, bool doubleClick);
  QString AddressOf(const CEntryInfo& entry) const;

  IFrameServices& m_frame;
  CRemoteModel m_model;
  bool m_busy = false;
};

class CExplorerPane : public QSplitter {
  Q_OBJECT

 public:
  explicit CExplorerPane(IFrameServices& frame, QWidget* parent = nullptr);

  void OnExplorerEvent(uint32_t event);
  void ReloadSites();
  void SaveLayout() const;
  QWidget* FirstView() const;
  CSiteView* Sites() const { return m_sites; }
  CRemoteView* Remote() const { return m_remote; }
  CLogView* Log() const { return m_log; }

 private:
  IFrameServices& m_frame;
  CSiteView* m_sites;
  QSplitter* m_explorerView;
  CRemoteView* m_remote;
  CLogView* m_log;
};

}  // namespace ferrow
