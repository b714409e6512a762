#include "shell/frame_layout.h"

#include <vector>

#include "shell/registry.h"

namespace ferrow {
namespace {

constexpr const wchar_t* kWindowRect = L"WindowRect";
constexpr const wchar_t* kMaximized = L"Maximized";
constexpr const wchar_t* kShowToolBar = L"ShowToolBar";
constexpr const wchar_t* kShowStatusBar = L"ShowStatusBar";
constexpr const wchar_t* kShowSwitchBar = L"ShowSwitchBar";

void ReadFlag(const CRegistry& registry, const wchar_t* name, bool& flag) {
  uint32_t value = 0;
  if (registry.ReadDword(name, value)) flag = value != 0;
}

int32_t Number(const std::vector<uint8_t>& bytes, size_t index) {
  uint32_t value = 0;
  for (int b = 3; b >= 0; --b) value = (value << 8) | bytes[index * 4 + static_cast<size_t>(b)];
  return static_cast<int32_t>(value);
}

}  // namespace

bool FrameLayout::Load() {
  const CRegistry registry(RegistryNames::kLayoutFrame, CRegistry::kRead);
  if (!registry.IsOpen()) return false;
  std::vector<uint8_t> bytes;
  if (registry.ReadBinary(kWindowRect, bytes) && bytes.size() == 16) {
    const int32_t l = Number(bytes, 0), t = Number(bytes, 1);
    const int32_t r = Number(bytes, 2), b = Number(bytes, 3);
    const auto inRange = [](int32_t v) { return v > -kMaxExtent && v < kMaxExtent; };
    if (inRange(l) && inRange(t) && inRange(r) && inRange(b) && r > l && b > t) {
      left = l;
      top = t;
      right = r;
      bottom = b;
      hasRect = true;
    }
  }
  ReadFlag(registry, kMaximized, maximized);
  ReadFlag(registry, kShowToolBar, showToolBar);
  ReadFlag(registry, kShowStatusBar, showStatusBar);
  ReadFlag(registry, kShowSwitchBar, showSwitchBar);
  return true;
}

void FrameLayout::Save() const {
  CRegistry registry(RegistryNames::kLayoutFrame, CRegistry::kWrite);
  if (hasRect) {
    std::vector<uint8_t> bytes;
    for (int32_t v : {left, top, right, bottom})
      for (int b = 0; b < 4; ++b)
        bytes.push_back(static_cast<uint8_t>((static_cast<uint32_t>(v) >> (8 * b)) & 0xFF));
    registry.WriteBinary(kWindowRect, bytes.data(), bytes.size());
  }
  registry.WriteDword(kMaximized, maximized ? 1 : 0);
  registry.WriteDword(kShowToolBar, showToolBar ? 1 : 0);
  registry.WriteDword(kShowStatusBar, showStatusBar ? 1 : 0);
  registry.WriteDword(kShowSwitchBar, showSwitchBar ? 1 : 0);
}

}  // namespace ferrow
