#pragma once
// A dialog's texts from a language file: its caption and control texts by control identifier.
#include <cstdint>
#include <string>
#include <unordered_map>

namespace ferrow {

class CDialogInfo {
 public:
  std::wstring m_title;
  std::unordered_map<uint32_t, std::wstring> m_controls;
};

}  // namespace ferrow
