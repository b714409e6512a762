#include "store/xml_line_reader.h"

#include "platform/text.h"

namespace ferrow {

bool CXmlLineReader::ReadLine(std::wstring& line) {
  if (m_position >= m_bytes.size()) return false;
  size_t end = m_bytes.find('\n', m_position);
  const size_t next = end == std::string_view::npos ? m_bytes.size() : end + 1;
  if (end == std::string_view::npos) end = m_bytes.size();
  size_t length = end - m_position;
  if (length > 0 && end < m_bytes.size() && m_bytes[end - 1] == '\r') --length;
  line = Latin1ToWide(m_bytes.substr(m_position, length));
  m_position = next;
  return true;
}

}  // namespace ferrow
