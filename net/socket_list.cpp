#include "net/socket_list.h"

#include <algorithm>
#include <mutex>

namespace ferrow {

void CSocketList::Add(SocketHandle socket) {
  std::lock_guard<CCriticalSection> lock(m_lock);
  m_sockets.push_back(socket);
}

void CSocketList::Remove(SocketHandle socket) {
  std::lock_guard<CCriticalSection> lock(m_lock);
  auto it = std::find(m_sockets.begin(), m_sockets.end(), socket);
  if (it != m_sockets.end()) m_sockets.erase(it);
}

void CSocketList::CloseAll() {
  std::lock_guard<CCriticalSection> lock(m_lock);
  for (SocketHandle socket : m_sockets) SocketShutdown(socket);
  m_sockets.clear();
}

bool CSocketList::Contains(SocketHandle socket) const {
  std::lock_guard<CCriticalSection> lock(m_lock);
  return std::find(m_sockets.begin(), m_sockets.end(), socket) != m_sockets.end();
}

size_t CSocketList::Count() const {
  std::lock_guard<CCriticalSection> lock(m_lock);
  return m_sockets.size();
}

}  // namespace ferrow
