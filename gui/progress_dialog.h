#pragma once
// The progress window of one download ("Progress"), opened when it starts while
// "OpenProgress" is set: name, address, a bar, the figures, and Stop. When the download ends
// it closes itself with "CloseProgress", else it stays and shows how it ended.
#include <QTimer>

#include "gui/dialog_base.h"
#include "platform/guid.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace ferrow {

class IFrameServices;

class CProgressDialog : public CDialogBase {
  Q_OBJECT

 public:
  // Opens the window of the download, or brings its open one forward.
  static CProgressDialog* Open(IFrameServices& frame, const Guid& id);

 private:
  CProgressDialog(IFrameServices& frame, const Guid& id);
  void Refresh();

  IFrameServices& m_frame;
  Guid m_id;
  QTimer m_refresh;
  QLabel* m_name;
  QLabel* m_url;
  QProgressBar* m_bar;
  QLabel* m_done;
  QLabel* m_speed;
  QLabel* m_left;
  QLabel* m_status;
  QPushButton* m_stop;
  bool m_wasRunning = true;
};

}  // namespace ferrow
