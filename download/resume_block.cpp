#include "download/resume_block.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstring>
#include <limits>
#include <vector>

#include "download/segment_plan.h"
#include "platform/assert.h"
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
constexpr size_t kChecksumOffset = 8236;
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

// The largest Size whose temporary file the system can address (its length is a signed 64-bit
// file offset).
constexpr uint64_t kMaxSize = static_cast<uint64_t>(std::numeric_limits<int64_t>::max()) -
                              kMappingGranularity - kResumeBlockSize;

// The checksum is a hash of every byte but the done counters and itself, combined by XOR with
// one term per done counter. A part that advances its counter swaps its old term for the new
// one with a single atomic XOR, so the parts never lock each other and the word is right
// whenever no update is half done.
uint32_t HashBytes(const unsigned char* data, size_t length, uint32_t hash) {
  for (size_t i = 0; i < length; ++i) hash = (hash ^ data[i]) * 16777619u;  // FNV-1a
  return hash;
}

uint32_t CounterTerm(int32_t index, uint64_t done) {
  uint64_t x = done + 0x9E3779B97F4A7C15ull * static_cast<uint64_t>(index + 1);
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return static_cast<uint32_t>(x ^ (x >> 31));
}

// The checksum word as it is stored (little-endian) and as the machine reads it.
uint32_t StoredOrder(uint32_t value) {
  if constexpr (std::endian::native == std::endian::big) return __builtin_bswap32(value);
  return value;
}

}  // namespace

uint64_t CResumeBlock::DataAreaLength(uint64_t size) {
  return (size + kMappingGranularity - 1) / kMappingGranularity * kMappingGranularity;
}

uint64_t CResumeBlock::FileLength(uint64_t size) {
  return DataAreaLength(size) + kResumeBlockSize;
}

ErrorValue CResumeBlock::OpenExisting(const std::wstring& path) {
  Close();
  if (ErrorValue error = m_file.Open(path, CFile::Mode::kReadWriteOwned)) return error;
  return MapExisting();
}

ErrorValue CResumeBlock::OpenExisting(const CFile& file) {
  Close();
  if (ErrorValue error = file.Duplicate(m_file)) return error;
  return MapExisting();
}

ErrorValue CResumeBlock::MapExisting() {
  uint64_t length = 0;
  ErrorValue error = m_file.GetLength(length);
  if (error == 0 &&
      (length < kResumeBlockSize || (length - kResumeBlockSize) % kMappingGranularity != 0)) {
    error = MakeError(kCategorySystem, SystemCode::kInvalidParameter);
  }
  if (error == 0) {
    // Read through the file first: a file cut meanwhile gives a short read here, where the
    // mapping would fault.
    std::vector<char> copy(kResumeBlockSize);
    size_t read = 0;
    error = m_file.ReadAt(length - kResumeBlockSize, copy.data(), copy.size(), read);
    if (error == 0 && read != copy.size()) {
      error = MakeError(kCategorySystem, SystemCode::kInvalidParameter);
    }
  }
  if (error == 0) error = m_mapping.Map(m_file, length - kResumeBlockSize, kResumeBlockSize);
  if (error != 0) Close();
  return error;
}

ErrorValue CResumeBlock::Create(const std::wstring& path, const std::wstring& url, uint64_t size,
                                uint64_t date, int32_t parts, const std::wstring& entityTag) {
  return CreateIn(CFile::Mode::kReplace, path, url, size, date, parts, entityTag, 0);
}

ErrorValue CResumeBlock::CreateOver(const std::wstring& path, const std::wstring& url,
                                    uint64_t size, uint64_t date, int32_t parts,
                                    const std::wstring& entityTag, uint64_t done) {
  return CreateIn(CFile::Mode::kReadWriteOwned, path, url, size, date, parts, entityTag, done);
}

ErrorValue CResumeBlock::CreateIn(CFile::Mode mode, const std::wstring& path,
                                  const std::wstring& url, uint64_t size, uint64_t date,
                                  int32_t parts, const std::wstring& entityTag, uint64_t done) {
  Close();
  FERROW_ASSERT(done <= size);
  if (size > kMaxSize) return MakeError(kCategorySystem, SystemCode::kFileTooLarge);
  if (ErrorValue error = m_file.Open(path, mode)) return error;
  return Fill(url, size, date, parts, entityTag, done);
}

ErrorValue CResumeBlock::Create(const CFile& file, const std::wstring& url, uint64_t size,
                                uint64_t date, int32_t parts, const std::wstring& entityTag) {
  Close();
  if (size > kMaxSize) return MakeError(kCategorySystem, SystemCode::kFileTooLarge);
  if (ErrorValue error = file.Duplicate(m_file)) return error;
  return Fill(url, size, date, parts, entityTag, 0);
}

