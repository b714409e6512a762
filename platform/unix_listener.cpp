#include "platform/unix_listener.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/text.h"
#include "platform/unix_connection.h"

namespace ferrow {
namespace {

ErrorValue SystemError(int err) {
  return MakeError(kCategorySystem, SystemCodeFromErrno(err));
}

}  // namespace

CUnixListener::~CUnixListener() {
  Close();
}

ErrorValue CUnixListener::Listen(const std::wstring& path) {
  Close();
  if (!m_wake.IsValid()) return SystemError(EMFILE);
  const std::string file = WideToLocal(path);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (file.empty() || file.size() >= sizeof address.sun_path) return SystemError(ENAMETOOLONG);
  std::memcpy(address.sun_path, file.data(), file.size());
  // Only a socket is removed: anything else at the path is left alone and the bind fails.
  struct stat info {};
  if (::lstat(file.c_str(), &info) == 0 && S_ISSOCK(info.st_mode)) ::unlink(file.c_str());
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return SystemError(errno);
  const mode_t oldMask = ::umask(077);
  const int bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
  const int bindErrno = errno;
  ::umask(oldMask);
  if (bound != 0 || ::listen(fd, 16) != 0) {
    const int err = bound != 0 ? bindErrno : errno;
    ::close(fd);
    return SystemError(err);
  }
  m_fd = fd;
  m_path = file;
  m_wake.Clear();
  return 0;
}

bool CUnixListener::Accept(CUnixConnection& connection) {
  while (m_fd >= 0) {
    pollfd entries[2] = {{m_fd, POLLIN, 0}, {m_wake.Fd(), POLLIN, 0}};
    const int ready = ::poll(entries, 2, -1);
    if (ready < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (entries[1].revents != 0) return false;
    if (entries[0].revents & (POLLERR | POLLNVAL)) return false;
    const int client = ::accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC);
    if (client >= 0) {
      connection.Adopt(client);
      return true;
    }
    if (errno != EINTR && errno != EAGAIN && errno != ECONNABORTED) return false;
  }
  return false;
}

void CUnixListener::Close() {
  if (m_fd >= 0) {
    ::close(m_fd);
    ::unlink(m_path.c_str());
  }
  m_fd = -1;
  m_path.clear();
}

}  // namespace ferrow
