#pragma once
// A small JSON reader and writer for the native messaging host. The reader is bounded (input
// size, nesting depth, number of values) and never throws: text that is not valid JSON, or
// holds invalid UTF-8, is refused with the position and reason.
#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace ferrow::host {

class CJsonValue {
 public:
  enum class Kind { kNull, kBool, kNumber, kString, kArray, kObject };

  Kind GetKind() const { return m_kind; }
  bool IsString() const { return m_kind == Kind::kString; }
  bool IsArray() const { return m_kind == Kind::kArray; }
  bool IsObject() const { return m_kind == Kind::kObject; }
  // Strings in UTF-8.
  const std::string& String() const { return m_text; }
  bool Bool() const { return m_bool; }
  const std::vector<CJsonValue>& Items() const { return m_items; }
  // A member of an object; null when absent (or not an object).
  const CJsonValue* Find(const std::string& name) const;

  // Parses text; false with a reason when it is not one valid JSON value within the limits.
  static bool Parse(std::string_view text, CJsonValue& out, std::string& error);

  static constexpr size_t kMaxDepth = 32;
  static constexpr size_t kMaxValues = 100000;

 private:
  friend class CJsonReader;
  Kind m_kind = Kind::kNull;
  bool m_bool = false;
  std::string m_text;  // string value, or a number's text
  std::vector<CJsonValue> m_items;
  std::vector<std::string> m_names;  // member names of an object, beside m_items
};

// JSON text of a string (quoted and escaped; control characters and non-ASCII as \u escapes).
std::string JsonQuote(std::string_view utf8);

}  // namespace ferrow::host
