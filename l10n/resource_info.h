#pragma once
// The [Info] section of a language file.
#include <string>

namespace ferrow {

class CResourceInfo {
 public:
  std::wstring m_language;
  std::wstring m_author;
  std::wstring m_updated;
};

}  // namespace ferrow
