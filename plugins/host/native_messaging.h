#pragma once
// The browsers' native messaging frames: a 32-bit length in the machine's byte order, then that
// many bytes of UTF-8 JSON. Reads are bounded: a length over the limit is reported without
// reading the body, as nothing after it can be trusted to be a frame boundary.
#include <cstddef>
#include <cstdint>
#include <string>

namespace ferrow::host {

enum class FrameResult {
  kMessage,    // a whole message was read
  kEnd,        // the browser closed the channel between messages
  kEmpty,      // a message of length 0
  kTooLong,    // the length is over the limit; the channel is unusable now
  kTruncated,  // the channel ended inside a length or a body
};

// Reads one frame from fd; `length` is the announced length (also for kTooLong).
FrameResult ReadFrame(int fd, size_t limit, std::string& body, uint64_t& length);
// Writes one frame; false when the channel is gone.
bool WriteFrame(int fd, const std::string& body);

}  // namespace ferrow::host
