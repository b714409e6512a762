#include "shell/mapped_string.h"

#include <cstring>

#include "platform/text.h"

namespace ferrow {
namespace {

// The UTF-16LE bytes the block stores for the text: cut to the limit, never inside a surrogate
// pair (a reader would see a broken character).
std::string StoredUnits(const std::wstring& text, size_t maxUnits) {
  std::string units = WideToUtf16Le(text);
  size_t count = units.size() / 2;
  if (count > maxUnits) {
    count = maxUnits;
    const auto last = static_cast<uint16_t>(static_cast<uint8_t>(units[2 * count - 2]) |
                                            static_cast<uint8_t>(units[2 * count - 1]) << 8);
    if (last >= 0xD800 && last <= 0xDBFF) --count;
    units.resize(2 * count);
  }
  return units;
}

}  // namespace

bool CMappedString::Create(const std::string& name, uint32_t size) {
  return size >= 6 && m_memory.Create(name, size) == 0;
}

void CMappedString::Set(const std::wstring& text) {
  if (!m_memory.IsOpen()) return;
  const std::string units = StoredUnits(text, GetMaxLength());
  unsigned char* view = m_memory.Data();
  std::memcpy(view, units.data(), units.size());
  view[units.size()] = 0;
  view[units.size() + 1] = 0;
}

std::wstring CMappedString::Get() const {
  if (!m_memory.IsOpen()) return std::wstring();
  const unsigned char* view = m_memory.Data();
  const size_t limit = m_memory.Size() / 2;
  size_t count = 0;
  while (count < limit && (view[2 * count] != 0 || view[2 * count + 1] != 0)) ++count;
  return Utf16LeToWide(std::string(reinterpret_cast<const char*>(view), 2 * count));
}

bool CMappedString::IsEmpty() const {
  return !m_memory.IsOpen() || (m_memory.Data()[0] == 0 && m_memory.Data()[1] == 0);
}

void CMappedString::Clear() {
  if (m_memory.IsOpen()) std::memset(m_memory.Data(), 0, m_memory.Size());
}

bool CMappedString::ClearIf(const std::wstring& text) {
  if (!m_memory.IsOpen()) return false;
  const std::string units = StoredUnits(text, GetMaxLength());
  const unsigned char* view = m_memory.Data();
  if (std::memcmp(view, units.data(), units.size()) != 0 || view[units.size()] != 0 ||
      view[units.size() + 1] != 0)
    return false;
  Clear();
  return true;
}

}  // namespace ferrow
