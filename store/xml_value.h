#pragma once
// One named value of the XML store (an element's name and text, or an attribute), with the
// fixed text conversions of every typed value.
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/guid.h"

namespace ferrow {

class CXmlValue {
 public:
  CXmlValue() = default;
  CXmlValue(std::wstring name, std::wstring value);
  CXmlValue(std::wstring name, const wchar_t* value);  // keeps literals away from the bool form
  CXmlValue(std::wstring name, int32_t value);
  CXmlValue(std::wstring name, uint64_t value);
  CXmlValue(std::wstring name, bool value);
  CXmlValue(std::wstring name, const Guid& value);

  const std::wstring& GetName() const { return m_name; }
  const std::wstring& GetString() const { return m_value; }
  int32_t GetInt() const { return ToInt(m_value); }
  uint64_t GetUInt64() const { return ToUInt64(m_value); }
  bool GetBool() const { return ToBool(m_value); }
  // False (and value untouched) when the text is not a GUID in the standard form.
  bool GetGuid(Guid& value) const { return Guid::Parse(m_value, value); }
  void SetString(std::wstring value) { m_value = std::move(value); }

  // The attribute text: name="value".
  std::wstring Format() const;
  // Splits name=value, removing double quotes from both ends of the value. False without "=".
  static bool Parse(std::wstring_view text, CXmlValue& out);

  // The conversions. Integers read like the C library's atoi: leading blanks, an optional sign,
  // then as many digits as there are; no digits gives 0, and a value out of range is clamped.
  static std::wstring FromInt(int32_t value);
  static std::wstring FromUInt64(uint64_t value);
  static std::wstring FromBool(bool value);
  static int32_t ToInt(std::wstring_view text);
  static uint64_t ToUInt64(std::wstring_view text);
  // True exactly when the text is "True" in any ASCII letter case.
  static bool ToBool(std::wstring_view text);

 private:
  std::wstring m_name;
  std::wstring m_value;
};

}  // namespace ferrow
