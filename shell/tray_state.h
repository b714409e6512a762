#pragma once
// What the notification-area icon shows, kept without any window: whether it is shown, its tip
// and the frame of its picture strip. The windowed program mirrors it into its tray icon and
// touches the icon only when a setter reports a change, so a tip set twice updates it once.
// Used on the user-interface thread only.
#include <cstddef>
#include <cstdint>
#include <string>

namespace ferrow {

class CTrayState {
 public:
  // The longest tip the notification area shows.
  static constexpr size_t kMaxTipLength = 127;
  static constexpr int kIdleFrame = 0;
  static constexpr int kBusyFrame = 1;

  // Each setter returns true when what is shown changed.
  bool Show(bool visible);
  // The tip is cut to kMaxTipLength characters; the cut text is compared exactly.
  bool SetTip(const std::wstring& tip);
  // A negative index shows no frame (the state before the first frame is set).
  bool SetFrame(int index);
  // The busy look while transfers run.
  bool SetBusy(bool busy) { return SetFrame(busy ? kBusyFrame : kIdleFrame); }
  // The animation's range; Tick steps the frame from first to last and begins at first again.
  void SetAnimation(int first, int last);
  bool Tick();

  bool IsVisible() const { return m_visible; }
  const std::wstring& GetTip() const { return m_tip; }
  int GetFrame() const { return m_frame; }
  // Grows with every change, for a view that compares instead of listening.
  uint64_t GetRevision() const { return m_revision; }

 private:
  bool Changed() {
    ++m_revision;
    return true;
  }

  bool m_visible = false;
  std::wstring m_tip;
  int m_frame = -1;
  int m_firstFrame = 0;
  int m_lastFrame = 0;
  uint64_t m_revision = 0;
};

}  // namespace ferrow
