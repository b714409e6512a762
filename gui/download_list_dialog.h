#pragma once
// The download-list dialog ("DownloadList", CDownloadListDlg of the design): several URLs at
// once (a hand-over, an import, files picked in the site explorer, a drop of many links), one
// checkable row each; the folder and directory, connections and start or queue apply to all.
// OK adds one download per checked row. URLs already in the download list start unchecked.
#include "gui/dialog_base.h"

class QRadioButton;
class QSpinBox;
class QTreeView;

namespace ferrow {

class CFolderChooser;
class CUrlCheckModel;
class IFrameServices;

class CDownloadListDialog : public CDialogBase {
  Q_OBJECT

 public:
  static CDownloadListDialog* Open(IFrameServices& frame, const QStringList& urls, QWidget* parent);

  CUrlCheckModel& Model() const { return *m_model; }
  QTreeView* List() const { return m_list; }
  QRadioButton* StartNowButton() const { return m_startNow; }
  QRadioButton* QueueButton() const { return m_queue; }
  QSpinBox* ConnectionsBox() const { return m_connections; }
  CFolderChooser* Chooser() const { return m_chooser; }

 protected:
  void accept() override;

 private:
  CDownloadListDialog(IFrameServices& frame, const QStringList& urls, QWidget* parent);

  IFrameServices& m_frame;
  CUrlCheckModel* m_model;
  QTreeView* m_list;
  CFolderChooser* m_chooser;
  QSpinBox* m_connections;
  QRadioButton* m_startNow;
  QRadioButton* m_queue;
};

}  // namespace ferrow
