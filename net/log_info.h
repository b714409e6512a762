#pragma once
// One line of a transfer's log: a command sent, a reply received, a notice, or a line of the
// second form (kind, number, argument, extra) that the site explorer writes.
#include <cstdint>
#include <string>
#include <utility>

namespace ferrow {

// The kinds of log lines; the numbers are the log window's line types and never change.
enum class LogKind : uint32_t {
  kInfo = 0,      // the site explorer's own information (second form)
  kSent = 1,      // a command sent
  kReceived = 2,  // a reply line received
  kFailure = 3,   // the site explorer's failure line (second form)
  // Ferrow's own remark on the transfer (a restart and why, a server's reply not followed).
  kNotice = 4,
};

// The number of a kind, as the log window and the tests see it.
constexpr uint32_t LogKindNumber(LogKind kind) {
  return static_cast<uint32_t>(kind);
}

class CLogInfo {
 public:
  CLogInfo() = default;
  CLogInfo(LogKind kind, std::wstring text) : m_kind(kind), m_text(std::move(text)) {}
  CLogInfo(LogKind kind, uint32_t number, std::wstring argument, uint32_t extra)
      : m_kind(kind), m_number(number), m_argument(std::move(argument)), m_extra(extra) {}

  LogKind Kind() const { return m_kind; }
  const std::wstring& Text() const { return m_text; }
  uint32_t Number() const { return m_number; }
  const std::wstring& Argument() const { return m_argument; }
  uint32_t Extra() const { return m_extra; }

 private:
  LogKind m_kind = LogKind::kInfo;
  std::wstring m_text;
  uint32_t m_number = 0;
  std::wstring m_argument;
  uint32_t m_extra = 0;
};

}  // namespace ferrow
