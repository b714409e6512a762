#pragma once
// printf-style formatting of message texts that come from language files. The pattern is data
// a user can edit, so it is never handed to the C library's printf: each placeholder takes the
// next argument and converts it by the argument's own type (a number under "%s" prints as
// digits, a text under "%d" as its leading number, a missing argument as nothing).
#include <cstdint>
#include <initializer_list>
#include <string>
#include <variant>

namespace ferrow {

class CMessageArg {
 public:
  CMessageArg(int value) : m_value(static_cast<int64_t>(value)) {}
  CMessageArg(long value) : m_value(static_cast<int64_t>(value)) {}
  CMessageArg(long long value) : m_value(static_cast<int64_t>(value)) {}
  CMessageArg(unsigned value) : m_value(static_cast<uint64_t>(value)) {}
  CMessageArg(unsigned long value) : m_value(static_cast<uint64_t>(value)) {}
  CMessageArg(unsigned long long value) : m_value(static_cast<uint64_t>(value)) {}
  CMessageArg(double value) : m_value(value) {}
  CMessageArg(const wchar_t* value) : m_value(std::wstring(value ? value : L"")) {}
  CMessageArg(std::wstring value) : m_value(std::move(value)) {}

  const std::variant<int64_t, uint64_t, double, std::wstring>& Get() const { return m_value; }

 private:
  std::variant<int64_t, uint64_t, double, std::wstring> m_value;
};

// Understands %d %i %u %x %X %o %c %s %S %e %f %g %% with flags "-+ 0#", width and precision
// (numbers, not "*"), and the length prefixes h l ll I64 z j t L which it ignores. Anything
// else after "%" is copied as it is.
std::wstring FormatMessageText(const std::wstring& pattern,
                               std::initializer_list<CMessageArg> args);

}  // namespace ferrow
