#pragma once
// A RIFF wave file read whole into memory: uncompressed PCM (8, 16, 24 or 32 bits) or 32-bit
// float, any rate and channel count. Files larger than kMaxSize are refused, so a wrong path in
// the settings cannot make the player read gigabytes.
#include <cstddef>
#include <cstdint>
#include <string>

namespace ferrow {

enum class WaveSampleFormat { kUnsigned8, kSigned16, kSigned24, kSigned32, kFloat32 };

class CWaveFile {
 public:
  static constexpr size_t kMaxSize = 16 * 1024 * 1024;

  // False for a missing, unreadable, oversized or malformed file and for compressed formats.
  bool Load(const std::wstring& path);
  bool Parse(const std::string& bytes);

  WaveSampleFormat GetFormat() const { return m_format; }
  uint32_t GetChannels() const { return m_channels; }
  uint32_t GetRate() const { return m_rate; }
  uint32_t GetFrameSize() const { return m_frameSize; }
  const std::string& GetSamples() const { return m_samples; }
  size_t GetFrameCount() const { return m_frameSize ? m_samples.size() / m_frameSize : 0; }

 private:
  WaveSampleFormat m_format = WaveSampleFormat::kSigned16;
  uint32_t m_channels = 0;
  uint32_t m_rate = 0;
  uint32_t m_frameSize = 0;
  std::string m_samples;
};

}  // namespace ferrow
