#pragma once
// A body in chunked transfer coding as a layer: put on top of a connection once the response
// header has been read, it delivers the body's bytes only, and 0 (the end) after the last
// chunk. A connection that ends before the last chunk is 10101 (closed early); input that is
// not chunked coding is category 0 code 13 (invalid data). No peeking: a body is read, not
// scanned for lines.
#include <memory>

#include "net/byte_stream.h"
#include "net/chunked_decoder.h"

namespace ferrow {

class CChunkedStream : public CStreamLayer {
 public:
  explicit CChunkedStream(std::unique_ptr<IByteStream> lower) : CStreamLayer(std::move(lower)) {}

  int Receive(void* buffer, int size, int flags) override;
  bool Done() const { return m_decoder.Done(); }

 private:
  CChunkedDecoder m_decoder;
};

}  // namespace ferrow
