#include "net/connection_pool.h"

#include <mutex>
#include <utility>

#include "net/byte_stream.h"
#include "net/tcp_stream.h"
#include "platform/socket.h"

namespace ferrow {

namespace {

void CloseConnection(CConnectionPool::Connection& connection) {
  if (connection.stream) connection.stream->Close();
  connection.stream.reset();
}

}  // namespace

CConnectionPool::CConnectionPool() = default;

CConnectionPool::~CConnectionPool() {
  for (Entry& entry : m_idle) CloseConnection(entry.connection);
}

void CConnectionPool::Put(const std::wstring& key, Connection connection) {
  if (!connection.stream || connection.tcp == nullptr || !connection.tcp->IsOpen()) return;
  connection.tcp->Detach();
  const int64_t now = CTcpStream::NowMilliseconds();
  Connection dropped;
  {
    std::lock_guard<CCriticalSection> guard(m_lock);
    Expire(now);
    if (m_idle.size() >= kMaxIdle) {
      dropped = std::move(m_idle.front().connection);
      m_idle.pop_front();
    }
    m_idle.push_back(Entry{key, std::move(connection), now});
  }
  CloseConnection(dropped);
}

bool CConnectionPool::Take(const std::wstring& key, Connection& connection) {
  const int64_t now = CTcpStream::NowMilliseconds();
  std::lock_guard<CCriticalSection> guard(m_lock);
  Expire(now);
  for (auto it = m_idle.end(); it != m_idle.begin();) {
    --it;
    if (it->key != key) continue;
    Connection found = std::move(it->connection);
    it = m_idle.erase(it);
    // Readable while idle: the server closed it or sent something nobody asked for.
    if (!SocketIsQuiet(found.tcp->Handle())) {
      CloseConnection(found);
      continue;
    }
    connection = std::move(found);
    ++m_reuses;
    return true;
  }
  return false;
}

size_t CConnectionPool::IdleCount() const {
  std::lock_guard<CCriticalSection> guard(m_lock);
  return m_idle.size();
}

uint64_t CConnectionPool::Reuses() const {
  std::lock_guard<CCriticalSection> guard(m_lock);
  return m_reuses;
}

void CConnectionPool::Expire(int64_t now) {
  while (!m_idle.empty() && now - m_idle.front().since >= kIdleMilliseconds) {
    CloseConnection(m_idle.front().connection);
    m_idle.pop_front();
  }
}

}  // namespace ferrow
