#include "platform/wake_fd.h"

#include <sys/eventfd.h>
#include <unistd.h>

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

void CWakeFd::Clear() {
  uint64_t value = 0;
  ssize_t ignored = ::read(m_fd, &value, sizeof value);
  (void)ignored;
}

}  // namespace ferrow
