#pragma once
// Which byte ranges the parts of a download fetch: how a file is split into parts, the part
// table carried between the resume block and the descriptions, and, while the parts run, how
// ranges move between them. Planning only: nothing here talks to a server, so that the protocol
// clients never learn about ranges beyond the one they are asked for.
//
// A transfer keeps its descriptions in one table of kMaxParts + 1: the master first, then part
// i at 1 + i (CFileTransfer builds it so). Every part's Master() is the first element.
//
// While the parts run, one plan object holds the temporary file's block and the live end of
// every range. Ranges move between parts in two ways, both written to the block in an order
// that a kill at any moment leaves harmless (an overlap, settled on the next start, never a
// gap):
// - TakeOver: a part that has finished its range takes the back of the largest remaining range
//   of a running part as a new entry. The new entry is written first, the old part's end is
//   shortened second; the running part learns its new end before its next write.
// - GiveBack, then TakeOver or Extend: a part that cannot go on leaves its range unowned
//   while another part still works. Refused as one connection too many (503, 429), it is
//   taken whole by the next part that finishes (the download then runs on the connections the
//   server allows); where the server ignored the range, the part before it, whose stream runs
//   on past its own end, joins it (its end is moved out first, the unowned entry emptied
//   second).
//
// Locking: one lock (m_lock) guards the block and the range table; it is held only for the
// bookkeeping of one write or one move, never across a file write or a network call. Part
// threads call Reserve/Commit for their own range; any part thread may call TakeOver, Extend
// and GiveBack. Lock order: the plan before a description (the descriptions' own locks nest
// inside).
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "download/resume_block.h"
#include "platform/clock.h"
#include "platform/critical_section.h"
#include "platform/error_code.h"

namespace ferrow {

class COrderedOutput;
class CTransferInfo;

class CSegmentPlan {
 public:
  // A range is split only when the taker gets at least kMinSplitBytes and the running part
  // would need at least kMinSplitMilliseconds more for what it gives away: below that a new
  // request costs more than it saves. The running part keeps at least kMinSplitBytes, or
  // nothing when its rate is known (then what it keeps would only arrive after the taker's).
  // Measured by bench/ (half the connections slow, a server sending in one-second bursts):
  // 128 KiB left each slow part a tail of up to a second, 32 KiB none worth waiting for; the
  // time keeps fast parts whole, where a request would cost more than it saves.
  static constexpr uint64_t kMinSplitBytes = 32 * 1024;
  static constexpr int64_t kMinSplitMilliseconds = 200;

  // The number of parts to use for a "MaxThreads" value: 1..64.
  static int32_t ClampParts(int32_t maxThreads);
  // Splits size bytes into parts ranges by integer division; the last takes the remainder.
  static void SplitParts(uint64_t size, int32_t parts, uint64_t* starts, uint64_t* lengths);

  // Part index (0..63) of the transfer whose master this is.
  static CTransferInfo* PartOf(CTransferInfo* master, int32_t index);
  // Copies the block's part table into the descriptions. Parts beyond the table are emptied, so
  // a layout with fewer parts than an earlier one leaves nothing behind.
  static void CopyPartTable(const CResumeBlock& block, CTransferInfo* master);
  // The parts that still miss bytes, in index order.
  static std::vector<int32_t> UnfinishedParts(CTransferInfo* master);

  // The live plan of one run of the parts. The clock must outlive it.
  explicit CSegmentPlan(CTransferInfo* master, const IClock& clock = SystemClock());
  CSegmentPlan(const CSegmentPlan&) = delete;
  CSegmentPlan& operator=(const CSegmentPlan&) = delete;

  // Maps the block of the temporary file, settles what a kill in the middle of a move left,
  // and copies the table into the descriptions.
  ErrorValue Open(const std::wstring& temporaryFile);
  // The same through the handle the transfer holds on its temporary file.
  ErrorValue Open(const CFile& temporaryFile);
  // Takes over a block the transfer has just laid out or checked, mapped already.
  ErrorValue Open(CResumeBlock&& block);
  // Writes bytes of the download through the temporary file's handle (parts share it: the
  // writes go to their own offsets).
  ErrorValue WriteData(uint64_t offset, const char* data, size_t size) {
    return m_block.WriteData(offset, data, size);
  }
  // Without a temporary file: the parts write into the stream, the table (as the descriptions
  // hold it) lives only in memory, and no range is taken over (a range's back is the farthest
  // from the stream's window, so its taker would only wait).
  void OpenOutput(COrderedOutput& output);
  void Close();
  COrderedOutput* Output() const { return m_output; }
  int32_t Parts();
  // The part's first byte.
  uint64_t Start(int32_t index);

  // The part works on its range (a thread runs for it) or no longer does. A part that works
  // may lose the back of its range to another; one that does not may be joined by the part
  // before it after GiveBack.
  void SetWorking(int32_t index, bool working);
  // The byte the part writes next and how many it may write of size bytes (0 when its range is
  // complete). The bytes stay the part's even if its range is split meanwhile; Commit counts
  // them once they are on disk.
  uint64_t Reserve(int32_t index, size_t size, size_t& count);
  void Commit(int32_t index, size_t count);
  // Bytes of the part's range not yet reserved.
  uint64_t Remaining(int32_t index);
  // The part's end (exclusive) as it stands now.
  uint64_t End(int32_t index);
  // Forgets the part's progress (a server that cannot continue at an offset starts again).
  void Restart(int32_t index);

  // The idle part takes a range given back (whole, the part of that index going on where it
  // stopped), else the back of the running range that has the most time left when that is
  // worth a new request; returns the index of the part to run next, or -1 when nothing is
  // worth taking or the table is full (the idle part's thread then ends). Never for a server
  // that cannot continue at an offset.
  int32_t TakeOver(int32_t idle);
  // The part gives up its range so that another part fetches it: false, and nothing changes,
  // when no other part works (the part must go on with it itself). A range given back is
  // never lost: every part that finishes asks TakeOver before its thread ends.
  bool GiveBack(int32_t index);
  // The part, at the end of its range and still reading a stream that goes on, joins the
  // given-back range that starts where its own ends (nothing of it fetched yet). True when its
  // range grew.
  bool Extend(int32_t index);

  CResumeBlock& Block() { return m_block; }

 private:
  struct Range {
    uint64_t start = 0;
    uint64_t end = 0;       // exclusive; moves down when another part takes the back
    uint64_t done = 0;      // on disk and counted in the block
    uint64_t reserved = 0;  // handed to the writer, done included
    bool working = false;
    bool givenBack = false;
    int64_t since = 0;       // counter when the part began working on the range
    uint64_t doneSince = 0;  // done at that moment
    int64_t lastRate = -1;   // bytes per second on the part's last finished range
  };
  // Checks the block just opened, settles what a kill left and copies the table; under the lock.
  ErrorValue Adopt(bool checked = false);
  // Bytes per second of a working range since it began; -1 when too early to tell.
  int64_t RateOf(const Range& range, int64_t now) const;
  void Publish(int32_t index);

  CTransferInfo* m_master;
  const IClock& m_clock;
  CCriticalSection m_lock;
  CResumeBlock m_block;
  COrderedOutput* m_output = nullptr;
  std::array<Range, kMaxParts> m_ranges{};
  int32_t m_parts = 0;
};

}  // namespace ferrow
