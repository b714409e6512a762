#include "shell/sound_list.h"

#include "store/xml_node.h"

namespace ferrow {

void CSoundList::Exchange(bool store, CXmlNode& node) {
  if (store) {
    for (const auto& [event, file] : m_files) {
      CXmlNode& sound = node.AddChild(L"Sound");
      sound.AddChild(L"Event", static_cast<int32_t>(event));
      sound.AddChild(L"File", file);
    }
    return;
  }
  m_files.clear();
  for (const CXmlNode& sound : node.GetChildren()) {
    if (sound.GetName() != L"Sound") continue;
    int32_t event = 0;
    std::wstring file;
    // An entry without its event number would silently claim event 0; it is skipped instead.
    if (!sound.GetChild(L"Event", event)) continue;
    sound.GetChild(L"File", file);
    m_files[static_cast<uint32_t>(event)] = file;
  }
}

bool CSoundList::Lookup(uint32_t event, std::wstring& file) const {
  auto it = m_files.find(event);
  if (it == m_files.end()) return false;
  file = it->second;
  return true;
}

void CSoundList::SetDefaults() {
  static const wchar_t* const kDefaults[] = {
      L"Sounds/Added.wav", L"Sounds/Started.wav",  L"Sounds/Completed.wav",
      L"Sounds/Error.wav", L"Sounds/Finished.wav", L"Sounds/Login.wav",
      L"Sounds/Close.wav", L"Sounds/Hangup.wav",   L"Sounds/Shutdown.wav"};
  m_files.clear();
  for (uint32_t event = 0; event < 9; ++event) m_files[event] = kDefaults[event];
}

}  // namespace ferrow
