// platform/socket.h for the fuzz targets: no system socket is ever opened and no name is ever
// looked up, so an input can make the code under test connect anywhere it likes.
#include "tests/fuzz/fake_network.h"

#include <arpa/inet.h>

#include <cstring>
#include <map>
#include <string_view>

#include "platform/error_code.h"
#include "platform/socket.h"

namespace ferrow {
namespace {

struct Connection {
  int index = -1;  // into the replies; -1 while not connected
  size_t read = 0;
  bool listening = false;
};

struct Network {
  std::vector<std::string> replies;
  std::vector<std::string> sent;
  std::vector<SocketAddress> endpoints;
  std::map<SocketHandle, Connection> sockets;
  SocketHandle next = 100;
  size_t chunk = 65536;
};

Network& Net() {
  static Network network;
  return network;
}

thread_local uint16_t t_lastError = 0;

Connection* Find(SocketHandle socket) {
  auto it = Net().sockets.find(socket);
  return it == Net().sockets.end() ? nullptr : &it->second;
}

int Fail(uint16_t code) {
  t_lastError = code;
  return -1;
}

}  // namespace

namespace fuzz {

void ResetNetwork(std::vector<std::string> replies, size_t chunk) {
  Network& net = Net();
  net.replies = std::move(replies);
  net.sent.clear();
  net.endpoints.clear();
  net.sockets.clear();
  net.chunk = chunk == 0 ? 1 : chunk;
}

const std::vector<std::string>& SentBytes() {
  return Net().sent;
}

std::vector<std::string> SplitReplies(const uint8_t* data, size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> replies;
  for (;;) {
    size_t at = input.find(kReplySeparator);
    replies.emplace_back(input.substr(0, at));
    if (at == std::string_view::npos) break;
    input.remove_prefix(at + sizeof kReplySeparator - 1);
  }
  return replies;
}

size_t ChunkFor(size_t size) {
  static const size_t kChunks[] = {65536, 1, 2, 3, 5, 64, 1000};
  return kChunks[size % std::size(kChunks)];
}

}  // namespace fuzz

uint16_t LastSocketError() {
  return t_lastError;
}

// Either family: the fake has no system to refuse one.
SocketHandle SocketCreate(IpAddress::Family) {
  t_lastError = 0;
  SocketHandle handle = Net().next++;
  Net().sockets[handle] = Connection();
  return handle;
}

void SocketShutdown(SocketHandle) {}

// Fuzzed transfers run without a connection pool, so nothing asks a kept socket whether it is
// quiet; an open one is, a closed one is not.
bool SocketIsQuiet(SocketHandle socket) {
  return Find(socket) != nullptr;
}

void SocketClose(SocketHandle socket) {
  Net().sockets.erase(socket);
}

bool ParseNumericAddress(const std::string& text, IpAddress& address) {
  in_addr parsed;
  if (text.empty() || ::inet_aton(text.c_str(), &parsed) == 0) return false;
  address = IpAddress::Ipv4(ntohl(parsed.s_addr));
  return true;
}

bool LookupHost(const std::string& host, IpAddress& address) {
  if (host.empty()) {
    t_lastError = SocketCode::kHostNotFound;
    return false;
  }
  t_lastError = 0;
  address =
      IpAddress::Ipv4(0x0A000001);  // 10.0.0.1: every name resolves, never through a name server
  return true;
}

bool LookupHostAll(const std::string& host, std::vector<IpAddress>& addresses) {
  addresses.clear();
  IpAddress address;
  if (!LookupHost(host, address)) return false;
  addresses.push_back(address);
  return true;
}

void SetLookupOverride(const std::string&) {}

// Nothing ever waits here, so time limits never run out.
bool SocketConnect(SocketHandle socket, const IpAddress& address, uint16_t port, int) {
  Connection* connection = Find(socket);
  Network& net = Net();
  if (!connection || connection->index >= 0) {
    t_lastError = SocketCode::kInvalidArgument;
    return false;
  }
  if (net.endpoints.size() >= net.replies.size()) {
    t_lastError = SocketCode::kConnectionRefused;
    return false;
  }
  connection->index = static_cast<int>(net.endpoints.size());
  net.endpoints.push_back({address, port});
  net.sent.emplace_back();
  t_lastError = 0;
  return true;
}

int SocketReceive(SocketHandle socket, void* buffer, int size, int flags, int) {
  Connection* connection = Find(socket);
  if (!connection || connection->index < 0) return Fail(SocketCode::kNotConnected);
  if (size <= 0) return Fail(SocketCode::kInvalidArgument);
  const std::string& reply = Net().replies[static_cast<size_t>(connection->index)];
  size_t count = reply.size() - connection->read;
  if (count > static_cast<size_t>(size)) count = static_cast<size_t>(size);
  if (count > Net().chunk) count = Net().chunk;
  std::memcpy(buffer, reply.data() + connection->read, count);
  if ((flags & kReceivePeek) == 0) connection->read += count;
  t_lastError = 0;  // 0 bytes: the peer closed the connection, as a real receive reports it
  return static_cast<int>(count);
}

int SocketSend(SocketHandle socket, const void* data, int size, int) {
  Connection* connection = Find(socket);
  if (!connection || connection->index < 0) return Fail(SocketCode::kNotConnected);
  if (size < 0) return Fail(SocketCode::kInvalidArgument);
  Net().sent[static_cast<size_t>(connection->index)].append(static_cast<const char*>(data),
                                                            static_cast<size_t>(size));
  t_lastError = 0;
  return size;
}

bool SocketBind(SocketHandle socket, const IpAddress&, uint16_t) {
  return Find(socket) != nullptr;
}

bool SocketListen(SocketHandle socket, int) {
  Connection* connection = Find(socket);
  if (connection) connection->listening = true;
  return connection != nullptr;
}

// Nothing ever connects back: an active-mode data connection fails as a refused one would.
SocketHandle SocketAccept(SocketHandle, int) {
  t_lastError = SocketCode::kConnectionRefused;
  return kInvalidSocket;
}

bool SocketLocalAddress(SocketHandle socket, SocketAddress& out) {
  out.address = IpAddress::Ipv4(0x7F000001);
  out.port = static_cast<uint16_t>(40000 + socket % 1000);
  return Find(socket) != nullptr;
}

bool SocketPeerAddress(SocketHandle socket, SocketAddress& out) {
  Connection* connection = Find(socket);
  if (!connection || connection->index < 0) return false;
  out = Net().endpoints[static_cast<size_t>(connection->index)];
  return true;
}

}  // namespace ferrow
