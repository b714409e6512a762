// An address's own methods, apart from the sockets so that a build with a network of its own
// (the fuzz targets) keeps them.
#include <arpa/inet.h>

#include "platform/socket.h"

namespace ferrow {

IpAddress IpAddress::Ipv4(uint32_t address) {
  IpAddress result;
  result.bytes[0] = static_cast<uint8_t>(address >> 24);
  result.bytes[1] = static_cast<uint8_t>(address >> 16);
  result.bytes[2] = static_cast<uint8_t>(address >> 8);
  result.bytes[3] = static_cast<uint8_t>(address);
  return result;
}

uint32_t IpAddress::ToIpv4() const {
  if (!IsIpv4()) return 0;
  return uint32_t{bytes[0]} << 24 | uint32_t{bytes[1]} << 16 | uint32_t{bytes[2]} << 8 | bytes[3];
}

std::string IpAddress::Text() const {
  char text[INET6_ADDRSTRLEN] = {};
  ::inet_ntop(IsIpv4() ? AF_INET : AF_INET6, bytes.data(), text, sizeof(text));
  return text;
}

}  // namespace ferrow
