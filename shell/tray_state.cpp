#include "shell/tray_state.h"

namespace ferrow {

bool CTrayState::Show(bool visible) {
  if (visible == m_visible) return false;
  m_visible = visible;
  return Changed();
}

bool CTrayState::SetTip(const std::wstring& tip) {
  const std::wstring shown = tip.substr(0, kMaxTipLength);
  if (shown == m_tip) return false;
  m_tip = shown;
  return Changed();
}

bool CTrayState::SetFrame(int index) {
  if (index < 0) index = -1;
  if (index == m_frame) return false;
  m_frame = index;
  return Changed();
}

void CTrayState::SetAnimation(int first, int last) {
  m_firstFrame = first < 0 ? 0 : first;
  m_lastFrame = last < m_firstFrame ? m_firstFrame : last;
}

bool CTrayState::Tick() {
  const int next = m_frame < m_firstFrame || m_frame >= m_lastFrame ? m_firstFrame : m_frame + 1;
  return SetFrame(next);
}

}  // namespace ferrow
