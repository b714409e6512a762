#pragma once
// Every socket open for one transfer, so that a stop can break all its blocking calls at once.
// Owned by the transfer; one lock.
#include <vector>

#include "platform/critical_section.h"
#include "platform/socket.h"

namespace ferrow {

class CSocketList {
 public:
  void Add(SocketHandle socket);
  // Removes the first equal handle.
  void Remove(SocketHandle socket);
  // Breaks every blocking call on the listed sockets and empties the list. The handles are
  // shut down, not released: each socket's owner closes its own handle, so a handle number is
  // never closed twice (the system reuses numbers at once, and a second close could hit a file
  // or socket opened meanwhile by another thread).
  void CloseAll();
  bool Contains(SocketHandle socket) const;
  size_t Count() const;

 private:
  mutable CCriticalSection m_lock;
  std::vector<SocketHandle> m_sockets;
};

}  // namespace ferrow
