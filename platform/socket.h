#pragma once
// Blocking stream sockets. Every call records the socket error code of its failure (Winsock
// numbering, see error_code.h) for the calling thread, read by LastSocketError(), the way the
// network layer above expects: one call, then the error of that call.
//
// Addresses are IpAddress values of either family; names resolve to both.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace ferrow {

using SocketHandle = int;
constexpr SocketHandle kInvalidSocket = -1;

// Flags of SocketReceive.
constexpr int kReceivePeek = 1;

// An IP address of either family, its bytes in network order (an IPv4 address in the first
// four).
struct IpAddress {
  enum class Family : uint8_t { kIpv4, kIpv6 };

  Family family = Family::kIpv4;
  std::array<uint8_t, 16> bytes{};

  // From an IPv4 address in host byte order (0x7F000001 is 127.0.0.1).
  static IpAddress Ipv4(uint32_t address);
  bool IsIpv4() const { return family == Family::kIpv4; }
  // The IPv4 address in host byte order; 0 for an IPv6 address.
  uint32_t ToIpv4() const;
  // "127.0.0.1", or the IPv6 text form.
  std::string Text() const;

  friend bool operator==(const IpAddress&, const IpAddress&) = default;
};

// An address and a port (host byte order).
struct SocketAddress {
  IpAddress address;
  uint16_t port = 0;
};

// The socket error code left by this thread's last socket call; 0 when it succeeded or when a
// receive found the connection closed by the peer.
uint16_t LastSocketError();

SocketHandle SocketCreate(IpAddress::Family family = IpAddress::Family::kIpv4);
// Breaks every blocking call on the socket (connect, receive, send, accept), from any thread,
// without releasing the handle; the owner closes it afterwards.
void SocketShutdown(SocketHandle socket);
void SocketClose(SocketHandle socket);

// Reads a numeric address: dotted IPv4 ("127.0.0.1"; the short and hexadecimal forms are accepted
// too) or IPv6 ("::1", also in brackets as URLs write it, "[::1]").
bool ParseNumericAddress(const std::string& text, IpAddress& address);
// Looks a host name up for both families: every address of the answer, in the order the system
// prefers them (RFC 6724).
bool LookupHostAll(const std::string& host, std::vector<IpAddress>& addresses);
// The first address of LookupHostAll.
bool LookupHost(const std::string& host, IpAddress& address);
// For tests: lines of a hosts file ("address name..."); the names it lists resolve from it alone,
// in its order, and no name server is asked for them. Empty text ends the override.
void SetLookupOverride(const std::string& hostsText);

// The waits below take a time limit in milliseconds (-1: none); a call that runs out of it
// fails with the time-out error (10060).
constexpr int kNoTimeLimit = -1;

bool SocketConnect(SocketHandle socket, const IpAddress& address, uint16_t port,
                   int timeLimit = kNoTimeLimit);
// One receive call: bytes received, 0 when the peer closed the connection, -1 on failure.
int SocketReceive(SocketHandle socket, void* buffer, int size, int flags,
                  int timeLimit = kNoTimeLimit);
// One send call: bytes sent or -1. Never raises a broken-pipe signal.
int SocketSend(SocketHandle socket, const void* data, int size, int timeLimit = kNoTimeLimit);
// True when a connected socket has nothing to read and no error or hang-up waiting: a kept
// connection that the peer has neither closed nor written to since.
bool SocketIsQuiet(SocketHandle socket);
bool SocketBind(SocketHandle socket, const IpAddress& address, uint16_t port);
bool SocketListen(SocketHandle socket, int backlog);
SocketHandle SocketAccept(SocketHandle socket, int timeLimit = kNoTimeLimit);
bool SocketLocalAddress(SocketHandle socket, SocketAddress& out);
bool SocketPeerAddress(SocketHandle socket, SocketAddress& out);

}  // namespace ferrow
