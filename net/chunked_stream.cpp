#include "net/chunked_stream.h"

#include "platform/socket.h"

namespace ferrow {

int CChunkedStream::Receive(void* buffer, int size, int flags) {
  if ((flags & kReceivePeek) != 0) {
    Fail(MakeError(kCategorySocket, SocketCode::kInvalidArgument));
    return -1;
  }
  char* bytes = static_cast<char*>(buffer);
  // Framing alone (a size line, a line end) produces no body bytes: read on until some come.
  while (!m_decoder.Done()) {
    const int received = Lower().Receive(bytes, size, 0);
    if (received < 0) return -1;
    if (received == 0) {
      Fail(MakeError(kCategorySocket, SocketCode::kDisconnected));
      return -1;
    }
    const size_t produced = m_decoder.Decode(bytes, static_cast<size_t>(received));
    if (m_decoder.Failed()) {
      Fail(MakeError(kCategorySystem, SystemCode::kInvalidData));
      return -1;
    }
    if (produced > 0) return static_cast<int>(produced);
  }
  return 0;
}

}  // namespace ferrow
