#pragma once
// The state block at the end of a temporary download file: the file's identity (URL, Size,
// Date) and the part table with each part's done counter. It is always the last 9,776 bytes of
// the file and starts right after the data area (Size rounded up to 65,536 bytes), so it can be
// used through a read-write mapping: an update of a done counter reaches the file without an
// explicit write, and survives the process being killed.
//
// The layout is little-endian with UTF-16 text on every platform, so a file written anywhere
// resumes anywhere:
//   0 reserved (4)  4 magic "FRTD\0" (10)  16 version (4)  20 URL (8192, 4,095 characters and a
//   terminating zero)  8216 Size (8)  8224 Date (8)  8232 parts N (4)  8236 checksum (4)
//   8240 starts (64 × 8)  8752 lengths (64 × 8)  9264 done counters (64 × 8); the gaps are zero.
//
// Version 2 adds two things in bytes that version 1 leaves zero, so either build reads the
// other's blocks: the server's entity tag behind the URL's terminating zero (when the field has
// room for it), and the checksum, which covers every other byte of the block. It is written last
// when the block is laid out and kept current by each done counter update (see Checksum in the
// source). A version 1 block has none and is trusted after the part table's checks alone.
//
// Parts may be re-split while they run (segment_plan.h): an idle connection takes over the back
// of a running part's range as a new entry. The new entry is written before the old one is
// shortened, so the entries always cover the file; where a kill left the two overlapping, the
// next start settles the overlap before any byte is fetched (SettleOverlaps). The entries need
// not be in file order then.
//
// One object belongs to one thread. Several objects may map the same file at once; every change
// of the part table goes through one of them at a time (the transfer's plan holds the lock).
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>

#include "platform/error_code.h"
#include "platform/file.h"
#include "platform/file_mapping.h"

namespace ferrow {

// Entries in the block's part table.
constexpr int32_t kMaxParts = 64;
constexpr size_t kResumeBlockSize = 9776;
constexpr uint32_t kResumeBlockVersion = 2;
// The longest URL the block keeps (longer ones are cut).
constexpr size_t kResumeBlockUrlLength = 4095;

class CResumeBlock {
 public:
  CResumeBlock() = default;
  CResumeBlock(const CResumeBlock&) = delete;
  CResumeBlock& operator=(const CResumeBlock&) = delete;
  CResumeBlock(CResumeBlock&&) noexcept = default;
  CResumeBlock& operator=(CResumeBlock&&) noexcept = default;

  // Size rounded up to a multiple of the mapping granularity: where the block starts.
  static uint64_t DataAreaLength(uint64_t size);
  // The whole length of a temporary file for a download of this size.
  static uint64_t FileLength(uint64_t size);

  // How an existing block relates to a download.
  enum class Fit {
    kMatches,  // the same download: resume it
    kDamaged,  // the magic and URL are there, but the part table or the checksum is wrong
    kChanged,  // the same URL, but the file's Size, Date or entity tag differ
    kForeign,  // no block, or one of another URL
  };

  // Maps the block of an existing temporary file (its last 9,776 bytes), which must be a
  // regular file of this user (a link is never followed). Fails when the file is missing or
  // its length cannot hold a block at an aligned offset.
  ErrorValue OpenExisting(const std::wstring& path);
  // The same through a handle of the temporary file that is open already (a duplicate of it).
  ErrorValue OpenExisting(const CFile& file);
  // Writes bytes of the download's data area through the block's handle.
  ErrorValue WriteData(uint64_t offset, const void* data, size_t size) {
    return m_file.WriteAt(offset, data, size);
  }
  // Creates the temporary file (replacing whatever is at the path, never through a link) with
  // room for the data and the block, maps the block and fills it: identity, N = parts, the
  // split, done counters 0, the checksum last. The block's disk space is written explicitly,
  // so a full disk is reported here and never by a fault when the mapping is touched later.
  // A size the file system cannot hold fails with kFileTooLarge.
  ErrorValue Create(const std::wstring& path, const std::wstring& url, uint64_t size, uint64_t date,
                    int32_t parts, const std::wstring& entityTag = std::wstring());
  // The same in the temporary file open as `file` (a duplicate of the handle), emptied first.
  ErrorValue Create(const CFile& file, const std::wstring& url, uint64_t size, uint64_t date,
                    int32_t parts, const std::wstring& entityTag = std::wstring());
  // The same over an existing regular file of this user whose first `done` bytes are the
  // download's beginning: they are kept and count as done in the first part, and the rest of
  // the file is split among the parts.
  ErrorValue CreateOver(const std::wstring& path, const std::wstring& url, uint64_t size,
                        uint64_t date, int32_t parts, const std::wstring& entityTag, uint64_t done);
  void Close();
  bool IsOpen() const { return m_mapping.IsMapped(); }

