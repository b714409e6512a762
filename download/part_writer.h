#pragma once
// The disk side of one part: its bytes go into the temporary file at their final offsets, and
// after each write the part's done counter in the resume block moves on (through the
// transfer's plan, which also says where the part's range ends now), so that the block always
// tells what is on disk. One per part thread.
#include <cstddef>
#include <cstdint>

#include "download/segment_plan.h"
#include "platform/error_code.h"

namespace ferrow {

class COrderedOutput;

class CPartWriter {
 public:
  // Writes the part of that index into the temporary file, through the plan's handle of it;
  // the plan must have the part.
  ErrorValue Open(CSegmentPlan& plan, int32_t index);
  // The part's bytes go to the stream instead; the plan keeps its progress in memory.
  void OpenOutput(CSegmentPlan& plan, COrderedOutput& output, int32_t index);
  COrderedOutput* Output() const { return m_output; }

  int32_t Index() const { return m_index; }
  uint64_t Done() const;
  // Where the next byte goes.
  uint64_t Offset() const;
  // Bytes of the range not yet written; the range may shrink while the part runs.
  uint64_t Remaining() const { return m_plan->Remaining(m_index); }
  // The range's end as it stands now (exclusive).
  uint64_t End() const { return m_plan->End(m_index); }

  // Forgets the part's progress: a server that cannot continue at an offset sends it again
  // from its first byte.
  void Restart();
  // Writes at most Remaining() of the bytes at Offset() and advances the done counter by what
  // was written; count is what it took. With a stream, bytes beyond its window are not taken
  // (kBusy: the part should let its connection go and wait for room).
  ErrorValue Write(const char* data, size_t size, size_t& count);
  // Works on another range of the same plan (one taken over, or joined).
  void SetIndex(int32_t index) { m_index = index; }

 private:
  CSegmentPlan* m_plan = nullptr;
  COrderedOutput* m_output = nullptr;
  int32_t m_index = -1;
};

}  // namespace ferrow
