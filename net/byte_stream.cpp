#include "net/byte_stream.h"

namespace ferrow {

bool CStreamLayer::Connect(const std::wstring& host, uint16_t port) {
  m_error = 0;
  return m_lower->Connect(host, port);
}

bool CStreamLayer::Fail(ErrorValue error) {
  m_error = error;
  return false;
}

}  // namespace ferrow
