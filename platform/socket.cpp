#include "platform/socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <string_view>

#include "platform/error_code.h"

namespace ferrow {

namespace {

thread_local uint16_t t_lastSocketError = 0;

void SetSocketError(int err) {
  t_lastSocketError = SocketCodeFromErrno(err);
}

void ClearSocketError() {
  t_lastSocketError = 0;
}

// The system's form of an address of either family.
socklen_t MakeAddress(const IpAddress& address, uint16_t port, sockaddr_storage& storage) {
  std::memset(&storage, 0, sizeof(storage));
  if (address.IsIpv4()) {
    auto& sa = reinterpret_cast<sockaddr_in&>(storage);
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(address.ToIpv4());
    sa.sin_port = htons(port);
    return sizeof(sockaddr_in);
  }
  auto& sa = reinterpret_cast<sockaddr_in6&>(storage);
  sa.sin6_family = AF_INET6;
  std::memcpy(&sa.sin6_addr, address.bytes.data(), 16);
  sa.sin6_port = htons(port);
  return sizeof(sockaddr_in6);
}

bool FromSystemAddress(const sockaddr* sa, SocketAddress& out) {
  if (sa->sa_family == AF_INET) {
    const auto* v4 = reinterpret_cast<const sockaddr_in*>(sa);
    out.address = IpAddress::Ipv4(ntohl(v4->sin_addr.s_addr));
    out.port = ntohs(v4->sin_port);
    return true;
  }
  if (sa->sa_family == AF_INET6) {
    const auto* v6 = reinterpret_cast<const sockaddr_in6*>(sa);
    out.address.family = IpAddress::Family::kIpv6;
    std::memcpy(out.address.bytes.data(), &v6->sin6_addr, 16);
    out.port = ntohs(v6->sin6_port);
    return true;
  }
  return false;
}

std::mutex g_overrideLock;  // guards g_override
std::string g_override;

// Waits until the socket is ready for events (or hung up, which a shutdown from another thread
// causes). False with the time-out error when the time limit passed first.
bool WaitFor(SocketHandle socket, short events, int timeLimit) {
  if (timeLimit < 0) return true;
  pollfd pfd{socket, events, 0};
  int rc;
  do {
    rc = ::poll(&pfd, 1, timeLimit);
  } while (rc < 0 && errno == EINTR);
  if (rc < 0) {
    SetSocketError(errno);
    return false;
  }
  if (rc == 0) {
    t_lastSocketError = SocketCode::kTimedOut;
    return false;
  }
  return true;
}

}  // namespace

uint16_t LastSocketError() {
  return t_lastSocketError;
}

SocketHandle SocketCreate(IpAddress::Family family) {
  const int domain = family == IpAddress::Family::kIpv4 ? AF_INET : AF_INET6;
  int fd = ::socket(domain, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
  if (fd < 0) {
    SetSocketError(errno);
    return kInvalidSocket;
  }
  ClearSocketError();
  return fd;
}

void SocketShutdown(SocketHandle socket) {
  if (socket != kInvalidSocket) ::shutdown(socket, SHUT_RDWR);
}

void SocketClose(SocketHandle socket) {
  if (socket == kInvalidSocket) return;
  // Shut down first: a close alone does not wake a call blocked on the socket in another thread.
  ::shutdown(socket, SHUT_RDWR);
  ::close(socket);
}

bool ParseNumericAddress(const std::string& text, IpAddress& address) {
  in_addr addr;
  if (text.empty()) return false;
  if (::inet_aton(text.c_str(), &addr) != 0) {
    address = IpAddress::Ipv4(ntohl(addr.s_addr));
    return true;
  }
  std::string inner = text;
  if (inner.size() > 2 && inner.front() == '[' && inner.back() == ']')
    inner = inner.substr(1, inner.size() - 2);
  in6_addr addr6;
  if (::inet_pton(AF_INET6, inner.c_str(), &addr6) != 1) return false;
  address.family = IpAddress::Family::kIpv6;
  std::memcpy(address.bytes.data(), &addr6, 16);
  return true;
}

void SetLookupOverride(const std::string& hostsText) {
  std::lock_guard<std::mutex> hold(g_overrideLock);
  g_override = hostsText;
}

namespace {

// Names under "invalid" never exist (RFC 6761); answer at once rather than ask a name server
// that may be unreachable.
bool IsReservedInvalidName(std::string name) {
  if (!name.empty() && name.back() == '.') name.pop_back();
  for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  constexpr std::string_view kSuffix = ".invalid";
  return name == "invalid" ||
         (name.size() > kSuffix.size() &&
          name.compare(name.size() - kSuffix.size(), kSuffix.size(), kSuffix) == 0);
}

}  // namespace

namespace {

// The override's addresses for the name; false when it does not list the name.
bool LookupOverride(const std::string& host, std::vector<IpAddress>& addresses) {
  std::lock_guard<std::mutex> hold(g_overrideLock);
  if (g_override.empty()) return false;
  bool listed = false;
  size_t begin = 0;
  while (begin < g_override.size()) {
    size_t end = g_override.find('\n', begin);
    if (end == std::string::npos) end = g_override.size();
    std::string line = g_override.substr(begin, end - begin);
    begin = end + 1;
    std::vector<std::string> words;
    for (size_t at = 0; at < line.size();) {
      size_t start = line.find_first_not_of(" \t\r", at);
      if (start == std::string::npos || line[start] == '#') break;
      size_t stop = line.find_first_of(" \t\r", start);
      if (stop == std::string::npos) stop = line.size();
      words.push_back(line.substr(start, stop - start));
      at = stop;
    }
    IpAddress address;
    if (words.size() < 2 || !ParseNumericAddress(words[0], address)) continue;
    for (size_t i = 1; i < words.size(); ++i) {
      if (::strcasecmp(words[i].c_str(), host.c_str()) != 0) continue;
      addresses.push_back(address);
      listed = true;
    }
  }
  return listed;
}

}  // namespace

bool LookupHostAll(const std::string& host, std::vector<IpAddress>& addresses) {
  addresses.clear();
  if (host.empty() || IsReservedInvalidName(host)) {
    t_lastSocketError = SocketCode::kHostNotFound;
    return false;
  }
  if (LookupOverride(host, addresses)) {
    ClearSocketError();
    return true;
  }
  addrinfo hints;
  std::memset(&hints, 0, sizeof(hints));
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_ADDRCONFIG;
  addrinfo* result = nullptr;
  int rc = ::getaddrinfo(host.c_str(), nullptr, &hints, &result);
  if (rc != 0 || result == nullptr) {
    t_lastSocketError = rc == EAI_SYSTEM ? SocketCodeFromErrno(errno) : SocketCodeFromLookup(rc);
    if (result != nullptr) ::freeaddrinfo(result);
    return false;
  }
  for (addrinfo* entry = result; entry != nullptr; entry = entry->ai_next) {
    SocketAddress found;
    if (!FromSystemAddress(entry->ai_addr, found)) continue;
    bool seen = false;
    for (const IpAddress& known : addresses) seen = seen || known == found.address;
    if (!seen) addresses.push_back(found.address);
  }
  ::freeaddrinfo(result);
  if (addresses.empty()) {
    t_lastSocketError = SocketCode::kHostNotFound;
    return false;
  }
  ClearSocketError();
  return true;
}

bool LookupHost(const std::string& host, IpAddress& address) {
  std::vector<IpAddress> addresses;
  if (!LookupHostAll(host, addresses)) return false;
  address = addresses.front();
  return true;
}

bool SocketConnect(SocketHandle socket, const IpAddress& address, uint16_t port, int timeLimit) {
  sockaddr_storage sa;
  const socklen_t length = MakeAddress(address, port, sa);
  // The attempt runs in non-blocking mode and is waited for with poll: a shutdown from another
  // thread wakes that wait at once, even when it came before the attempt started (the socket
  // then reports hang-up), which a blocking connect would not notice.
  int flags = ::fcntl(socket, F_GETFL, 0);
  if (flags < 0 || ::fcntl(socket, F_SETFL, flags | O_NONBLOCK) < 0) {
    SetSocketError(errno);
    return false;
  }
  int err = 0;
  if (::connect(socket, reinterpret_cast<sockaddr*>(&sa), length) < 0) {
    err = errno;
    if (err == EINPROGRESS || err == EINTR) {
      pollfd pfd{socket, POLLOUT, 0};
      int rc;
      do {
        rc = ::poll(&pfd, 1, timeLimit);
      } while (rc < 0 && errno == EINTR);
      err = rc < 0 ? errno : rc == 0 ? ETIMEDOUT : 0;
      if (err == 0) {
        socklen_t len = sizeof(err);
        if (::getsockopt(socket, SOL_SOCKET, SO_ERROR, &err, &len) < 0) err = errno;
      }
      if (err == 0 && (pfd.revents & POLLHUP) != 0) err = ECONNABORTED;
    }
  }
  ::fcntl(socket, F_SETFL, flags);
  if (err != 0) {
    SetSocketError(err);
    return false;
  }
  ClearSocketError();
  return true;
}

int SocketReceive(SocketHandle socket, void* buffer, int size, int flags, int timeLimit) {
  if (!WaitFor(socket, POLLIN, timeLimit)) return -1;
  int osFlags = (flags & kReceivePeek) ? MSG_PEEK : 0;
  ssize_t n;
  do {
    n = ::recv(socket, buffer, static_cast<size_t>(size), osFlags);
  } while (n < 0 && errno == EINTR);
  if (n < 0) {
    SetSocketError(errno);
    return -1;
  }
  ClearSocketError();
  return static_cast<int>(n);
}

int SocketSend(SocketHandle socket, const void* data, int size, int timeLimit) {
  if (!WaitFor(socket, POLLOUT, timeLimit)) return -1;
  ssize_t n;
  do {
    n = ::send(socket, data, static_cast<size_t>(size), MSG_NOSIGNAL);
  } while (n < 0 && errno == EINTR);
  if (n < 0) {
    SetSocketError(errno);
    return -1;
  }
  ClearSocketError();
  return static_cast<int>(n);
}

bool SocketIsQuiet(SocketHandle socket) {
  pollfd pfd{socket, POLLIN, 0};
  int rc;
  do {
    rc = ::poll(&pfd, 1, 0);
  } while (rc < 0 && errno == EINTR);
  return rc == 0;
}

bool SocketBind(SocketHandle socket, const IpAddress& address, uint16_t port) {
  sockaddr_storage sa;
  const socklen_t length = MakeAddress(address, port, sa);
  if (::bind(socket, reinterpret_cast<sockaddr*>(&sa), length) < 0) {
    SetSocketError(errno);
    return false;
  }
  ClearSocketError();
  return true;
}

bool SocketListen(SocketHandle socket, int backlog) {
  if (::listen(socket, backlog) < 0) {
    SetSocketError(errno);
    return false;
  }
  ClearSocketError();
  return true;
}

SocketHandle SocketAccept(SocketHandle socket, int timeLimit) {
  if (!WaitFor(socket, POLLIN, timeLimit)) return kInvalidSocket;
  int fd;
  do {
    fd = ::accept4(socket, nullptr, nullptr, SOCK_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    SetSocketError(errno);
    return kInvalidSocket;
  }
  ClearSocketError();
  return fd;
}

namespace {

bool NameOf(SocketHandle socket, SocketAddress& out, bool local) {
  sockaddr_storage sa;
  socklen_t len = sizeof(sa);
  int rc = local ? ::getsockname(socket, reinterpret_cast<sockaddr*>(&sa), &len)
                 : ::getpeername(socket, reinterpret_cast<sockaddr*>(&sa), &len);
  if (rc < 0) {
    SetSocketError(errno);
    return false;
  }
  if (!FromSystemAddress(reinterpret_cast<sockaddr*>(&sa), out)) {
    t_lastSocketError = SocketCode::kAddressFamily;
    return false;
  }
  ClearSocketError();
  return true;
}

}  // namespace

bool SocketLocalAddress(SocketHandle socket, SocketAddress& out) {
  return NameOf(socket, out, true);
}

bool SocketPeerAddress(SocketHandle socket, SocketAddress& out) {
  return NameOf(socket, out, false);
}

}  // namespace ferrow
