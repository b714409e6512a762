#pragma once
// The disk side of one part: its bytes go into the temporary file at their final offsets, and
// after each write the part's done counter in the resume block moves on, so that the block
// always tells what is on disk. Knows nothing of servers or of the other parts. One per part
// thread.
#include <cstddef>
#include <cstdint>
#include <string>

#include "download/resume_block.h"
#include "platform/error_code.h"
#include "platform/file.h"

namespace ferrow {

class COrderedOutput;

class CPartWriter {
 public:
  // Maps the block of the temporary file and opens the file for writing. Fails with the
  // system's error, or with kInvalidParameter when the block has no part of that index.
  ErrorValue Open(const std::wstring& temporaryFile, int32_t index);
  // The part's bytes go to the stream instead, its progress only in memory (the description's).
  void OpenOutput(COrderedOutput& output, uint64_t start, uint64_t length, uint64_t done);
  COrderedOutput* Output() const { return m_output; }

  uint64_t Start() const { return m_start; }
  uint64_t Length() const { return m_length; }
  uint64_t Done() const { return m_done; }
  // Where the next byte goes.
  uint64_t Offset() const { return m_start + m_done; }
  uint64_t Remaining() const { return m_length - m_done; }

  // Forgets the part's progress: a server that cannot continue at an offset sends it again
  // from its first byte.
  void Restart();
  // Writes at most Remaining() of the bytes at Offset() and advances the done counter by what
  // was written; count is what it took. With a stream, bytes beyond its window are not taken
  // (kBusy: the part should let its connection go and wait for room).
  ErrorValue Write(const char* data, size_t size, size_t& count);

 private:
  COrderedOutput* m_output = nullptr;
  CResumeBlock m_block;
  CFile m_file;
  int32_t m_index = -1;
  uint64_t m_start = 0;
  uint64_t m_length = 0;
  uint64_t m_done = 0;
};

}  // namespace ferrow
