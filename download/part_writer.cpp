#include "download/part_writer.h"

#include "download/ordered_output.h"
#include "net/transfer_info.h"
#include "platform/assert.h"

namespace ferrow {

ErrorValue CPartWriter::Open(CSegmentPlan& plan, int32_t index) {
  if (index < 0 || index >= plan.Parts())
    return MakeError(kCategorySystem, SystemCode::kInvalidParameter);
  m_plan = &plan;
  m_index = index;
  return 0;
}

uint64_t CPartWriter::Offset() const {
  size_t none = 0;
  return m_plan->Reserve(m_index, 0, none);
}

uint64_t CPartWriter::Done() const {
  return Offset() - m_plan->Start(m_index);
}

void CPartWriter::Restart() {
  m_plan->Restart(m_index);
}

void CPartWriter::OpenOutput(CSegmentPlan& plan, COrderedOutput& output, int32_t index) {
  m_plan = &plan;
  m_output = &output;
  m_index = index;
}

ErrorValue CPartWriter::Write(const char* data, size_t size, size_t& count) {
  uint64_t offset = m_plan->Reserve(m_index, size, count);
  if (count == 0) return 0;
  if (m_output != nullptr) {
    const COrderedOutput::PutResult result = m_output->Put(offset, data, count);
    if (result != COrderedOutput::PutResult::kTaken) {
      count = 0;
      m_plan->Commit(m_index, 0);
      return MakeError(kCategorySystem, result == COrderedOutput::PutResult::kBeyondWindow
                                            ? SystemCode::kBusy
                                            : SystemCode::kBrokenPipe);
    }
    m_plan->Commit(m_index, count);
    return 0;
  }
  if (ErrorValue error = m_plan->WriteData(offset, data, count)) {
    count = 0;
    m_plan->Commit(m_index, 0);
    return error;
  }
  m_plan->Commit(m_index, count);
  return 0;
}

}  // namespace ferrow
