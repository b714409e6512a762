#pragma once
// The parts of a dialog window that a language file can retitle: its caption and the texts of
// its child controls, visited in order. Implemented by the windowed program.
#include <cstddef>
#include <cstdint>
#include <string>

namespace ferrow {

class CDialogWindow {
 public:
  virtual ~CDialogWindow() = default;
  virtual void SetCaption(const std::wstring& text) = 0;
  virtual size_t GetChildCount() const = 0;
  virtual uint32_t GetChildId(size_t index) const = 0;
  virtual void SetChildText(size_t index, const std::wstring& text) = 0;
};

}  // namespace ferrow
