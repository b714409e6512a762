#include "platform/unix_connection.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "platform/text.h"

namespace ferrow {
namespace {

int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

CUnixConnection::~CUnixConnection() {
  Close();
}

bool CUnixConnection::Connect(const std::wstring& path, uint32_t milliseconds) {
  Close();
  const std::string file = WideToLocal(path);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (file.empty() || file.size() >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, file.data(), file.size());
  m_fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (m_fd < 0) return false;
  const int64_t deadline = NowMs() + milliseconds;
  if (::connect(m_fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0)
    return true;
  // A full backlog makes a non-blocking connect answer EAGAIN: try again until the time is up.
  while (errno == EAGAIN || errno == EINTR || errno == EINPROGRESS) {
    if (errno == EINPROGRESS) {
      int error = 0;
      socklen_t length = sizeof error;
      if (WaitFor(POLLOUT, deadline) &&
          ::getsockopt(m_fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0)
        return true;
      break;
    }
    if (NowMs() >= deadline) break;
    ::usleep(10000);
    if (::connect(m_fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0)
      return true;
  }
  Close();
  return false;
}

void CUnixConnection::Adopt(int fd) {
  Close();
  m_fd = fd;
  ::fcntl(m_fd, F_SETFL, ::fcntl(m_fd, F_GETFL) | O_NONBLOCK);
}

void CUnixConnection::Close() {
  if (m_fd >= 0) ::close(m_fd);
  m_fd = -1;
  m_pending.clear();
}

bool CUnixConnection::WaitFor(short events, int64_t deadline) const {
  for (;;) {
    const int64_t left = deadline - NowMs();
    if (left <= 0) return false;
    pollfd entry{m_fd, events, 0};
    const int ready = ::poll(&entry, 1, static_cast<int>(left));
    if (ready > 0) return true;
    if (ready < 0 && errno != EINTR) return false;
  }
}

bool CUnixConnection::Send(std::string_view bytes, uint32_t milliseconds) {
  if (m_fd < 0) return false;
  const int64_t deadline = NowMs() + milliseconds;
  while (!bytes.empty()) {
    const ssize_t sent = ::send(m_fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (sent > 0) {
      bytes.remove_prefix(static_cast<size_t>(sent));
      continue;
    }
    if (sent < 0 && (errno == EAGAIN || errno == EINTR)) {
      if (!WaitFor(POLLOUT, deadline)) return false;
      continue;
    }
    return false;
  }
  return true;
}

bool CUnixConnection::Fill(int64_t deadline) {
  char buffer[4096];
  for (;;) {
    const ssize_t got = ::recv(m_fd, buffer, sizeof buffer, 0);
    if (got > 0) {
      m_pending.append(buffer, static_cast<size_t>(got));
      return true;
    }
    if (got == 0) return false;  // the peer has closed
    if (errno != EAGAIN && errno != EINTR) return false;
    if (!WaitFor(POLLIN, deadline)) return false;
  }
}

bool CUnixConnection::ReceiveLine(std::string& line, size_t maxLength, uint32_t milliseconds) {
  if (m_fd < 0) return false;
  const int64_t deadline = NowMs() + milliseconds;
  for (;;) {
    const size_t end = m_pending.find('\n');
    if (end != std::string::npos) {
      if (end > maxLength) return false;
      line = m_pending.substr(0, end);
      m_pending.erase(0, end + 1);
      return true;
    }
    if (m_pending.size() > maxLength || !Fill(deadline)) return false;
  }
}

bool CUnixConnection::ReceiveExact(std::string& bytes, size_t count, uint32_t milliseconds) {
  if (m_fd < 0) return false;
  const int64_t deadline = NowMs() + milliseconds;
  while (m_pending.size() < count)
    if (!Fill(deadline)) return false;
  bytes = m_pending.substr(0, count);
  m_pending.erase(0, count);
  return true;
}

bool CUnixConnection::PeerIsSameUser() const {
  ucred credentials{};
  socklen_t length = sizeof credentials;
  return m_fd >= 0 && ::getsockopt(m_fd, SOL_SOCKET, SO_PEERCRED, &credentials, &length) == 0 &&
         credentials.uid == ::getuid();
}

}  // namespace ferrow
