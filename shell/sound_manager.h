#pragma once
// Plays the sound file the settings give each event, one after another on a player thread of
// its own, so that nobody waits for audio. The thread starts with the first sound; with
// "EnableSounds" off nothing is queued and no thread is started.
//
// Threads: Play and SetSettings are called on the thread that owns the settings (the user-
// interface thread); the queue has its own lock, shared with the player thread.
#include <deque>
#include <mutex>
#include <string>

#include "platform/manual_reset_event.h"
#include "platform/thread.h"
#include "platform/wave_player.h"
#include "shell/event_sounds.h"

namespace ferrow {

class CSoundList;

class CSoundManager : public IEventSounds {
 public:
  // The player must outlive the manager.
  explicit CSoundManager(IWavePlayer& player);
  ~CSoundManager() override;
  CSoundManager(const CSoundManager&) = delete;
  CSoundManager& operator=(const CSoundManager&) = delete;

  // The live settings "EnableSounds" and "SoundFiles", which outlive the manager (or null: no
  // sounds).
  void SetSettings(const bool* enabled, const CSoundList* files) {
    m_enabled = enabled;
    m_files = files;
  }
  void Play(SoundEvent event) override;
  // Drops what waits, cuts the playing sound short and ends the thread. Nothing plays after.
  void Stop();
  bool IsThreadRunning() const { return m_thread.IsRunning(); }

  // The path a stored sound file names: relative ones lie in the program folder.
  static std::wstring ResolvePath(const std::wstring& file);

 private:
  void Run();

  IWavePlayer& m_player;
  const bool* m_enabled = nullptr;
  const CSoundList* m_files = nullptr;
  std::mutex m_lock;  // guards the queue
  std::deque<std::wstring> m_queue;
  CThread m_thread;
  ManualResetEvent m_signal;  // the queue has entries
  ManualResetEvent m_stop;
  bool m_started = false;  // only the settings' thread reads and writes it
};

}  // namespace ferrow
