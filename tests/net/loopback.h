#pragma once
// A listening socket on 127.0.0.1 with a free port, and raw helpers for the test's end of a
// connection.
#include <cstdint>
#include <string>

#include "platform/socket.h"

namespace ferrow::test {

inline const IpAddress kLoopback = IpAddress::Ipv4(0x7F000001);

class LoopbackListener {
 public:
  explicit LoopbackListener(int backlog = 4) {
    m_socket = SocketCreate();
    SocketBind(m_socket, kLoopback, 0);
    SocketListen(m_socket, backlog);
    SocketAddress local;
    SocketLocalAddress(m_socket, local);
    m_port = local.port;
  }
  ~LoopbackListener() { SocketClose(m_socket); }
  LoopbackListener(const LoopbackListener&) = delete;
  LoopbackListener& operator=(const LoopbackListener&) = delete;

  uint16_t Port() const { return m_port; }
  SocketHandle Handle() const { return m_socket; }
  SocketHandle Accept() { return SocketAccept(m_socket); }

 private:
  SocketHandle m_socket = kInvalidSocket;
  uint16_t m_port = 0;
};

inline bool SendAll(SocketHandle socket, const std::string& bytes) {
  size_t sent = 0;
  while (sent < bytes.size()) {
    int n = SocketSend(socket, bytes.data() + sent, static_cast<int>(bytes.size() - sent));
    if (n <= 0) return false;
    sent += static_cast<size_t>(n);
  }
  return true;
}

// A port on which nothing listens (bound, then released).
inline uint16_t UnusedPort() {
  SocketHandle s = SocketCreate();
  SocketBind(s, kLoopback, 0);
  SocketAddress local;
  SocketLocalAddress(s, local);
  SocketClose(s);
  return local.port;
}

}  // namespace ferrow::test
