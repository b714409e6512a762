#pragma once
// A menu's texts from a language file: its popups by position.
#include <vector>

#include "l10n/popup_info.h"

namespace ferrow {

class CMenuInfo {
 public:
  std::vector<CPopupInfo> m_popups;
};

}  // namespace ferrow
