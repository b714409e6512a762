#pragma once
// Event codes on their way from the worker threads to the user-interface thread, which drains
// them in the order they were added: a transfer's TransferEvents, or the site explorer's own
// numbers. Owned by the transfer (or the explorer); one lock.
#include <cstddef>
#include <cstdint>
#include <deque>

#include "platform/critical_section.h"

namespace ferrow {

class CWakeFd;

// What a transfer tells the user interface; the numbers are the download message's event codes
// and never change.
enum class TransferEvent : uint32_t {
  kStarted = 0,        // the worker starts
  kFinished = 1,       // the worker has ended
  kLoginRequired = 2,  // the server wants a login: answer with the user's
  kStatusChanged = 3,  // the status changed or an error was recorded
  kProgress = 4,       // bytes came in (at most once a second per connection)
  kLog = 5,            // a log line was added
};

constexpr uint32_t EventNumber(TransferEvent event) {
  return static_cast<uint32_t>(event);
}

class CEventList {
 public:
  // Appends at the tail.
  void Add(uint32_t code);
  void Add(TransferEvent event) { Add(EventNumber(event)); }
  // Removes the head into code; false when the list is empty.
  bool Take(uint32_t& code);
  bool IsEmpty() const;
  size_t Count() const;
  // Signalled whenever the finished event is added, so that the loop that drains the list
  // hears of the end at once (null: nobody to wake). The wake must outlive the list's use.
  void SetWake(CWakeFd* wake);

 private:
  mutable CCriticalSection m_lock;
  std::deque<uint32_t> m_codes;
  CWakeFd* m_wake = nullptr;
};

}  // namespace ferrow
