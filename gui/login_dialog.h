#pragma once
// The login a server asks for ("Login", status 4 of a download): user and password (shown as
// dots), and whether to remember them with the settings. OK retries with the login; Cancel
// gives the download up. One dialog per download; it closes by itself when the download no
// longer waits for an answer.
#include <QTimer>

#include "gui/dialog_base.h"
#include "platform/guid.h"

class QCheckBox;
class QLineEdit;

namespace ferrow {

class IFrameServices;

class CLoginDialog : public CDialogBase {
  Q_OBJECT

 public:
  static CLoginDialog* Open(IFrameServices& frame, const Guid& id);

  QLineEdit* UserLine() const { return m_user; }
  QLineEdit* PasswordLine() const { return m_password; }
  QCheckBox* RememberBox() const { return m_remember; }

 protected:
  void accept() override;
  void reject() override;

 private:
  CLoginDialog(IFrameServices& frame, const Guid& id);
  void Answer(bool retry);

  IFrameServices& m_frame;
  Guid m_id;
  QLineEdit* m_user;
  QLineEdit* m_password;
  QCheckBox* m_remember;
  QTimer m_watch;
  bool m_answered = false;
};

}  // namespace ferrow
