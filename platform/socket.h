#pragma once
// Blocking IPv4 stream sockets. Every call records the socket error code of its failure
// (Winsock numbering, see error_code.h) for the calling thread, read by LastSocketError(), the
// way the network layer above expects: one call, then the error of that call.
#include <cstdint>
#include <string>

namespace ferrow {

using SocketHandle = int;
constexpr SocketHandle kInvalidSocket = -1;

// Flags of SocketReceive.
constexpr int kReceivePeek = 1;

// An IPv4 address and port, both in host byte order.
struct SocketAddress {
  uint32_t address = 0;
  uint16_t port = 0;
};

// The socket error code left by this thread's last socket call; 0 when it succeeded or when a
// receive found the connection closed by the peer.
uint16_t LastSocketError();

SocketHandle SocketCreate();
// Breaks every blocking call on the socket (connect, receive, send, accept), from any thread,
// without releasing the handle; the owner closes it afterwards.
void SocketShutdown(SocketHandle socket);
void SocketClose(SocketHandle socket);

// Reads a dotted IPv4 address ("127.0.0.1"; the short and hexadecimal forms are accepted too).
bool ParseDottedAddress(const std::string& text, uint32_t& address);
// Looks a host name up (IPv4 only) and gives the first address of the answer.
bool LookupHost(const std::string& host, uint32_t& address);

// The waits below take a time limit in milliseconds (-1: none); a call that runs out of it
// fails with the time-out error (10060).
constexpr int kNoTimeLimit = -1;

bool SocketConnect(SocketHandle socket, uint32_t address, uint16_t port,
                   int timeLimit = kNoTimeLimit);
// One receive call: bytes received, 0 when the peer closed the connection, -1 on failure.
int SocketReceive(SocketHandle socket, void* buffer, int size, int flags,
                  int timeLimit = kNoTimeLimit);
// One send call: bytes sent or -1. Never raises a broken-pipe signal.
int SocketSend(SocketHandle socket, const void* data, int size, int timeLimit = kNoTimeLimit);
bool SocketBind(SocketHandle socket, uint32_t address, uint16_t port);
bool SocketListen(SocketHandle socket, int backlog);
SocketHandle SocketAccept(SocketHandle socket, int timeLimit = kNoTimeLimit);
bool SocketLocalAddress(SocketHandle socket, SocketAddress& out);
bool SocketPeerAddress(SocketHandle socket, SocketAddress& out);

}  // namespace ferrow
