#pragma once
// Wave playback through ALSA's "default" device, which on a desktop leads to the sound server
// (PipeWire or PulseAudio) and otherwise to the sound card. The device is opened without
// waiting: a busy card or none at all means silence, never a hang.
#include "platform/wave_player.h"

namespace ferrow {

class CAlsaWavePlayer : public IWavePlayer {
 public:
  CAlsaWavePlayer();
  bool Play(const std::wstring& path, const ManualResetEvent& stop) override;
};

}  // namespace ferrow
