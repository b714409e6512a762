#pragma once
// About Ferrow ("About"): name, version, what it is, the maker's page.
#include "gui/dialog_base.h"

namespace ferrow {

class CAboutDialog : public CDialogBase {
  Q_OBJECT

 public:
  static CAboutDialog* Open(QWidget* parent);

 private:
  explicit CAboutDialog(QWidget* parent);
};

}  // namespace ferrow
