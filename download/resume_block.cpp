#include "download/resume_block.h"

#include <cstring>
#include <vector>

#include "platform/text.h"

namespace ferrow {

namespace {

constexpr size_t kMagicOffset = 4;
constexpr size_t kVersionOffset = 16;
constexpr size_t kUrlOffset = 20;
constexpr size_t kUrlBytes = 8192;
constexpr size_t kSizeOffset = 8216;
constexpr size_t kDateOffset = 8224;
constexpr size_t kPartsOffset = 8232;
constexpr size_t kStartsOffset = 8240;
constexpr size_t kLengthsOffset = 8752;
constexpr size_t kDoneOffset = 9264;

// "FRTD" and a terminating zero, in UTF-16LE.
constexpr unsigned char kMagic[10] = {'F', 0, 'R', 0, 'T', 0, 'D', 0, 0, 0};

// The URL as the block stores it: UTF-16LE, cut to the block's length without splitting a
// surrogate pair.
std::string StoredUrlBytes(const std::wstring& url) {
  std::string bytes = WideToUtf16Le(url);
  size_t limit = kResumeBlockUrlLength * 2;
  if (bytes.size() > limit) {
    bytes.resize(limit);
    auto last = static_cast<unsigned char>(bytes[limit - 1]);
    if (last >= 0xD8 && last <= 0xDB) bytes.resize(limit - 2);  // a lone high surrogate
  }
  return bytes;
}

}  // namespace

uint64_t CResumeBlock::DataAreaLength(uint64_t size) {
  return (size + kMappingGranularity - 1) / kMappingGranularity * kMappingGranularity;
}

uint64_t CResumeBlock::FileLength(uint64_t size) {
  return DataAreaLength(size) + kResumeBlockSize;
}

void CResumeBlock::SplitParts(uint64_t size, int32_t parts, uint64_t* starts, uint64_t* lengths) {
  uint64_t n = static_cast<uint64_t>(parts);
  uint64_t length = size / n;
  for (uint64_t i = 0; i < n; ++i) {
    starts[i] = i * length;
    lengths[i] = i + 1 < n ? length : size - (n - 1) * length;
  }
}

ErrorValue CResumeBlock::OpenExisting(const std::wstring& path) {
  Close();
  if (ErrorValue error = m_file.Open(path, CFile::Mode::kReadWrite)) return error;
  uint64_t length = 0;
  ErrorValue error = m_file.GetLength(length);
  if (error == 0 &&
      (length < kResumeBlockSize || (length - kResumeBlockSize) % kMappingGranularity != 0)) {
    error = MakeError(kCategorySystem, SystemCode::kInvalidParameter);
  }
  if (error == 0) error = m_mapping.Map(m_file, length - kResumeBlockSize, kResumeBlockSize);
  if (error != 0) Close();
  return error;
}

ErrorValue CResumeBlock::Create(const std::wstring& path, const std::wstring& url, uint64_t size,
                                uint64_t date, int32_t parts) {
  Close();
  if (ErrorValue error = m_file.Open(path, CFile::Mode::kCreate)) return error;
  uint64_t blockOffset = DataAreaLength(size);
  // The data area stays a hole until the parts write it; the block itself gets real disk
  // space now, so that touching the mapping can never fault for want of space.
  static const std::vector<char> zeros(kResumeBlockSize, 0);
  ErrorValue error = m_file.WriteAt(blockOffset, zeros.data(), zeros.size());
  if (error == 0) error = m_mapping.Map(m_file, blockOffset, kResumeBlockSize);
  if (error != 0) {
    Close();
    return error;
  }
  std::memcpy(m_mapping.Data() + kMagicOffset, kMagic, sizeof(kMagic));
  Write32(kVersionOffset, kResumeBlockVersion);
  WriteUrl(url);
  Write64(kSizeOffset, size);
  Write64(kDateOffset, date);
  LayOut(parts);
  return 0;
}

void CResumeBlock::Close() {
  m_mapping.Unmap();
  m_file.Close();
}

bool CResumeBlock::IsValid() const {
  if (!IsOpen() || std::memcmp(m_mapping.Data() + kMagicOffset, kMagic, 4) != 0) return false;
  int32_t parts = Parts();
  if (parts < 1 || parts > kMaxParts) return false;
  uint64_t size = Size();
  for (int32_t i = 0; i < parts; ++i) {
    uint64_t start = PartStart(i);
    uint64_t length = PartLength(i);
    // A damaged table must never make a part write outside the data area.
    if (start > size || length > size - start || PartDone(i) > length) return false;
  }
  return true;
}

bool CResumeBlock::Matches(const std::wstring& url, uint64_t size, uint64_t date) const {
  if (!IsValid() || Size() != size || Date() != date) return false;
  // The file's own length must fit the Size, or the block is not where it belongs.
  uint64_t length = 0;
  if (m_file.GetLength(length) != 0 || length != FileLength(size)) return false;
  std::string stored = StoredUrlBytes(url);
  const unsigned char* field = m_mapping.Data() + kUrlOffset;
  return std::memcmp(field, stored.data(), stored.size()) == 0 && field[stored.size()] == 0 &&
         field[stored.size() + 1] == 0;
}

void CResumeBlock::LayOut(int32_t parts) {
  uint64_t starts[kMaxParts] = {};
  uint64_t lengths[kMaxParts] = {};
  SplitParts(Size(), parts, starts, lengths);
  Write32(kPartsOffset, static_cast<uint32_t>(parts));
  for (int32_t i = 0; i < kMaxParts; ++i) {
    Write64(kStartsOffset + 8 * i, starts[i]);
    Write64(kLengthsOffset + 8 * i, lengths[i]);
    Write64(kDoneOffset + 8 * i, 0);
  }
}

uint32_t CResumeBlock::Version() const {
  return Read32(kVersionOffset);
}

std::wstring CResumeBlock::Url() const {
  const auto* field = reinterpret_cast<const char*>(m_mapping.Data() + kUrlOffset);
  size_t length = 0;
  while (length + 1 < kUrlBytes && (field[length] != 0 || field[length + 1] != 0)) length += 2;
  return Utf16LeToWide(std::string_view(field, length));
}

uint64_t CResumeBlock::Size() const {
  return Read64(kSizeOffset);
}
uint64_t CResumeBlock::Date() const {
  return Read64(kDateOffset);
}
int32_t CResumeBlock::Parts() const {
  return static_cast<int32_t>(Read32(kPartsOffset));
}
uint64_t CResumeBlock::PartStart(int32_t index) const {
  return Read64(kStartsOffset + 8 * index);
}
uint64_t CResumeBlock::PartLength(int32_t index) const {
  return Read64(kLengthsOffset + 8 * index);
}
uint64_t CResumeBlock::PartDone(int32_t index) const {
  return Read64(kDoneOffset + 8 * index);
}

void CResumeBlock::SetPartDone(int32_t index, uint64_t done) {
  Write64(kDoneOffset + 8 * index, done);
}

ErrorValue CResumeBlock::Flush() {
  return m_mapping.Flush();
}

uint32_t CResumeBlock::Read32(size_t offset) const {
  const unsigned char* p = m_mapping.Data() + offset;
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

uint64_t CResumeBlock::Read64(size_t offset) const {
  return static_cast<uint64_t>(Read32(offset)) | static_cast<uint64_t>(Read32(offset + 4)) << 32;
}

void CResumeBlock::Write32(size_t offset, uint32_t value) {
  unsigned char* p = m_mapping.Data() + offset;
  for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(value >> (8 * i));
}

void CResumeBlock::Write64(size_t offset, uint64_t value) {
  Write32(offset, static_cast<uint32_t>(value));
  Write32(offset + 4, static_cast<uint32_t>(value >> 32));
}

void CResumeBlock::WriteUrl(const std::wstring& url) {
  std::string bytes = StoredUrlBytes(url);
  unsigned char* field = m_mapping.Data() + kUrlOffset;
  std::memset(field, 0, kUrlBytes);
  std::memcpy(field, bytes.data(), bytes.size());
}

}  // namespace ferrow
