#include "net/chunked_decoder.h"

#include <algorithm>
#include <cstring>

namespace ferrow {

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

bool CChunkedDecoder::Fail() {
  m_state = State::kFailed;
  return false;
}

bool CChunkedDecoder::Step(char c) {
  switch (m_state) {
    case State::kSize: {
      const int digit = HexValue(c);
      if (digit >= 0) {
        if (m_chunkLeft > (kMaxChunkSize >> 4)) return Fail();
        m_chunkLeft = m_chunkLeft << 4 | static_cast<uint64_t>(digit);
        if (m_chunkLeft > kMaxChunkSize || ++m_digits > kMaxLineLength) return Fail();
        return true;
      }
      if (m_digits == 0) return Fail();
      // White space before an extension or the line end is tolerated, as servers send it.
      if (c == ';' || c == ' ' || c == '\t') {
        m_state = State::kExtension;
        m_lineLength = m_digits + 1;
        return true;
      }
      if (c == '\r') {
        m_state = State::kSizeLineEnd;
        return true;
      }
      if (c == '\n') break;  // a bare line feed ends the line too
      return Fail();
    }
    case State::kExtension:
      if (++m_lineLength > kMaxLineLength) return Fail();
      if (c == '\r') m_state = State::kSizeLineEnd;
      if (c == '\n') break;
      return true;
    case State::kSizeLineEnd:
      if (c != '\n') return Fail();
      break;
    case State::kDataCr:
      if (c == '\n') {
        m_state = State::kSize;
        return true;
      }
      if (c != '\r') return Fail();
      m_state = State::kDataLf;
      return true;
    case State::kDataLf:
      if (c != '\n') return Fail();
      m_state = State::kSize;
      return true;
    case State::kTrailer:
      if (++m_trailerBytes > kMaxTrailerBytes) return Fail();
      if (c == '\n') {
        // An empty line (only its carriage return before it) ends the body.
        if (m_lineLength == 0) {
          m_state = State::kDone;
          return true;
        }
        m_lineLength = 0;
        return true;
      }
      if (c != '\r' && ++m_lineLength > kMaxLineLength) return Fail();
      return true;
    default:
      return false;
  }
  // The size line has ended.
  m_digits = 0;
  m_lineLength = 0;
  if (m_chunkLeft == 0) {
    m_state = State::kTrailer;
  } else {
    m_state = State::kData;
  }
  return true;
}

size_t CChunkedDecoder::Decode(char* data, size_t size) {
  size_t produced = 0;
  size_t at = 0;
  while (at < size && m_state != State::kDone && m_state != State::kFailed) {
    if (m_state == State::kData) {
      const size_t take = static_cast<size_t>(std::min<uint64_t>(m_chunkLeft, size - at));
      if (produced != at) std::memmove(data + produced, data + at, take);
      produced += take;
      at += take;
      m_chunkLeft -= take;
      m_bodyBytes += take;
      if (m_chunkLeft == 0) m_state = State::kDataCr;
      continue;
    }
    if (!Step(data[at++])) break;
  }
  return produced;
}

}  // namespace ferrow
