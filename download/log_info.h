#pragma once
// One line of a transfer's log: a command sent (kind 1), a reply received (kind 2), a notice
// (kind 4), or a line of the second form (kind, number, argument, extra) that the site explorer
// writes.
#include <cstdint>
#include <string>
#include <utility>

namespace ferrow {

namespace LogKind {
constexpr uint32_t kSent = 1;
constexpr uint32_t kReceived = 2;
// Ferrow's own remark on the transfer (a restart and why, a server's reply not followed).
constexpr uint32_t kNotice = 4;
}  // namespace LogKind

class CLogInfo {
 public:
  CLogInfo() = default;
  CLogInfo(uint32_t kind, std::wstring text) : m_kind(kind), m_text(std::move(text)) {}
  CLogInfo(uint32_t kind, uint32_t number, std::wstring argument, uint32_t extra)
      : m_kind(kind), m_number(number), m_argument(std::move(argument)), m_extra(extra) {}

  uint32_t Kind() const { return m_kind; }
  const std::wstring& Text() const { return m_text; }
  uint32_t Number() const { return m_number; }
  const std::wstring& Argument() const { return m_argument; }
  uint32_t Extra() const { return m_extra; }

 private:
  uint32_t m_kind = 0;
  std::wstring m_text;
  uint32_t m_number = 0;
  std::wstring m_argument;
  uint32_t m_extra = 0;
};

}  // namespace ferrow
