#include "store/xml_value.h"

#include <limits>

namespace ferrow {
namespace {

bool IsBlank(wchar_t c) {
  return c == L' ' || c == L'\t' || c == L'\n' || c == L'\r' || c == L'\v' || c == L'\f';
}
bool IsDigit(wchar_t c) {
  return c >= L'0' && c <= L'9';
}

wchar_t AsciiLower(wchar_t c) {
  return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

}  // namespace

CXmlValue::CXmlValue(std::wstring name, std::wstring value)
    : m_name(std::move(name)), m_value(std::move(value)) {}
CXmlValue::CXmlValue(std::wstring name, const wchar_t* value)
    : m_name(std::move(name)), m_value(value ? value : L"") {}
CXmlValue::CXmlValue(std::wstring name, int32_t value)
    : m_name(std::move(name)), m_value(FromInt(value)) {}
CXmlValue::CXmlValue(std::wstring name, uint64_t value)
    : m_name(std::move(name)), m_value(FromUInt64(value)) {}
CXmlValue::CXmlValue(std::wstring name, bool value)
    : m_name(std::move(name)), m_value(FromBool(value)) {}
CXmlValue::CXmlValue(std::wstring name, const Guid& value)
    : m_name(std::move(name)), m_value(value.ToString()) {}

std::wstring CXmlValue::Format() const {
  return m_name + L"=\"" + m_value + L"\"";
}

bool CXmlValue::Parse(std::wstring_view text, CXmlValue& out) {
  const size_t equals = text.find(L'=');
  if (equals == std::wstring_view::npos) return false;
  std::wstring_view value = text.substr(equals + 1);
  while (!value.empty() && value.front() == L'"') value.remove_prefix(1);
  while (!value.empty() && value.back() == L'"') value.remove_suffix(1);
  out = CXmlValue(std::wstring(text.substr(0, equals)), std::wstring(value));
  return true;
}

std::wstring CXmlValue::FromInt(int32_t value) {
  return std::to_wstring(value);
}
std::wstring CXmlValue::FromUInt64(uint64_t value) {
  return std::to_wstring(value);
}
std::wstring CXmlValue::FromBool(bool value) {
  return value ? L"True" : L"False";
}

int32_t CXmlValue::ToInt(std::wstring_view text) {
  size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) negative = text[i++] == L'-';
  // Accumulate in 64 bits and stop growing once past the 32-bit range.
  int64_t magnitude = 0;
  constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
  for (; i < text.size() && IsDigit(text[i]); ++i) {
    magnitude = magnitude * 10 + (text[i] - L'0');
    if (magnitude > kLimit) magnitude = kLimit;
  }
  const int64_t value = negative ? -magnitude : magnitude;
  if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(value);
}

uint64_t CXmlValue::ToUInt64(std::wstring_view text) {
  size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  if (i < text.size() && text[i] == L'+') ++i;
  constexpr uint64_t kMax = std::numeric_limits<uint64_t>::max();
  uint64_t value = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i) {
    const auto digit = static_cast<uint64_t>(text[i] - L'0');
    // Out of range reads as "unknown" (all ones) rather than as a wrapped small number.
    if (value > (kMax - digit) / 10) return kMax;
    value = value * 10 + digit;
  }
  return value;
}

bool CXmlValue::ToBool(std::wstring_view text) {
  static constexpr std::wstring_view kTrue = L"true";
  if (text.size() != kTrue.size()) return false;
  for (size_t i = 0; i < text.size(); ++i)
    if (AsciiLower(text[i]) != kTrue[i]) return false;
  return true;
}

}  // namespace ferrow
