#include "l10n/string_table.h"

namespace ferrow {

std::wstring CStringTable::GetAt(uint32_t number) const {
  auto it = m_texts.find(number);
  return it == m_texts.end() ? std::wstring() : it->second;
}

}  // namespace ferrow
