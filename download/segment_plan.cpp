#include "download/segment_plan.h"

#include <algorithm>

#include "download/resume_block.h"
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

void CPartHandBack::Join() {
  std::lock_guard<std::mutex> hold(m_lock);
  ++m_running;
}

bool CPartHandBack::GiveBack(int32_t index) {
  std::lock_guard<std::mutex> hold(m_lock);
  if (m_running <= 1) return false;
  m_given.push_back(index);
  --m_running;
  return true;
}

int32_t CPartHandBack::TakeOrEnd() {
  std::lock_guard<std::mutex> hold(m_lock);
  if (m_given.empty()) {
    --m_running;
    return -1;
  }
  const int32_t index = m_given.front();
  m_given.pop_front();
  return index;
}

void CPartHandBack::End() {
  std::lock_guard<std::mutex> hold(m_lock);
  --m_running;
}

}  // namespace ferrow
