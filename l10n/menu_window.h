#pragma once
// The parts of a menu that a language file can retitle: the captions of its top-level items and
// the texts of the items of their submenus (one level deep). Implemented by the windowed program.
#include <cstddef>
#include <cstdint>
#include <string>

namespace ferrow {

class CMenuWindow {
 public:
  virtual ~CMenuWindow() = default;
  virtual size_t GetItemCount() const = 0;
  virtual bool HasSubmenu(size_t position) const = 0;
  virtual void SetItemText(size_t position, const std::wstring& text) = 0;
  virtual size_t GetSubmenuItemCount(size_t position) const = 0;
  virtual uint32_t GetSubmenuItemId(size_t position, size_t item) const = 0;
  virtual void SetSubmenuItemText(size_t position, size_t item, const std::wstring& text) = 0;
};

}  // namespace ferrow
