#pragma once
// The main window's stored placement under "Layout\Frame": "WindowRect" (left, top, right and
// bottom as four 32-bit numbers, binary), "Maximized", "ShowToolBar", "ShowStatusBar" and
// "ShowSwitchBar" (32-bit, 0 or 1). Read when the window is made, written when it goes; a
// value that is missing or does not make sense keeps the default.
#include <cstdint>

namespace ferrow {

struct FrameLayout {
  static constexpr int32_t kMaxExtent = 100000;

  bool hasRect = false;
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
  bool maximized = false;
  bool showToolBar = true;
  bool showStatusBar = true;
  bool showSwitchBar = true;

  // False when nothing was stored yet.
  bool Load();
  void Save() const;
};

}  // namespace ferrow
