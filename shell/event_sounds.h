#pragma once
// The program's sound events (the keys of the settings' sound list) and whatever plays them.
#include <cstdint>

namespace ferrow {

enum class SoundEvent : uint32_t {
  kAdded = 0,      // a download was added
  kStarted = 1,    // a download started
  kCompleted = 2,  // a download completed
  kError = 3,      // a download failed
  kFinished = 4,   // nothing runs and nothing waits any more
  kLogin = 5,      // a server asks for a login
  kClose = 6,      // the program closes itself after the downloads
  kHangup = 7,     // the program drops the dial-up link after the downloads
  kShutdown = 8,   // the program switches the computer off after the downloads
};

class IEventSounds {
 public:
  virtual ~IEventSounds() = default;
  // Queues the event's sound; never waits for it to play.
  virtual void Play(SoundEvent event) = 0;
};

}  // namespace ferrow
