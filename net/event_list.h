#pragma once
// Transfer event codes on their way from the worker threads to the user-interface thread,
// which drains them in the order they were added. Owned by the transfer; one lock.
#include <cstddef>
#include <cstdint>
#include <deque>

#include "platform/critical_section.h"

namespace ferrow {

// Event codes.
namespace TransferEvent {
constexpr uint32_t kStarted = 0;
constexpr uint32_t kFinished = 1;
constexpr uint32_t kLoginRequired = 2;
constexpr uint32_t kStatusChanged = 3;
constexpr uint32_t kProgress = 4;
constexpr uint32_t kLog = 5;
}  // namespace TransferEvent

class CEventList {
 public:
  // Appends at the tail.
  void Add(uint32_t code);
  // Removes the head into code; false when the list is empty.
  bool Take(uint32_t& code);
  bool IsEmpty() const;
  size_t Count() const;

 private:
  mutable CCriticalSection m_lock;
  std::deque<uint32_t> m_codes;
};

}  // namespace ferrow
