#pragma once
// The connect dialog ("Connect"): an FTP address to browse, typed or picked from the recent
// ones ("Recent\Address"). OK connects the site explorer and shows its pane.
#include "gui/dialog_base.h"

class QComboBox;

namespace ferrow {

class IFrameServices;

class CConnectDialog : public CDialogBase {
  Q_OBJECT

 public:
  static CConnectDialog* Open(IFrameServices& frame);
  QComboBox* AddressBox() const { return m_address; }
  // "host" or "host/path" becomes "ftp://host/path"; an address with a scheme stays.
  static QString CompleteAddress(const QString& text);

 protected:
  void accept() override;

 private:
  explicit CConnectDialog(IFrameServices& frame);

  IFrameServices& m_frame;
  QComboBox* m_address;
};

}  // namespace ferrow
