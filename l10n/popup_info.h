#pragma once
// One popup of a menu from a language file: its caption and item texts by command identifier.
#include <cstdint>
#include <string>
#include <unordered_map>

namespace ferrow {

class CPopupInfo {
 public:
  std::wstring m_title;
  std::unordered_map<uint32_t, std::wstring> m_items;
};

}  // namespace ferrow
