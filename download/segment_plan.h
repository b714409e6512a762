#pragma once
// Which byte ranges the parts of a download fetch: how a file is split into parts, and the part
// table carried between the resume block and the descriptions. Planning only: nothing here talks
// to a server or touches the disk, so that handing part of a slow part's remaining range to an
// idle connection changes this class and not the protocol clients or the file code.
//
// A transfer keeps its descriptions in one table of kMaxParts + 1: the master first, then part
// i at 1 + i (CFileTransfer builds it so). Every part's Master() is the first element.
#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

namespace ferrow {

class CResumeBlock;
class CTransferInfo;

constexpr int32_t kMaxParts = 64;

class CSegmentPlan {
 public:
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
};

// The parts of one round of part threads that a refusing server (503, 429: one connection too
// many) gave back, and the threads still running that take them over. A part gives its range
// back only while another thread runs, and a thread ends only when nothing is left to take,
// both under one lock, so a range given back is always fetched by somebody (or, when its own
// thread was the last, retried by it as any failure is). The download then finishes on the
// connections the server allows.
class CPartHandBack {
 public:
  // A thread starts (before it runs).
  void Join();

  // The part of this index gives its range back and its thread ends; false when it is the
  // last thread running, which must go on with it itself.
  bool GiveBack(int32_t index);
  // A thread whose part is complete asks for one given back: its index, or -1 when there is
  // none, and then the thread counts as ended.
  int32_t TakeOrEnd();
  // A thread ends without asking (its part failed, or a stop).
  void End();

 private:
  std::mutex m_lock;  // guards both fields
  int32_t m_running = 0;
  std::deque<int32_t> m_given;
};

}  // namespace ferrow
