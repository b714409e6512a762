#pragma once
// The network interfaces of the calling thread's network namespace, read from the kernel over
// rtnetlink, and a watch that wakes when any of them changes. Both work on sockets made by the
// calling thread, so a thread that runs in another namespace sees that namespace's links.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/wake_fd.h"

namespace ferrow {

struct NetworkLink {
  std::string name;
  uint32_t index = 0;
  uint32_t type = 0;  // the kernel's hardware type (ARPHRD_*)
  bool up = false;    // administratively up and carrying traffic (IFF_UP and IFF_RUNNING)
  bool loopback = false;
  bool pointToPoint = false;
};

// Every link; empty (with ok false) when the kernel could not be asked.
std::vector<NetworkLink> ListNetworkLinks(bool* ok = nullptr);

// The hardware type of a PPP link, for callers that must not include kernel headers.
uint32_t PppLinkType();

class CLinkWatch {
 public:
  CLinkWatch() = default;
  ~CLinkWatch();
  CLinkWatch(const CLinkWatch&) = delete;
  CLinkWatch& operator=(const CLinkWatch&) = delete;

  // Subscribes to link changes; false when the kernel refuses (no rtnetlink).
  bool Open();
  // Waits until a link changed (true), the time is up or Interrupt was called (false). Drains
  // the notices, so the caller lists the links afresh after a true.
  bool Wait(uint32_t milliseconds);
  // Ends a waiting Wait at once and every later one; callable from any thread.
  void Interrupt() { m_wake.Signal(); }
  bool IsInterrupted() const;

 private:
  int m_fd = -1;
  CWakeFd m_wake;
};

}  // namespace ferrow
