#pragma once
// Kept-alive connections waiting for their next request: the next part of a download, or the
// next download from the same server, takes one instead of connecting (no TCP, proxy or TLS
// handshake). Connections are kept by key: scheme, host, port and the proxies and trust
// settings of the chain (CProxySocket::PoolKey), so a connection is only ever reused for what
// would have built the same chain.
//
// Bounded: at most kMaxIdle connections wait, the oldest going first; one that has waited
// kIdleMilliseconds is closed: servers drop idle connections too, some after 5 s.
// Only a connection whose last response was read to its end and that the server keeps open is
// put here; a taker still checks that the server has not closed it meanwhile.
//
// Shared by the transfers of one settings object (CTransferSettings); one lock.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>

#include "platform/critical_section.h"

namespace ferrow {

class IByteStream;
class CTcpStream;
class CTlsStream;

class CConnectionPool {
 public:
  static constexpr size_t kMaxIdle = 16;
  static constexpr int64_t kIdleMilliseconds = 4000;

  // A connected chain: its top, and the bottom and TLS layers inside it.
  struct Connection {
    std::unique_ptr<IByteStream> stream;
    CTcpStream* tcp = nullptr;
    CTlsStream* tls = nullptr;
  };

  CConnectionPool();
  ~CConnectionPool();
  CConnectionPool(const CConnectionPool&) = delete;
  CConnectionPool& operator=(const CConnectionPool&) = delete;

  // Keeps the connection (detached from every socket list) under the key.
  void Put(const std::wstring& key, Connection connection);
  // The most recently kept connection of the key that is still open and quiet; false when
  // there is none. Stale ones met on the way are closed.
  bool Take(const std::wstring& key, Connection& connection);
  size_t IdleCount() const;
  // Connections handed out since the pool was made (for tests and benchmarks).
  uint64_t Reuses() const;

 private:
  struct Entry {
    std::wstring key;
    Connection connection;
    int64_t since;  // monotonic milliseconds
  };
  // Closes the entries that waited too long; under the lock.
  void Expire(int64_t now);

  mutable CCriticalSection m_lock;  // guards both fields
  std::deque<Entry> m_idle;         // oldest first
  uint64_t m_reuses = 0;
};

}  // namespace ferrow
