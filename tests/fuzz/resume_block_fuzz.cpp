// Any bytes at the end of a temporary download file: the input is written behind a data area
// (as long as the Size the input's block names, when that is plausible) and the file is opened
// as a resume block. A file whose length cannot hold a block must be refused; a block taken as
// valid must cover its Size with its parts exactly once, stay valid while a part advances, and
// compare as the same download exactly when its URL is whole and it sits where its Size puts
// it. A block of the current version is also tried as version 1, which has no checksum, so
// that mutated part tables get past the checksum to the checks behind it.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "download/resume_block.h"
#include "platform/file.h"
#include "platform/text.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

using namespace ferrow;
using Fit = CResumeBlock::Fit;

constexpr size_t kVersionOffset = 16;
constexpr size_t kUrlOffset = 20;
constexpr size_t kUrlBytes = 8192;
constexpr size_t kSizeOffset = 8216;
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

void CheckFile(const uint8_t* data, size_t size) {
  // The block is the input's last bytes; its Size decides the data area before the input.
  const uint8_t* block = size >= kResumeBlockSize ? data + size - kResumeBlockSize : nullptr;
  uint64_t dataArea = 0;
  if (block && Read64(block + kSizeOffset) <= kLargestDataArea)
    dataArea = CResumeBlock::DataAreaLength(Read64(block + kSizeOffset));
  {
    CFile file;
    FUZZ_CHECK(file.Open(LocalToWide(g_path), CFile::Mode::kCreate) == 0);
    FUZZ_CHECK(file.SetLength(dataArea) == 0);
    FUZZ_CHECK(size == 0 || file.WriteAt(dataArea, data, size) == 0);
  }
  const uint64_t length = dataArea + size;

  CResumeBlock resume;
  const bool opened = resume.OpenExisting(LocalToWide(g_path)) == 0;
  FUZZ_CHECK(opened == (length >= kResumeBlockSize &&
                        (length - kResumeBlockSize) % kMappingGranularity == 0));
  if (!opened) return;

  const std::wstring url = resume.Url();
  const std::wstring tag = resume.EntityTag();
  FUZZ_CHECK(url.size() <= kResumeBlockUrlLength);
  const Fit fit = resume.Compare(url, resume.Size(), resume.Date(), tag);
  if (!resume.IsValid()) {
    FUZZ_CHECK(fit != Fit::kMatches);
    return;
  }
  // A valid block's entries lie within the file and leave no byte of it out, in whatever
  // order re-splitting wrote them (overlaps are allowed). Checked here the slow way: every
  // entry's end, and the file's start, must lie inside some entry or at the file's end.
  const uint64_t fileSize = resume.Size();
  FUZZ_CHECK(resume.Parts() >= 1 && resume.Parts() <= kMaxParts);
  const auto inSomeEntry = [&](uint64_t offset) {
    if (offset == fileSize) return true;
    for (int32_t j = 0; j < resume.Parts(); ++j)
      if (resume.PartStart(j) <= offset && offset < resume.PartStart(j) + resume.PartLength(j))
        return true;
    return false;
  };
  FUZZ_CHECK(inSomeEntry(0));
  for (int32_t i = 0; i < resume.Parts(); ++i) {
    FUZZ_CHECK(resume.PartStart(i) <= fileSize);
    FUZZ_CHECK(resume.PartLength(i) <= fileSize - resume.PartStart(i));
    FUZZ_CHECK(resume.PartDone(i) <= resume.PartLength(i));
    FUZZ_CHECK(inSomeEntry(resume.PartStart(i) + resume.PartLength(i)));
  }

  // The URL as read, compared as the worker compares it (a URL that fills the field to its
  // last character is cut by rules of its own and left out here).
  const uint8_t* field = block + kUrlOffset;
  const size_t stored = WideToUtf16Le(url).size();
  if (stored + 4 < kUrlBytes) {
    const bool whole = field[stored] == 0 && field[stored + 1] == 0;
    const bool inPlace = length == CResumeBlock::FileLength(fileSize);
    FUZZ_CHECK(fit == (!whole ? Fit::kForeign : inPlace ? Fit::kMatches : Fit::kDamaged));
  }
  if (fit == Fit::kMatches) {
    FUZZ_CHECK(resume.Compare(url, fileSize + 1, resume.Date(), tag) == Fit::kChanged);
  }

  // A part that advances keeps the block valid (its checksum follows the counter).
  resume.SetPartDone(0, resume.PartLength(0));
  FUZZ_CHECK(resume.IsValid());
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
  CheckFile(data, size);
  if (size != kResumeBlockSize || data[kVersionOffset] != kResumeBlockVersion) return 0;
  std::vector<uint8_t> older(data, data + size);
  const uint8_t one[4] = {1, 0, 0, 0};
  std::memcpy(older.data() + kVersionOffset, one, sizeof one);
  CheckFile(older.data(), older.size());
  return 0;
}
