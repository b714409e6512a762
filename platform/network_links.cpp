#include "platform/network_links.h"

#include <linux/if_arp.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace ferrow {
namespace {

// NLMSG_OK, without the macro's comparison of the header's unsigned length with an int.
bool MessageFits(const nlmsghdr* header, int left) {
  return left >= static_cast<int>(sizeof(nlmsghdr)) && header->nlmsg_len >= sizeof(nlmsghdr) &&
         header->nlmsg_len <= static_cast<unsigned>(left);
}

class NetlinkSocket {
 public:
  explicit NetlinkSocket(uint32_t groups) {
    m_fd = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE);
    if (m_fd < 0) return;
    sockaddr_nl local{};
    local.nl_family = AF_NETLINK;
    local.nl_groups = groups;
    if (::bind(m_fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
      ::close(m_fd);
      m_fd = -1;
    }
  }
  ~NetlinkSocket() {
    if (m_fd >= 0) ::close(m_fd);
  }
  NetlinkSocket(const NetlinkSocket&) = delete;
  NetlinkSocket& operator=(const NetlinkSocket&) = delete;
  int Fd() const { return m_fd; }
  int Release() {
    const int fd = m_fd;
    m_fd = -1;
    return fd;
  }

 private:
  int m_fd = -1;
};

void ParseLink(const nlmsghdr* header, std::vector<NetworkLink>& links) {
  const auto* info = static_cast<const ifinfomsg*>(NLMSG_DATA(header));
  NetworkLink link;
  link.index = static_cast<uint32_t>(info->ifi_index);
  link.type = info->ifi_type;
  link.up = (info->ifi_flags & IFF_UP) && (info->ifi_flags & IFF_RUNNING);
  link.loopback = (info->ifi_flags & IFF_LOOPBACK) != 0;
  link.pointToPoint = (info->ifi_flags & IFF_POINTOPOINT) != 0;
  int length = static_cast<int>(IFLA_PAYLOAD(header));
  for (const rtattr* attribute = IFLA_RTA(info); RTA_OK(attribute, length);
       attribute = RTA_NEXT(attribute, length)) {
    if (attribute->rta_type != IFLA_IFNAME) continue;
    const char* name = static_cast<const char*>(RTA_DATA(attribute));
    link.name.assign(name, ::strnlen(name, RTA_PAYLOAD(attribute)));
  }
  links.push_back(std::move(link));
}

}  // namespace

uint32_t PppLinkType() {
  return ARPHRD_PPP;
}

std::vector<NetworkLink> ListNetworkLinks(bool* ok) {
  if (ok) *ok = false;
  std::vector<NetworkLink> links;
  NetlinkSocket socket(0);
  if (socket.Fd() < 0) return links;
  struct {
    nlmsghdr header;
    ifinfomsg info;
  } request{};
  request.header.nlmsg_len = NLMSG_LENGTH(sizeof(ifinfomsg));
  request.header.nlmsg_type = RTM_GETLINK;
  request.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
  request.header.nlmsg_seq = 1;
  request.info.ifi_family = AF_UNSPEC;
  if (::send(socket.Fd(), &request, request.header.nlmsg_len, 0) < 0) return links;

  alignas(nlmsghdr) char buffer[32768];
  for (;;) {
    const ssize_t got = ::recv(socket.Fd(), buffer, sizeof buffer, 0);
    if (got < 0) {
      if (errno == EINTR) continue;
      return {};
    }
    if (got == 0) return {};
    int left = static_cast<int>(got);
    for (auto* header = reinterpret_cast<const nlmsghdr*>(buffer); MessageFits(header, left);
         header = NLMSG_NEXT(header, left)) {
      if (header->nlmsg_type == NLMSG_DONE) {
        if (ok) *ok = true;
        return links;
      }
      if (header->nlmsg_type == NLMSG_ERROR) return {};
      if (header->nlmsg_type == RTM_NEWLINK) ParseLink(header, links);
    }
  }
}

CLinkWatch::~CLinkWatch() {
  if (m_fd >= 0) ::close(m_fd);
}

bool CLinkWatch::Open() {
  m_wake.Clear();
  if (m_fd >= 0) return true;
  NetlinkSocket socket(RTMGRP_LINK);
  m_fd = socket.Release();
  return m_fd >= 0 && m_wake.IsValid();
}

bool CLinkWatch::IsInterrupted() const {
  pollfd entry{m_wake.Fd(), POLLIN, 0};
  return ::poll(&entry, 1, 0) > 0;
}

bool CLinkWatch::Wait(uint32_t milliseconds) {
  pollfd entries[2] = {{m_wake.Fd(), POLLIN, 0}, {m_fd, POLLIN, 0}};
  const nfds_t count = m_fd >= 0 ? 2 : 1;
  const int ready = ::poll(entries, count, static_cast<int>(milliseconds));
  if (ready <= 0 || entries[0].revents != 0) return false;
  if (count < 2 || entries[1].revents == 0) return false;
  // Only that something changed matters: the caller lists the links again.
  char buffer[8192];
  while (::recv(m_fd, buffer, sizeof buffer, MSG_DONTWAIT) > 0) {
  }
  return true;
}

}  // namespace ferrow
