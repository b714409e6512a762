// Any bytes at the end of a temporary download file: the input is written behind a data area
// (as long as the Size the input's block would name, when that is plausible) and the file is
// opened as a resume block. A file whose length cannot hold a block must be refused; a block
// taken as valid must describe parts inside the file's Size; a block that is valid, sits where
// its Size puts it and names a URL must match that URL, Size and Date.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "download/resume_block.h"
#include "platform/file.h"
#include "platform/text.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

using namespace ferrow;

constexpr size_t kSizeOffset = 8216;
constexpr size_t kUrlOffset = 20;
constexpr uint64_t kLargestDataArea = uint64_t{1} << 30;  // sparse, so cheap to make

std::string g_path;

void RemoveFile() {
  ::unlink(g_path.c_str());
}

uint64_t Read64(const uint8_t* p) {
  uint64_t value = 0;
  for (int i = 7; i >= 0; --i) value = value << 8 | p[i];
  return value;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const char* folder = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
  g_path = std::string(folder) + "/ferrow-resume-fuzz-" + std::to_string(::getpid()) + ".fr";
  std::atexit(RemoveFile);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 2 * kResumeBlockSize) return 0;
  // The block is the input's last bytes; its Size decides the data area before the input.
  const uint8_t* blockBytes = size >= kResumeBlockSize ? data + size - kResumeBlockSize : nullptr;
  uint64_t dataArea = 0;
  if (blockBytes && Read64(blockBytes + kSizeOffset) <= kLargestDataArea)
    dataArea = CResumeBlock::DataAreaLength(Read64(blockBytes + kSizeOffset));
  {
    CFile file;
    FUZZ_CHECK(file.Open(LocalToWide(g_path), CFile::Mode::kCreate) == 0);
    FUZZ_CHECK(file.SetLength(dataArea) == 0);
    FUZZ_CHECK(size == 0 || file.WriteAt(dataArea, data, size) == 0);
  }
  const uint64_t length = dataArea + size;

  CResumeBlock block;
  const bool opened = block.OpenExisting(LocalToWide(g_path)) == 0;
  FUZZ_CHECK(opened == (length >= kResumeBlockSize &&
                        (length - kResumeBlockSize) % kMappingGranularity == 0));
  if (!opened) return 0;

  const std::wstring url = block.Url();
  FUZZ_CHECK(url.size() <= kResumeBlockUrlLength);
  if (!block.IsValid()) {
    FUZZ_CHECK(!block.Matches(url, block.Size(), block.Date()));
    return 0;
  }
  const uint64_t fileSize = block.Size();
  FUZZ_CHECK(block.Parts() >= 1 && block.Parts() <= kMaxParts);
  for (int32_t i = 0; i < block.Parts(); ++i) {
    FUZZ_CHECK(block.PartStart(i) <= fileSize);
    FUZZ_CHECK(block.PartLength(i) <= fileSize - block.PartStart(i));
    FUZZ_CHECK(block.PartDone(i) <= block.PartLength(i));
  }

  // The URL the block names, read back and compared as the worker compares it.
  const uint8_t* field = blockBytes + kUrlOffset;
  const size_t stored = WideToUtf16Le(url).size();
  const bool terminated = stored + 1 < 8192 && field[stored] == 0 && field[stored + 1] == 0;
  const bool inPlace = length == CResumeBlock::FileLength(fileSize);
  FUZZ_CHECK(block.Matches(url, fileSize, block.Date()) == (terminated && inPlace));
  return 0;
}