ErrorValue CResumeBlock::Fill(const std::wstring& url, uint64_t size, uint64_t date, int32_t parts,
                              const std::wstring& entityTag, uint64_t done) {
  uint64_t blockOffset = DataAreaLength(size);
  // The data area stays a hole until the parts write it; the block itself gets real disk
  // space now, so that touching the mapping can never fault for want of space.
  static const std::vector<char> zeros(kResumeBlockSize, 0);
  ErrorValue error = m_file.SetLength(done);
  if (error == 0) error = m_file.WriteAt(blockOffset, zeros.data(), zeros.size());
  if (error == 0) error = m_mapping.Map(m_file, blockOffset, kResumeBlockSize);
  if (error != 0) {
    Close();
    return error;
  }
  std::memcpy(m_mapping.Data() + kMagicOffset, kMagic, sizeof(kMagic));
  Write32(kVersionOffset, kResumeBlockVersion);
  WriteIdentity(url, entityTag);
  Write64(kSizeOffset, size);
  Write64(kDateOffset, date);
  LayOutAfter(parts, done);
  return 0;
}

void CResumeBlock::Close() {
  m_mapping.Unmap();
  m_file.Close();
}

// Every byte of the file in a part, every part within the file: a part moved, shortened or
// dropped would otherwise leave a hole that the finished file keeps. Overlaps are harmless
// (their bytes are the same bytes of the same file) and happen when a kill interrupts a
// re-split.
bool CResumeBlock::CoversSize() const {
  int32_t parts = Parts();
  if (parts < 1 || parts > kMaxParts) return false;
  uint64_t size = Size();
  std::vector<std::pair<uint64_t, uint64_t>> ranges;
  for (int32_t i = 0; i < parts; ++i) {
    uint64_t start = PartStart(i);
    uint64_t length = PartLength(i);
    if (start > size || length > size - start || PartDone(i) > length) return false;
    ranges.emplace_back(start, start + length);
  }
  std::sort(ranges.begin(), ranges.end());
  uint64_t next = 0;
  for (const auto& [start, end] : ranges) {
    if (start > next) return false;
    next = std::max(next, end);
  }
  return next == size;
}

int32_t CResumeBlock::SettleOverlaps() {
  int32_t changed = 0;
  const int32_t parts = Parts();
  for (int32_t k = 0; k < parts; ++k) {
    for (int32_t j = 0; j < parts; ++j) {
      if (j == k) continue;
      uint64_t startK = PartStart(k);
      uint64_t endK = startK + PartLength(k);
      uint64_t startJ = PartStart(j);
      uint64_t endJ = startJ + PartLength(j);
      if (startJ >= startK + PartDone(k) && startJ < endK && endJ == endK &&
          (startJ > startK || j > k)) {
        SetPartLength(k, startJ - startK);
        ++changed;
      }
    }
  }
  return changed;
}

bool CResumeBlock::IsValid() const {
  if (!IsOpen() || std::memcmp(m_mapping.Data() + kMagicOffset, kMagic, 4) != 0) return false;
  uint32_t version = Version();
  if (version != 1 && version != kResumeBlockVersion) return false;
  if (!CoversSize()) return false;
  return version == 1 || Read32(kChecksumOffset) == Checksum();
}

CResumeBlock::Fit CResumeBlock::Compare(const std::wstring& url, uint64_t size, uint64_t date,
                                        const std::wstring& entityTag) const {
  if (!IsOpen() || std::memcmp(m_mapping.Data() + kMagicOffset, kMagic, 4) != 0) {
    return Fit::kForeign;
  }
  std::string stored = StoredUrlBytes(url);
  const unsigned char* field = m_mapping.Data() + kUrlOffset;
  if (std::memcmp(field, stored.data(), stored.size()) != 0 || field[stored.size()] != 0 ||
      field[stored.size() + 1] != 0) {
    return Fit::kForeign;
  }
  if (!IsValid()) return Fit::kDamaged;
  std::wstring storedTag = EntityTag();
  if (Size() != size || Date() != date ||
      (!storedTag.empty() && !entityTag.empty() && storedTag != entityTag)) {
    return Fit::kChanged;
  }
  // The file's own length must fit the Size, or the block is not where it belongs.
  uint64_t length = 0;
  if (m_file.GetLength(length) != 0 || length != FileLength(size)) return Fit::kDamaged;
  return Fit::kMatches;
}

void CResumeBlock::LayOut(int32_t parts) {
  LayOutAfter(parts, 0);
}

void CResumeBlock::LayOutAfter(int32_t parts, uint64_t done) {
  uint64_t starts[kMaxParts] = {};
  uint64_t lengths[kMaxParts] = {};
  CSegmentPlan::SplitParts(Size() - done, parts, starts, lengths);
  Write32(kPartsOffset, static_cast<uint32_t>(parts));
  for (int32_t i = 0; i < kMaxParts; ++i) {
    const bool used = i < parts;
    Write64(kStartsOffset + 8 * i, used && i > 0 ? starts[i] + done : 0);
    Write64(kLengthsOffset + 8 * i, lengths[i] + (i == 0 ? done : 0));
    Write64(kDoneOffset + 8 * i, i == 0 ? done : 0);
  }
  WriteChecksum();
  Updated();
}

uint32_t CResumeBlock::TableHash() const {
  const unsigned char* data = m_mapping.Data();
  uint32_t hash = HashBytes(data, kChecksumOffset, 2166136261u);
  return HashBytes(data + kStartsOffset, kDoneOffset - kStartsOffset, hash);
}

