#pragma once
// The network as the fuzz targets see it: platform/socket.h, the bottom of the transport,
// answered from memory instead of the system; the TCP stream, the proxy layers and the clients
// above it are the shipped code. Every name resolves, every connection is accepted, and connection
// i (counted in the order the code under test connects) receives replies[i], then finds the peer
// closed. What the code sends is kept per connection, so a target can check every byte it wrote.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ferrow::fuzz {

// Starts a fresh network for one input. chunk limits how many bytes one receive call
// returns, so that line ends and replies are also met split across calls.
void ResetNetwork(std::vector<std::string> replies, size_t chunk);

// What was sent on each connection made since the reset, in connection order.
const std::vector<std::string>& SentBytes();

// Splits an input into the replies of successive connections at each kReplySeparator.
std::vector<std::string> SplitReplies(const uint8_t* data, size_t size);
inline constexpr char kReplySeparator[] = "\n=== next connection ===\n";

// The receive chunk an input asks for, from its length (so that a saved input replays alike).
size_t ChunkFor(size_t size);

}  // namespace ferrow::fuzz
