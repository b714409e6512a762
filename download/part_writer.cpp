#include "download/part_writer.h"

#include <algorithm>

#include "download/ordered_output.h"
#include "platform/assert.h"

namespace ferrow {

ErrorValue CPartWriter::Open(const std::wstring& temporaryFile, int32_t index) {
  if (ErrorValue error = m_block.OpenExisting(temporaryFile)) return error;
  if (index < 0 || index >= m_block.Parts())
    return MakeError(kCategorySystem, SystemCode::kInvalidParameter);
  m_index = index;
  m_start = m_block.PartStart(index);
  m_length = m_block.PartLength(index);
  m_done = m_block.PartDone(index);
  // A checked block never has a counter past its part.
  FERROW_ASSERT(m_done <= m_length);
  return m_file.Open(temporaryFile, CFile::Mode::kReadWriteOwned);
}

void CPartWriter::OpenOutput(COrderedOutput& output, uint64_t start, uint64_t length,
                             uint64_t done) {
  FERROW_ASSERT(done <= length);
  m_output = &output;
  m_start = start;
  m_length = length;
  m_done = done;
}

void CPartWriter::Restart() {
  m_done = 0;
  if (m_output == nullptr) m_block.SetPartDone(m_index, 0);
}

ErrorValue CPartWriter::Write(const char* data, size_t size, size_t& count) {
  count = static_cast<size_t>(std::min<uint64_t>(size, Remaining()));
  if (m_output != nullptr) {
    const COrderedOutput::PutResult result = m_output->Put(Offset(), data, count);
    if (result != COrderedOutput::PutResult::kTaken) {
      count = 0;
      return MakeError(kCategorySystem, result == COrderedOutput::PutResult::kBeyondWindow
                                            ? SystemCode::kBusy
                                            : SystemCode::kBrokenPipe);
    }
    m_done += count;
    return 0;
  }
  if (ErrorValue error = m_file.WriteAt(Offset(), data, count)) {
    count = 0;
    return error;
  }
  m_done += count;
  m_block.SetPartDone(m_index, m_done);
  return 0;
}

}  // namespace ferrow
