#pragma once
// The reader of HTTP's chunked transfer coding: a body sent as hexadecimal sizes, each followed
// by that many bytes, ended by a chunk of size 0 and optional trailer lines. It is fed whatever
// the connection delivered, in pieces of any length, and keeps the body bytes only. Plain code
// on bytes, so it can be fed anything in tests and by the fuzzer.
//
// Hostile input is an error, never an overflow or a guess: a size without hex digits, one
// larger than kMaxChunkSize, a size line or a trailer longer than kMaxLineLength, trailers
// beyond kMaxTrailerBytes, or a chunk not followed by its line end.
#include <cstddef>
#include <cstdint>

namespace ferrow {

class CChunkedDecoder {
 public:
  static constexpr uint64_t kMaxChunkSize = uint64_t{1} << 62;
  static constexpr size_t kMaxLineLength = 4096;
  static constexpr size_t kMaxTrailerBytes = 65536;

  // Decodes size bytes in place: the body bytes among them are moved to the front of data,
  // in order, and their count is returned. Bytes after the end of the body are ignored.
  size_t Decode(char* data, size_t size);

  // The last chunk and the trailers have been read: the body is complete.
  bool Done() const { return m_state == State::kDone; }
  // The input is not chunked coding; nothing more is decoded.
  bool Failed() const { return m_state == State::kFailed; }
  // Body bytes produced so far.
  uint64_t BodyBytes() const { return m_bodyBytes; }

 private:
  enum class State {
    kSize,         // hex digits of a chunk size
    kExtension,    // ";name=value" after the size, up to the line end
    kSizeLineEnd,  // the line feed of the size line
    kData,         // the chunk's bytes
    kDataCr,       // the carriage return after them
    kDataLf,       // the line feed after them
    kTrailer,      // a trailer line (or the empty line that ends the body)
    kDone,
    kFailed,
  };

  bool Fail();
  // One byte of a size line, a data line end or a trailer.
  bool Step(char c);

  State m_state = State::kSize;
  uint64_t m_chunkLeft = 0;
  uint64_t m_bodyBytes = 0;
  size_t m_digits = 0;
  size_t m_lineLength = 0;
  size_t m_trailerBytes = 0;
};

}  // namespace ferrow
