#pragma once
// A properties dialog that shows fields of a record: a finished file of a folder
// ("PropertiesFile"), a history entry ("PropertiesHistory") or an entry of a remote folder
// ("PropertiesEntry"). Each row is a label by its identifier and a selectable plain value.
#include <QString>
#include <vector>

#include "gui/dialog_base.h"

namespace ferrow {

struct InfoRow {
  uint32_t id;
  const char* label;
  QString value;
  bool line = false;  // a long value (a URL, a path) in a read-only line
};

class CInfoDialog : public CDialogBase {
  Q_OBJECT

 public:
  static CInfoDialog* Open(const char* name, const char* title, const std::vector<InfoRow>& rows,
                           QWidget* parent);

 private:
  CInfoDialog(const char* name, const char* title, const std::vector<InfoRow>& rows,
              QWidget* parent);
};

}  // namespace ferrow