  // Kind kMatches when the block was written for this download: a valid block (IsValid) with
  // the exact URL (as stored, cut to the block's length), Size and Date, a file length that
  // fits the Size, and the same entity tag when both the block and the server have one.
  Fit Compare(const std::wstring& url, uint64_t size, uint64_t date,
              const std::wstring& entityTag = std::wstring()) const;
  bool Matches(const std::wstring& url, uint64_t size, uint64_t date) const {
    return Compare(url, size, date) == Fit::kMatches;
  }
  // True when the magic and a known version are there, the parts cover every byte of the
  // block's Size and stay within it, no done counter is past its part, and a version 2 block's
  // checksum is right.
  bool IsValid() const;
  // Where an entry starts inside the part of another entry that has not fetched it yet and
  // both end at the same byte, a re-split (or a join) was cut short by a kill: the earlier part
  // gives that tail to the later entry. Returns how many entries changed.
  int32_t SettleOverlaps();

  // Lays the parts out afresh (done counters 0), keeping the identity; the checksum last.
  void LayOut(int32_t parts);
  // The same with the first `done` bytes already in place: part 0 starts at 0 and has them done,
  // the parts split the rest.
  void LayOutAfter(int32_t parts, uint64_t done);

  uint32_t Version() const;
  std::wstring Url() const;
  // The entity tag stored behind the URL; empty when there is none.
  std::wstring EntityTag() const;
  uint64_t Size() const;
  uint64_t Date() const;
  int32_t Parts() const;
  uint64_t PartStart(int32_t index) const;
  uint64_t PartLength(int32_t index) const;
  uint64_t PartDone(int32_t index) const;
  // Also keeps the checksum current, safely against the other parts doing the same at once.
  void SetPartDone(int32_t index, uint64_t done);
  // Appends an entry (done 0) and counts it in N; the part table must have room (N < 64).
  void AddPart(uint64_t start, uint64_t length);
  // A new length for an entry, at least its done counter.
  void SetPartLength(int32_t index, uint64_t length);

  // Tests: a function called after every change of the part table or a done counter (null:
  // none), to check the block's invariants at every step.
  using UpdateHook = void (*)(const CResumeBlock& block);
  static void SetUpdateHook(UpdateHook hook);

  // Writes the block's changes to the disk now (the system does it anyway in time).
  ErrorValue Flush();

 private:
  uint32_t Read32(size_t offset) const;
  uint64_t Read64(size_t offset) const;
  void Write32(size_t offset, uint32_t value);
  void Write64(size_t offset, uint64_t value);
  void WriteIdentity(const std::wstring& url, const std::wstring& entityTag);
  // Checks the open file's length, reads the block through it and maps it.
  ErrorValue MapExisting();
  // Lays the open file out for the download: its length, the block's disk space, the mapping
  // and every field of the block.
  ErrorValue Fill(const std::wstring& url, uint64_t size, uint64_t date, int32_t parts,
                  const std::wstring& entityTag, uint64_t done);
  bool CoversSize() const;
  // The checksum's hash of every byte but the done counters and itself.
  uint32_t TableHash() const;
  uint32_t Checksum() const;
  // A field of the part table and the value it gets.
  struct TableWrite {
    size_t offset;
    uint64_t value;
    size_t bytes;  // 4 or 8
  };
  // Writes the fields and folds their change into the stored checksum right after: the new
  // hash is worked out on a copy first, so that a kill finds the two apart only within a few
  // stores, not within the time a hash of the block takes.
  void WriteTable(std::initializer_list<TableWrite> writes);
  void Updated() const;
  void WriteChecksum();
  ErrorValue CreateIn(CFile::Mode mode, const std::wstring& path, const std::wstring& url,
                      uint64_t size, uint64_t date, int32_t parts, const std::wstring& entityTag,
                      uint64_t done);

  CFile m_file;
  CFileMapping m_mapping;
};

}  // namespace ferrow
