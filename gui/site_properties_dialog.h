#pragma once
// A stored site ("PropertiesSite"): name, server, port, user and password (shown as dots).
// Opened for a new site (named by text 1301) or for an existing one.
#include "gui/dialog_base.h"
#include "sites/site_info.h"

class QLineEdit;
class QSpinBox;

namespace ferrow {

class IFrameServices;

class CSitePropertiesDialog : public CDialogBase {
  Q_OBJECT

 public:
  // site null: a new site.
  static CSitePropertiesDialog* Open(IFrameServices& frame, const CSiteInfo* site);

  QLineEdit* NameLine() const { return m_name; }
  QLineEdit* ServerLine() const { return m_server; }
  QSpinBox* PortBox() const { return m_port; }
  QLineEdit* UserLine() const { return m_user; }
  QLineEdit* PasswordLine() const { return m_password; }

 protected:
  void accept() override;

 private:
  CSitePropertiesDialog(IFrameServices& frame, const CSiteInfo* site);

  IFrameServices& m_frame;
  CSiteInfo m_site;
  bool m_new;
  QLineEdit* m_name;
  QLineEdit* m_server;
  QSpinBox* m_port;
  QLineEdit* m_user;
  QLineEdit* m_password;
};

}  // namespace ferrow
