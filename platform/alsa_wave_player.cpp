#include "platform/alsa_wave_player.h"

#include <alsa/asoundlib.h>

#include <chrono>
#include <cstdarg>
#include <mutex>
#include <thread>

#include "platform/wave_file.h"

namespace ferrow {
namespace {

// libasound prints its complaints (no card, no configuration) to standard error; a missing
// sound device is normal for us and not worth a word.
void QuietErrors(const char*, int, const char*, int, const char*, ...) {}

snd_pcm_format_t AlsaFormat(WaveSampleFormat format) {
  switch (format) {
    case WaveSampleFormat::kUnsigned8:
      return SND_PCM_FORMAT_U8;
    case WaveSampleFormat::kSigned16:
      return SND_PCM_FORMAT_S16_LE;
    case WaveSampleFormat::kSigned24:
      return SND_PCM_FORMAT_S24_3LE;
    case WaveSampleFormat::kSigned32:
      return SND_PCM_FORMAT_S32_LE;
    case WaveSampleFormat::kFloat32:
      return SND_PCM_FORMAT_FLOAT_LE;
  }
  return SND_PCM_FORMAT_UNKNOWN;
}

class Device {
 public:
  explicit Device(snd_pcm_t* pcm) : m_pcm(pcm) {}
  ~Device() {
    snd_pcm_drop(m_pcm);
    snd_pcm_close(m_pcm);
  }
  Device(const Device&) = delete;
  Device& operator=(const Device&) = delete;
  snd_pcm_t* Get() const { return m_pcm; }

 private:
  snd_pcm_t* m_pcm;
};

constexpr unsigned kLatencyMicroseconds = 100000;
constexpr int kPollMilliseconds = 20;

}  // namespace

CAlsaWavePlayer::CAlsaWavePlayer() {
  static std::once_flag once;
  std::call_once(once, [] { snd_lib_error_set_handler(QuietErrors); });
}

bool CAlsaWavePlayer::Play(const std::wstring& path, const ManualResetEvent& stop) {
  CWaveFile wave;
  if (path.empty() || stop.IsSet() || !wave.Load(path)) return false;
  snd_pcm_t* pcm = nullptr;
  // Not waiting: a device that another program holds is skipped rather than waited for.
  if (snd_pcm_open(&pcm, "default", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0) return false;
  Device device(pcm);
  if (snd_pcm_set_params(pcm, AlsaFormat(wave.GetFormat()), SND_PCM_ACCESS_RW_INTERLEAVED,
                         wave.GetChannels(), wave.GetRate(), 1, kLatencyMicroseconds) < 0)
    return false;

  const char* data = wave.GetSamples().data();
  snd_pcm_uframes_t left = wave.GetFrameCount();
  while (left > 0) {
    if (stop.IsSet()) return false;
    const snd_pcm_sframes_t written = snd_pcm_writei(pcm, data, left);
    if (written == -EAGAIN) {
      snd_pcm_wait(pcm, kPollMilliseconds);
      continue;
    }
    if (written < 0) {
      if (snd_pcm_recover(pcm, static_cast<int>(written), 1) < 0) return false;
      continue;
    }
    data += static_cast<size_t>(written) * wave.GetFrameSize();
    left -= static_cast<snd_pcm_uframes_t>(written);
  }
  // A sound shorter than the buffer has not reached the start threshold yet.
  if (snd_pcm_state(pcm) == SND_PCM_STATE_PREPARED) snd_pcm_start(pcm);
  // Let the buffered end play out, still listening for a stop; a device that stops counting
  // down cannot hold us longer than the buffer's length and a little more.
  const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  while (!stop.IsSet() && std::chrono::steady_clock::now() < limit) {
    snd_pcm_sframes_t delay = 0;
    if (snd_pcm_state(pcm) != SND_PCM_STATE_RUNNING || snd_pcm_delay(pcm, &delay) < 0 || delay <= 0)
      break;
    std::this_thread::sleep_for(std::chrono::milliseconds(kPollMilliseconds));
  }
  return !stop.IsSet();
}

}  // namespace ferrow
