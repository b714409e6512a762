#pragma once
// The properties of a folder ("PropertiesFolder"): its name (the root has none to change), the
// directory new downloads of the folder go to, and what is filed in it and below it.
#include "gui/dialog_base.h"
#include "platform/guid.h"

class QLineEdit;

namespace ferrow {

class IFrameServices;

class CFolderPropertiesDialog : public CDialogBase {
  Q_OBJECT

 public:
  static CFolderPropertiesDialog* Open(IFrameServices& frame, const Guid& id, bool root);

 protected:
  void accept() override;

 private:
  CFolderPropertiesDialog(IFrameServices& frame, const Guid& id, bool root);

  IFrameServices& m_frame;
  Guid m_id;
  bool m_root;
  QLineEdit* m_name;
  QLineEdit* m_path;
};

}  // namespace ferrow
