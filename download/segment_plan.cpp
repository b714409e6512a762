#include "download/segment_plan.h"

#include <algorithm>
#include <mutex>

#include "net/transfer_info.h"
#include "platform/assert.h"

namespace ferrow {

int32_t CSegmentPlan::ClampParts(int32_t maxThreads) {
  return std::clamp(maxThreads, 1, kMaxParts);
}

void CSegmentPlan::SplitParts(uint64_t size, int32_t parts, uint64_t* starts, uint64_t* lengths) {
  FERROW_ASSERT(parts >= 1 && parts <= kMaxParts);
  uint64_t n = static_cast<uint64_t>(parts);
  uint64_t length = size / n;
  for (uint64_t i = 0; i < n; ++i) {
    starts[i] = i * length;
    lengths[i] = i + 1 < n ? length : size - (n - 1) * length;
  }
}

CTransferInfo* CSegmentPlan::PartOf(CTransferInfo* master, int32_t index) {
  FERROW_ASSERT(index >= 0 && index < kMaxParts);
  FERROW_ASSERT(master->Master() == nullptr);
  CTransferInfo* part = master + 1 + index;
  // Only a description inside its transfer's table has the master as its own.
  FERROW_ASSERT(part->Master() == master);
  return part;
}

void CSegmentPlan::CopyPartTable(const CResumeBlock& block, CTransferInfo* master) {
  int32_t parts = block.Parts();
  master->SetParts(parts);
  for (int32_t i = 0; i < kMaxParts; ++i) {
    CTransferInfo* part = PartOf(master, i);
    bool used = i < parts;
    part->SetStart(used ? block.PartStart(i) : 0);
    part->SetSize(used ? block.PartLength(i) : 0);
    part->SetDone(used ? block.PartDone(i) : 0);  // the master's Done follows
  }
}

std::vector<int32_t> CSegmentPlan::UnfinishedParts(CTransferInfo* master) {
  std::vector<int32_t> unfinished;
  const int32_t parts = master->Parts();
  for (int32_t i = 0; i < parts; ++i) {
    CTransferInfo* part = PartOf(master, i);
    if (part->Done() < part->Size()) unfinished.push_back(i);
  }
  return unfinished;
}

CSegmentPlan::CSegmentPlan(CTransferInfo* master, const IClock& clock)
    : m_master(master), m_clock(clock) {
  FERROW_ASSERT(master != nullptr && master->Master() == nullptr);
}

ErrorValue CSegmentPlan::Open(const std::wstring& temporaryFile) {
  std::lock_guard<CCriticalSection> guard(m_lock);
  if (ErrorValue error = m_block.OpenExisting(temporaryFile)) return error;
  return Adopt();
}

ErrorValue CSegmentPlan::Open(const CFile& temporaryFile) {
  std::lock_guard<CCriticalSection> guard(m_lock);
  if (ErrorValue error = m_block.OpenExisting(temporaryFile)) return error;
  return Adopt();
}

ErrorValue CSegmentPlan::Open(CResumeBlock&& block) {
  std::lock_guard<CCriticalSection> guard(m_lock);
  FERROW_ASSERT(block.IsOpen());
  m_block = std::move(block);
  return Adopt(true);
}

ErrorValue CSegmentPlan::Adopt(bool checked) {
  // A block read from the file is checked here; one handed over was checked (or written) by
  // the transfer under the lock it still holds.
  if (!checked && !m_block.IsValid()) {
    m_block.Close();
    return MakeError(kCategorySystem, SystemCode::kInvalidParameter);
  }
  m_block.SettleOverlaps();
  CopyPartTable(m_block, m_master);
  m_parts = m_block.Parts();
  for (int32_t i = 0; i < kMaxParts; ++i) {
    Range& range = m_ranges[i];
    range = Range();
    if (i >= m_parts) continue;
    range.start = m_block.PartStart(i);
    range.end = range.start + m_block.PartLength(i);
    range.done = m_block.PartDone(i);
    range.reserved = range.done;
  }
  return 0;
}

void CSegmentPlan::OpenOutput(COrderedOutput& output) {
  std::lock_guard<CCriticalSection> guard(m_lock);
  m_output = &output;
  m_parts = m_master->Parts();
  for (int32_t i = 0; i < kMaxParts; ++i) {
    Range& range = m_ranges[i];
    range = Range();
    if (i >= m_parts) continue;
    const CTransferInfo* part = PartOf(m_master, i);
    range.start = part->Start();
    range.end = range.start + part->Size();
    range.done = part->Done();
    range.reserved = range.done;
  }
}

int32_t CSegmentPlan::Parts() {
  std::lock_guard<CCriticalSection> guard(m_lock);
  return m_parts;
}

uint64_t CSegmentPlan::Start(int32_t index) {
  std::lock_guard<CCriticalSection> guard(m_lock);
  return m_ranges[index].start;
}

void CSegmentPlan::Close() {
  std::lock_guard<CCriticalSection> guard(m_lock);
  m_block.Close();
  m_output = nullptr;
}

void CSegmentPlan::SetWorking(int32_t index, bool working) {
  std::lock_guard<CCriticalSection> guard(m_lock);
  FERROW_ASSERT(index >= 0 && index < m_parts);
  Range& range = m_ranges[index];
  range.working = working;
  if (working) {
    range.givenBack = false;
    range.since = m_clock.Counter();
    range.doneSince = range.done;
  }
}

uint64_t CSegmentPlan::Reserve(int32_t index, size_t size, size_t& count) {
  std::lock_guard<CCriticalSection> guard(m_lock);
  FERROW_ASSERT(index >= 0 && index < m_parts);
  Range& range = m_ranges[index];
  // One write at a time per part: what was reserved and not committed is given up.
  range.reserved = range.done;
  uint64_t next = range.start + range.done;
  FERROW_ASSERT(next <= range.end);
  count = static_cast<size_t>(std::min<uint64_t>(size, range.end - next));
  range.reserved += count;
  return next;
}

void CSegmentPlan::Commit(int32_t index, size_t count) {
  {
    std::lock_guard<CCriticalSection> guard(m_lock);
    Range& range = m_ranges[index];
    FERROW_ASSERT(range.done + count <= range.reserved);
    range.done += count;
    range.reserved = range.done;
    if (count != 0 && m_block.IsOpen()) m_block.SetPartDone(index, range.done);
  }
  if (count != 0) PartOf(m_master, index)->AddDone(count);
}

uint64_t CSegmentPlan::Remaining(int32_t index) {
  std::lock_guard<CCriticalSection> guard(m_lock);
  const Range& range = m_ranges[index];
  return range.end - range.start - range.reserved;
}

uint64_t CSegmentPlan::End(int32_t index) {
  std::lock_guard<CCriticalSection> guard(m_lock);
  return m_ranges[index].end;
}

void CSegmentPlan::Restart(int32_t index) {
  {
    std::lock_guard<CCriticalSection> guard(m_lock);
    Range& range = m_ranges[index];
    range.done = 0;
    range.reserved = 0;
    if (m_block.IsOpen()) m_block.SetPartDone(index, 0);
  }
  PartOf(m_master, index)->SetDone(0);
}

int64_t CSegmentPlan::RateOf(const Range& range, int64_t now) const {
  const int64_t ticks = now - range.since;
  const uint64_t bytes = range.done - range.doneSince;
  // Less than 50 ms or nothing received says too little.
  if (range.since == 0 || bytes == 0 || ticks * 20 < m_clock.CounterFrequency()) return -1;
  return static_cast<int64_t>(static_cast<double>(bytes) *
                              static_cast<double>(m_clock.CounterFrequency()) /
                              static_cast<double>(ticks));
}

void CSegmentPlan::Publish(int32_t index) {
  const Range& range = m_ranges[index];
  CTransferInfo* part = PartOf(m_master, index);
  part->SetStart(range.start);
  part->SetSize(range.end - range.start);
}

int32_t CSegmentPlan::TakeOver(int32_t idle) {
  std::lock_guard<CCriticalSection> guard(m_lock);
  FERROW_ASSERT(idle >= 0 && idle < m_parts);
  m_ranges[idle].working = false;
  if (m_master->GetResumeMode() != ResumeMode::kResumable) return -1;
  const int64_t now = m_clock.Counter();
  // A range nobody works on goes first: it would otherwise wait for the end of the download.
  for (int32_t i = 0; i < m_parts; ++i) {
    Range& given = m_ranges[i];
    if (!given.givenBack || given.working || given.reserved >= given.end - given.start) continue;
    given.givenBack = false;
    given.working = true;
    given.since = now;
    given.doneSince = given.done;
    return i;
  }
  if (m_parts >= kMaxParts || m_output != nullptr) return -1;
  const int64_t takerRate = RateOf(m_ranges[idle], now);
  int32_t victim = -1;
  uint64_t victimPiece = 0;
  double victimTime = 0;
  for (int32_t i = 0; i < m_parts; ++i) {
    const Range& range = m_ranges[i];
    if (i == idle || !range.working) continue;
    const uint64_t left = range.end - range.start - range.reserved;
    if (left < kMinSplitBytes) continue;
    const int64_t rate = RateOf(range, now);
    // The taker's share of what is left: in proportion to the two rates when both are
    // known, so that both end together; the back half otherwise.
    uint64_t piece = left / 2;
    if (rate > 0 && takerRate > 0) {
      piece = static_cast<uint64_t>(static_cast<double>(left) * static_cast<double>(takerRate) /
                                    static_cast<double>(takerRate + rate));
    }
    piece = std::max(piece, kMinSplitBytes);
    if (piece > left - kMinSplitBytes) {
      // A running part of known rate that would keep only a scrap gives up all it has not
      // received yet: a slow server may send that scrap a whole burst later (nginx's
      // limit_rate sends once a second), while the bytes already on the way cost at most one
      // receive. One that has just begun keeps its range, or two parts could take a small
      // range from each other in turn.
      if (rate <= 0) continue;
      piece = left;
    }
    // What the running part would need for the piece it gives away.
    if (rate > 0 && static_cast<double>(piece) * 1000.0 / static_cast<double>(rate) <
                        static_cast<double>(kMinSplitMilliseconds)) {
      continue;
    }
    // The range that would still take longest alone; without a rate, the longest.
    double time = static_cast<double>(left) / static_cast<double>(rate > 0 ? rate : 1);
    if (rate <= 0 && takerRate > 0)
      time = static_cast<double>(left) / static_cast<double>(takerRate);
    if (victim < 0 || time > victimTime) {
      victim = i;
      victimPiece = piece;
      victimTime = time;
    }
  }
  if (victim < 0) return -1;
  Range& old = m_ranges[victim];
  const uint64_t split = old.end - victimPiece;
  FERROW_ASSERT(split >= old.start + old.reserved && split < old.end);
  const int32_t taken = m_parts;
  // The new entry first, then the shorter end: a kill in between leaves an overlap.
  m_block.AddPart(split, old.end - split);
  m_block.SetPartLength(victim, split - old.start);
  Range& range = m_ranges[taken];
  range = Range();
  range.start = split;
  range.end = old.end;
  range.working = true;
  range.since = now;
  old.end = split;
  m_parts = taken + 1;
  m_master->SetParts(m_parts);
  PartOf(m_master, taken)->SetDone(0);
  Publish(victim);
  Publish(taken);
  return taken;
}

bool CSegmentPlan::GiveBack(int32_t index) {
  std::lock_guard<CCriticalSection> guard(m_lock);
  FERROW_ASSERT(index >= 0 && index < m_parts);
  bool othersWork = false;
  for (int32_t i = 0; i < m_parts; ++i)
    othersWork = othersWork || (i != index && m_ranges[i].working);
  if (!othersWork) return false;
  Range& range = m_ranges[index];
  range.working = false;
  range.givenBack = true;
  return true;
}

bool CSegmentPlan::Extend(int32_t index) {
  std::lock_guard<CCriticalSection> guard(m_lock);
  Range& range = m_ranges[index];
  for (int32_t i = 0; i < m_parts; ++i) {
    Range& next = m_ranges[i];
    if (i == index || !next.givenBack || next.working || next.start != range.end ||
        next.done != 0 || next.end == next.start) {
      continue;
    }
    // This part's end first, then the joined entry emptied: a kill in between leaves an
    // overlap.
    if (m_block.IsOpen()) {
      m_block.SetPartLength(index, next.end - range.start);
      m_block.SetPartLength(i, 0);
    }
    range.end = next.end;
    next.end = next.start;
    next.givenBack = false;
    Publish(index);
    Publish(i);
    return true;
  }
  return false;
}

}  // namespace ferrow
