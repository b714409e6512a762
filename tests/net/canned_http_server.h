#pragma once
// A tiny HTTP peer on 127.0.0.1 for checks on exact bytes: it records every request as
// received and answers each with the next canned reply, on the same connection while the
// client keeps it, else on the next one. With no reply left it closes.
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/socket.h"
#include "tests/net/loopback.h"

namespace ferrow::test {

class CannedHttpServer {
 public:
  explicit CannedHttpServer(std::vector<std::string> replies) : m_replies(std::move(replies)) {
    m_thread = std::thread([this] { Run(); });
  }
  ~CannedHttpServer() {
    {
      std::lock_guard<std::mutex> lock(m_lock);
      m_stopping = true;
      SocketShutdown(m_listener.Handle());
      if (m_connection != kInvalidSocket) SocketShutdown(m_connection);
    }
    m_thread.join();
  }
  CannedHttpServer(const CannedHttpServer&) = delete;
  CannedHttpServer& operator=(const CannedHttpServer&) = delete;

  uint16_t Port() const { return m_listener.Port(); }
  std::vector<std::string> Requests() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_requests;
  }
  int Connections() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_connections;
  }

 private:
  void Run() {
    size_t next = 0;
    while (next < m_replies.size()) {
      SocketHandle connection = m_listener.Accept();
      if (connection == kInvalidSocket) return;
      {
        std::lock_guard<std::mutex> lock(m_lock);
        ++m_connections;
        m_connection = connection;
        if (m_stopping) SocketShutdown(connection);
      }
      std::string pending;
      while (next < m_replies.size()) {
        size_t end;
        while ((end = pending.find("\r\n\r\n")) == std::string::npos) {
          char buffer[4096];
          int n = SocketReceive(connection, buffer, sizeof buffer, 0);
          if (n <= 0) break;
          pending.append(buffer, static_cast<size_t>(n));
        }
        if (end == std::string::npos) break;
        {
          std::lock_guard<std::mutex> lock(m_lock);
          m_requests.push_back(pending.substr(0, end + 4));
        }
        pending.erase(0, end + 4);
        if (!SendAll(connection, m_replies[next++])) break;
      }
      {
        std::lock_guard<std::mutex> lock(m_lock);
        m_connection = kInvalidSocket;
      }
      SocketClose(connection);
    }
  }

  LoopbackListener m_listener;
  std::vector<std::string> m_replies;
  mutable std::mutex m_lock;
  std::vector<std::string> m_requests;
  int m_connections = 0;
  SocketHandle m_connection = kInvalidSocket;
  bool m_stopping = false;
  std::thread m_thread;
};

}  // namespace ferrow::test
