#include "shell/sound_manager.h"

#include "platform/folders.h"
#include "shell/sound_list.h"

namespace ferrow {

CSoundManager::CSoundManager(IWavePlayer& player) : m_player(player) {}

CSoundManager::~CSoundManager() {
  Stop();
}

std::wstring CSoundManager::ResolvePath(const std::wstring& file) {
  if (file.empty() || file[0] == L'/') return file;
  std::wstring relative = file;
  // Settings written on Windows name "Sounds\Added.wav".
  for (wchar_t& c : relative)
    if (c == L'\\') c = L'/';
  return GetProgramFolder() + relative;
}

void CSoundManager::Play(SoundEvent event) {
  if (!m_enabled || !*m_enabled || !m_files || m_stop.IsSet()) return;
  std::wstring file;
  // An event without a file (or with an empty one) plays nothing.
  if (!m_files->Lookup(static_cast<uint32_t>(event), file) || file.empty()) return;
  if (!m_started) {
    m_started = m_thread.Start([this] { Run(); });
    if (!m_started) return;
  }
  {
    std::lock_guard<std::mutex> lock(m_lock);
    m_queue.push_back(ResolvePath(file));
  }
  m_signal.Set();
}

void CSoundManager::Stop() {
  m_stop.Set();
  m_signal.Set();
  m_thread.Wait();
  std::lock_guard<std::mutex> lock(m_lock);
  m_queue.clear();
}

void CSoundManager::Run() {
  while (!m_stop.IsSet()) {
    m_signal.Wait(kWaitForever);
    for (;;) {
      std::wstring path;
      {
        std::lock_guard<std::mutex> lock(m_lock);
        if (m_queue.empty()) {
          // Cleared under the lock: a sound queued right now sets it again after this.
          m_signal.Reset();
          break;
        }
        path = std::move(m_queue.front());
        m_queue.pop_front();
      }
      if (m_stop.IsSet()) return;
      m_player.Play(path, m_stop);  // a file that cannot be played is skipped
    }
  }
}

}  // namespace ferrow