uint32_t CResumeBlock::Checksum() const {
  uint32_t hash = TableHash();
  for (int32_t i = 0; i < kMaxParts; ++i) hash ^= CounterTerm(i, PartDone(i));
  return hash;
}

void CResumeBlock::WriteTable(std::initializer_list<TableWrite> writes) {
  const unsigned char* data = m_mapping.Data();
  std::vector<unsigned char> copy(data, data + kDoneOffset);
  for (const TableWrite& write : writes) {
    FERROW_ASSERT((write.bytes == 4 || write.bytes == 8) &&
                  write.offset + write.bytes <= kDoneOffset);
    for (size_t i = 0; i < write.bytes; ++i)
      copy[write.offset + i] = static_cast<unsigned char>(write.value >> (8 * i));
  }
  uint32_t after = HashBytes(copy.data(), kChecksumOffset, 2166136261u);
  after = HashBytes(copy.data() + kStartsOffset, kDoneOffset - kStartsOffset, after);
  const uint32_t change = TableHash() ^ after;
  for (const TableWrite& write : writes) {
    if (write.bytes == 4)
      Write32(write.offset, static_cast<uint32_t>(write.value));
    else
      Write64(write.offset, write.value);
  }
  auto* word = reinterpret_cast<uint32_t*>(m_mapping.Data() + kChecksumOffset);
  std::atomic_ref<uint32_t>(*word).fetch_xor(StoredOrder(change), std::memory_order_relaxed);
}

namespace {
std::atomic<CResumeBlock::UpdateHook> g_updateHook{nullptr};
}  // namespace

void CResumeBlock::SetUpdateHook(UpdateHook hook) {
  g_updateHook.store(hook);
}

void CResumeBlock::Updated() const {
  if (UpdateHook hook = g_updateHook.load(std::memory_order_relaxed)) hook(*this);
}

void CResumeBlock::AddPart(uint64_t start, uint64_t length) {
  const int32_t index = Parts();
  FERROW_ASSERT(index >= 0 && index < kMaxParts);
  if (PartDone(index) != 0) SetPartDone(index, 0);
  WriteTable({{kStartsOffset + 8 * index, start, 8},
              {kLengthsOffset + 8 * index, length, 8},
              {kPartsOffset, static_cast<uint64_t>(index + 1), 4}});
  Updated();
}

void CResumeBlock::SetPartLength(int32_t index, uint64_t length) {
  FERROW_ASSERT(index >= 0 && index < Parts());
  FERROW_ASSERT(length >= PartDone(index));
  WriteTable({{kLengthsOffset + 8 * index, length, 8}});
  Updated();
}

void CResumeBlock::WriteChecksum() {
  Write32(kChecksumOffset, Checksum());
}

uint32_t CResumeBlock::Version() const {
  return Read32(kVersionOffset);
}

namespace {

// Where the UTF-16 text that begins at offset ends: its terminating zero or the field's end.
size_t TextEnd(const unsigned char* field, size_t offset) {
  size_t end = offset;
  while (end + 1 < kUrlBytes && (field[end] != 0 || field[end + 1] != 0)) end += 2;
  return end;
}

std::wstring FieldText(const unsigned char* field, size_t offset) {
  size_t end = TextEnd(field, offset);
  return Utf16LeToWide(
      std::string_view(reinterpret_cast<const char*>(field) + offset, end - offset));
}

}  // namespace

std::wstring CResumeBlock::Url() const {
  return FieldText(m_mapping.Data() + kUrlOffset, 0);
}

std::wstring CResumeBlock::EntityTag() const {
  if (Version() < 2) return std::wstring();
  size_t tag = TextEnd(m_mapping.Data() + kUrlOffset, 0) + 2;
  if (tag >= kUrlBytes) return std::wstring();
  return FieldText(m_mapping.Data() + kUrlOffset, tag);
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
  uint32_t change = CounterTerm(index, PartDone(index)) ^ CounterTerm(index, done);
  Write64(kDoneOffset + 8 * index, done);
  // Parts of one transfer update the same word through their own mappings of the page.
  auto* word = reinterpret_cast<uint32_t*>(m_mapping.Data() + kChecksumOffset);
  std::atomic_ref<uint32_t>(*word).fetch_xor(StoredOrder(change), std::memory_order_relaxed);
  Updated();
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

void CResumeBlock::WriteIdentity(const std::wstring& url, const std::wstring& entityTag) {
  std::string bytes = StoredUrlBytes(url);
  unsigned char* field = m_mapping.Data() + kUrlOffset;
  std::memset(field, 0, kUrlBytes);
  std::memcpy(field, bytes.data(), bytes.size());
  // The entity tag only where it fits whole behind the URL, with its own terminating zero.
  std::string tag = WideToUtf16Le(entityTag);
  if (!tag.empty() && bytes.size() + 2 + tag.size() + 2 <= kUrlBytes) {
    std::memcpy(field + bytes.size() + 2, tag.data(), tag.size());
  }
}

}  // namespace ferrow
