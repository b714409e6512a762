#pragma once
// Hands out the lines of a stored file: ISO 8859-1 bytes become characters of the same value,
// and a CR LF or a lone LF ends a line.
#include <cstddef>
#include <string>
#include <string_view>

namespace ferrow {

class CXmlLineReader {
 public:
  // The reader does not copy the bytes; they must outlive it.
  explicit CXmlLineReader(std::string_view bytes) : m_bytes(bytes) {}

  // The next line without its line end, or false at the end of the bytes.
  bool ReadLine(std::wstring& line);

 private:
  std::string_view m_bytes;
  size_t m_position = 0;
};

}  // namespace ferrow
