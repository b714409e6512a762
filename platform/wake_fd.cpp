#include "platform/wake_fd.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace ferrow {

CWakeFd::CWakeFd() : m_fd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

CWakeFd::~CWakeFd() {
  if (m_fd >= 0) ::close(m_fd);
}

void CWakeFd::Signal() {
  const uint64_t one = 1;
  ssize_t ignored = ::write(m_fd, &one, sizeof one);
  (void)ignored;
}

bool CWakeFd::Clear() {
  uint64_t value = 0;
  return ::read(m_fd, &value, sizeof value) == static_cast<ssize_t>(sizeof value) && value != 0;
}

bool CWakeFd::Wait(int milliseconds) const {
  pollfd entry{m_fd, POLLIN, 0};
  int ready = 0;
  do {
    ready = ::poll(&entry, 1, milliseconds);
  } while (ready < 0 && errno == EINTR);
  return ready > 0 && (entry.revents & POLLIN) != 0;
}

}  // namespace ferrow
