#pragma once
// The properties of a download ("PropertiesDownload"): its name and comment to edit, what it
// fetches from where into which file, how far it got and why it stopped, and on a second page
// the transfer log of this run. The figures follow the download while the dialog is open; one
// dialog per download.
#include <QTimer>

#include "gui/dialog_base.h"
#include "platform/guid.h"

class QLineEdit;
class QLabel;

namespace ferrow {

class CLogView;
class IFrameServices;

class CDownloadPropertiesDialog : public CDialogBase {
  Q_OBJECT

 public:
  // Opens the dialog for the download, or brings its open one forward.
  static CDownloadPropertiesDialog* Open(IFrameServices& frame, const Guid& id);

  const Guid& Id() const { return m_id; }

 protected:
  void accept() override;

 private:
  CDownloadPropertiesDialog(IFrameServices& frame, const Guid& id);
  void Refresh();

  IFrameServices& m_frame;
  Guid m_id;
  QTimer m_refresh;
  size_t m_logShown = 0;
  QLineEdit* m_name = nullptr;
  QLineEdit* m_comment = nullptr;
  QLineEdit* m_url = nullptr;
  QLineEdit* m_file = nullptr;
  QLabel* m_folder = nullptr;
  QLabel* m_size = nullptr;
  QLabel* m_done = nullptr;
  QLabel* m_status = nullptr;
  QLabel* m_elapsed = nullptr;
  QLabel* m_left = nullptr;
  QLabel* m_speed = nullptr;
  QLabel* m_connections = nullptr;
  CLogView* m_log = nullptr;
};

}  // namespace ferrow
