#include "plugins/host/native_messaging.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace ferrow::host {
namespace {

// Reads up to size bytes; the count read (short only at the end of the channel), -1 on error.
ssize_t ReadFully(int fd, char* data, size_t size) {
  size_t done = 0;
  while (done < size) {
    ssize_t n = ::read(fd, data + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return -1;
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  return static_cast<ssize_t>(done);
}

}  // namespace

FrameResult ReadFrame(int fd, size_t limit, std::string& body, uint64_t& length) {
  body.clear();
  length = 0;
  uint32_t announced = 0;
  ssize_t got = ReadFully(fd, reinterpret_cast<char*>(&announced), sizeof announced);
  if (got == 0) return FrameResult::kEnd;
  if (got != static_cast<ssize_t>(sizeof announced)) return FrameResult::kTruncated;
  length = announced;
  if (announced == 0) return FrameResult::kEmpty;
  if (announced > limit) return FrameResult::kTooLong;
  body.resize(announced);
  got = ReadFully(fd, body.data(), announced);
  if (got != static_cast<ssize_t>(announced)) {
    body.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return FrameResult::kTruncated;
  }
  return FrameResult::kMessage;
}

bool WriteFrame(int fd, const std::string& body) {
  uint32_t length = static_cast<uint32_t>(body.size());
  std::string frame(sizeof length, '\0');
  std::memcpy(frame.data(), &length, sizeof length);
  frame += body;
  size_t done = 0;
  while (done < frame.size()) {
    ssize_t n = ::write(fd, frame.data() + done, frame.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace ferrow::host
