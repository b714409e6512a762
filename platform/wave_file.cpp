#include "platform/wave_file.h"

#include <fstream>

#include "platform/text.h"

namespace ferrow {
namespace {

constexpr uint16_t kFormatPcm = 1;
constexpr uint16_t kFormatFloat = 3;
constexpr uint16_t kFormatExtensible = 0xFFFE;

uint32_t Read16(const std::string& bytes, size_t at) {
  return static_cast<uint8_t>(bytes[at]) | static_cast<uint8_t>(bytes[at + 1]) << 8;
}

uint32_t Read32(const std::string& bytes, size_t at) {
  return Read16(bytes, at) | Read16(bytes, at + 2) << 16;
}

}  // namespace

bool CWaveFile::Load(const std::wstring& path) {
  std::ifstream in(WideToLocal(path), std::ios::binary);
  if (!in) return false;
  std::string bytes(kMaxSize + 1, '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  const auto got = static_cast<size_t>(in.gcount());
  if (got > kMaxSize) return false;
  bytes.resize(got);
  return Parse(bytes);
}

bool CWaveFile::Parse(const std::string& bytes) {
  m_samples.clear();
  m_frameSize = 0;
  if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 4, "WAVE") != 0)
    return false;
  bool haveFormat = false;
  size_t at = 12;
  while (at + 8 <= bytes.size()) {
    const std::string id = bytes.substr(at, 4);
    const size_t size = Read32(bytes, at + 4);
    const size_t body = at + 8;
    // A data chunk cut short (a file still being written) plays what is there.
    const size_t available = std::min(size, bytes.size() - body);
    if (id == "fmt " && available >= 16) {
      uint16_t tag = static_cast<uint16_t>(Read16(bytes, body));
      m_channels = Read16(bytes, body + 2);
      m_rate = Read32(bytes, body + 4);
      const uint32_t bits = Read16(bytes, body + 14);
      if (tag == kFormatExtensible && available >= 26)
        tag = static_cast<uint16_t>(Read16(bytes, body + 24));  // the sub-format's first field
      if (tag == kFormatPcm && bits == 8)
        m_format = WaveSampleFormat::kUnsigned8;
      else if (tag == kFormatPcm && bits == 16)
        m_format = WaveSampleFormat::kSigned16;
      else if (tag == kFormatPcm && bits == 24)
        m_format = WaveSampleFormat::kSigned24;
      else if (tag == kFormatPcm && bits == 32)
        m_format = WaveSampleFormat::kSigned32;
      else if (tag == kFormatFloat && bits == 32)
        m_format = WaveSampleFormat::kFloat32;
      else
        return false;
      if (m_channels == 0 || m_channels > 32 || m_rate == 0 || m_rate > 384000) return false;
      m_frameSize = m_channels * (bits / 8);
      haveFormat = true;
    } else if (id == "data") {
      if (!haveFormat) return false;
      m_samples = bytes.substr(body, available - available % m_frameSize);
      return !m_samples.empty();
    }
    at = body + size + (size & 1);  // chunks are padded to an even length
  }
  return false;
}

}  // namespace ferrow
