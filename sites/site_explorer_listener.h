#pragma once
// What the site explorer's views implement to hear of its events (ExplorerEvent numbers, and
// any other number the client framework queues, such as its status changes, which a view
// ignores). Called on the thread that drives CSiteExplorer::OnTimer, one event at a time, in
// the order the events were raised.
#include <cstdint>

namespace ferrow {

class ISiteExplorerListener {
 public:
  virtual void OnExplorerEvent(uint32_t event) = 0;

 protected:
  ~ISiteExplorerListener() = default;
};

}  // namespace ferrow
