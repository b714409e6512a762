#pragma once
// Plays a wave file to the end on the calling thread. The sound manager's thread uses one; tests
// give it a player of their own.
#include <string>

#include "platform/manual_reset_event.h"

namespace ferrow {

class IWavePlayer {
 public:
  virtual ~IWavePlayer() = default;
  // Plays the file and returns when it has been heard, when stop is set (at once), or when it
  // cannot be played (missing file, no sound device, device busy): then false, never a wait.
  virtual bool Play(const std::wstring& path, const ManualResetEvent& stop) = 0;
};

}  // namespace ferrow
